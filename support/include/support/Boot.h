// Boot-services and system-table helpers.
#pragma once
#include "uefi/SystemTable.h"

// Creates a notify-signal event at Tpl, registers it for installations of
// Guid and signals it once at once, so NotifyFunction also runs for an
// instance that is already installed. Returns the event.
EFI_EVENT NotifyOnProtocol(const EFI_GUID* Guid, EFI_TPL Tpl, EFI_EVENT_NOTIFY NotifyFunction, VOID* Context,
                           VOID** Registration);

// The first entry of the system table's configuration table with this GUID.
// *Table is NULL when there is none (EFI_NOT_FOUND).
[[nodiscard]] EFI_STATUS FindConfigurationTable(const EFI_GUID* Guid, VOID** Table);
