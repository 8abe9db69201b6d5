// The key filter offered to other components through the password protocol.
#pragma once
#include "uefi/Base.h"

// TRUE when the key at offset 88 of the caller's context may be used in a
// password; the key data there is cleared either way.
BOOLEAN EFIAPI FilterPasswordKey(VOID* KeyContext);
