// Start-up of the support library and the system-table pointers it keeps for
// the driver that links it.
#pragma once
#include "uefi/SystemTable.h"

extern EFI_HANDLE gImageHandle;
extern EFI_SYSTEM_TABLE* gST;
extern EFI_BOOT_SERVICES* gBS;
extern EFI_RUNTIME_SERVICES* gRT;

// Each driver provides its own initialisation; the library's image entry
// point runs it between the library's start-up and, on failure, tear-down.
[[nodiscard]] EFI_STATUS DriverInitialize(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE* SystemTable);

extern "C" EFI_STATUS EFIAPI EfiDriverEntry(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE* SystemTable);
