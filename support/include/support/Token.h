// Platform configuration tokens, read from the platform's token database.
// Each token is named by its token-space GUID and its token number.
#pragma once
#include "uefi/Base.h"

// The token's BOOLEAN value; FALSE when the platform has no token database.
BOOLEAN TokenGetBool(const EFI_GUID* TokenSpace, UINTN TokenNumber);
