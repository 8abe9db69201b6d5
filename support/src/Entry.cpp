// The image entry point shared by both drivers: library start-up, the
// driver's own initialisation, and tear-down in reverse order on failure.
#include "support/Library.h"

EFI_HANDLE gImageHandle;
EFI_SYSTEM_TABLE* gST;
EFI_BOOT_SERVICES* gBS;
EFI_RUNTIME_SERVICES* gRT;

namespace {

EFI_STATUS LibraryStartup(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE* SystemTable) {
  gImageHandle = ImageHandle;
  gST = SystemTable;
  gBS = SystemTable->BootServices;
  gRT = SystemTable->RuntimeServices;
  return EFI_SUCCESS;
}

VOID LibraryShutdown() {}

}  // namespace

extern "C" __attribute__((visibility("default"))) EFI_STATUS EFIAPI EfiDriverEntry(EFI_HANDLE ImageHandle,
                                                                                   EFI_SYSTEM_TABLE* SystemTable) {
  EFI_STATUS Status = LibraryStartup(ImageHandle, SystemTable);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  Status = DriverInitialize(ImageHandle, SystemTable);
  if (EFI_ERROR(Status)) {
    LibraryShutdown();
  }
  return Status;
}
