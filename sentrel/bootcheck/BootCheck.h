// The boot-time password check and the handler that starts it when the
// drives can be reached.
#pragma once
#include "sentrel/core/SentrelProtocol.h"

EFI_STATUS EFIAPI RunBootCheck(UINT16 Mode);
VOID EFIAPI ServiceArrivalHandler(EFI_EVENT Event, VOID* Context);
