// Boot-services and system-table helpers.
#include "support/Boot.h"

#include "support/Library.h"
#include "support/Memory.h"

EFI_EVENT NotifyOnProtocol(const EFI_GUID* Guid, EFI_TPL Tpl, EFI_EVENT_NOTIFY NotifyFunction, VOID* Context,
                           VOID** Registration) {
  EFI_EVENT Event = NULL;
  // Without an event there is nothing to register or signal.
  if (EFI_ERROR(gBS->CreateEvent(EVT_NOTIFY_SIGNAL, Tpl, NotifyFunction, Context, &Event))) {
    return NULL;
  }
  (VOID) gBS->RegisterProtocolNotify(const_cast<EFI_GUID*>(Guid), Event, Registration);
  // Signalled once at once, so an instance installed before now is seen too.
  (VOID) gBS->SignalEvent(Event);
  return Event;
}

EFI_STATUS FindConfigurationTable(const EFI_GUID* Guid, VOID** Table) {
  *Table = NULL;
  for (UINTN Index = 0; Index < gST->NumberOfTableEntries; Index++) {
    const EFI_CONFIGURATION_TABLE* Entry = &gST->ConfigurationTable[Index];
    if (GuidEqual(&Entry->VendorGuid, Guid)) {
      *Table = Entry->VendorTable;
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}
