// The halt after a lockout: no timer runs and no reset is possible until the
// power is cut; the screen stays as it is.
#include "sentrel/core/Halt.h"

#include "support/Cpu.h"
#include "support/Library.h"

VOID EFIAPI EmptyResetSystem(EFI_RESET_TYPE ResetType, EFI_STATUS ResetStatus, UINTN DataSize, VOID* ResetData) {
  (VOID) ResetType;
  (VOID) ResetStatus;
  (VOID) DataSize;
  (VOID) ResetData;
}

VOID EFIAPI HaltSystem(SENTREL_PASSWORD_PROTOCOL* This) {
  (VOID) This;
  // The table's header checksum is left as it is.
  gRT->ResetSystem = EmptyResetSystem;
  (VOID) gBS->RaiseTPL(TPL_HIGH_LEVEL);
  CpuDeadLoop();
}
