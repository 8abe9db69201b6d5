// The characters a password may hold: the prompts accept them and the key
// filter offered to other components lets them through.
#pragma once
#include "uefi/Base.h"

constexpr BOOLEAN IsPasswordCharacter(CHAR16 Character) {
  return (BOOLEAN)((Character >= u'a' && Character <= u'z') || (Character >= u'A' && Character <= u'Z') ||
                   (Character >= u'0' && Character <= u'9') || Character == u' ' || Character == u';');
}
