// Typed password texts: the characters a password may hold (the prompts
// accept them, the key filter lets them through) and the empty text, which
// asks to clear a password.
#pragma once
#include "uefi/Base.h"

constexpr BOOLEAN IsPasswordCharacter(CHAR16 Character) {
  return (BOOLEAN)((Character >= u'a' && Character <= u'z') || (Character >= u'A' && Character <= u'Z') ||
                   (Character >= u'0' && Character <= u'9') || Character == u' ' || Character == u';');
}

// TRUE when the text has no character; a NULL text is not empty.
inline BOOLEAN IsPasswordEmpty(const CHAR16* Password) {
  return (BOOLEAN)(Password != NULL && Password[0] == 0);
}
