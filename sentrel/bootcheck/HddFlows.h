// Setting, clearing and unlocking drive passwords from a typed text.
#pragma once
#include "sentrel/core/SentrelProtocol.h"

[[nodiscard]] EFI_STATUS SetHddMasterPassword(const CHAR16* Password, UINT8 Slot);
[[nodiscard]] EFI_STATUS SetHddUserPassword(const CHAR16* Password, UINT8 Slot);
BOOLEAN VerifyHddMasterPassword(const CHAR16* Password, UINT8 Slot);
BOOLEAN VerifyHddUserPassword(const CHAR16* Password, UINT8 Slot);
