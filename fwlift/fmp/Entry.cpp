// Entry of the device-firmware update driver.
#include "support/Library.h"

EFI_STATUS DriverInitialize(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE* SystemTable) {
  (VOID) ImageHandle;
  (VOID) SystemTable;
  return EFI_SUCCESS;
}
