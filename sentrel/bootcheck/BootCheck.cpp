// The boot-time check. Until it is built, the check answers as on a machine
// without a "Setup" variable, and the service-arrival handler only finds the
// service and builds the (empty) device table.
#include "sentrel/bootcheck/BootCheck.h"

#include "sentrel/core/HddDeviceTable.h"
#include "sentrel/core/ModuleState.h"
#include "support/Library.h"

EFI_STATUS EFIAPI RunBootCheck(UINT16 Mode) {
  (VOID) Mode;
  return EFI_UNSUPPORTED;
}

VOID EFIAPI ServiceArrivalHandler(EFI_EVENT Event, VOID* Context) {
  (VOID) Context;
  if (EFI_ERROR(LocateHddPasswordService())) {
    return;  // the event stays open: the handler runs again on the next install
  }
  (VOID) gBS->CloseEvent(Event);
  if (EFI_ERROR(GetDeviceTable(&gSentrel.HddDeviceTable))) {
    return;
  }
  if (EFI_ERROR(PrepareDrives())) {
    return;
  }
  (VOID) RunBootCheck(0);
}
