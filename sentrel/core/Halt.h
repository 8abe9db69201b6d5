// Stopping the machine for good after a lockout.
#pragma once
#include "sentrel/core/SentrelProtocol.h"

// A ResetSystem that does nothing: installed so that no component can reset
// the machine once it is halted.
VOID EFIAPI EmptyResetSystem(EFI_RESET_TYPE ResetType, EFI_STATUS ResetStatus, UINTN DataSize, VOID* ResetData);

[[noreturn]] VOID EFIAPI HaltSystem(SENTREL_PASSWORD_PROTOCOL* This);
