// Hexadecimal text to a number, as the update driver reads version texts.
#include "support/String.h"

namespace {

constexpr UINTN kHexMaxLength = 1000000;
constexpr UINT64 kHexOverflow = 0xFFFFFFFFFFFFFFFFull;

// The digit's value, or -1 for any other character.
INTN HexDigitValue(CHAR16 Character) {
  if (Character >= u'0' && Character <= u'9') {
    return Character - u'0';
  }
  if (Character >= u'a' && Character <= u'f') {
    return Character - u'a' + 10;
  }
  if (Character >= u'A' && Character <= u'F') {
    return Character - u'A' + 10;
  }
  return -1;
}

}  // namespace

UINT64 HexToUint64(const CHAR16* String) {
  if (String == NULL || WideLengthBounded(String, kHexMaxLength + 1) > kHexMaxLength) {
    return 0;
  }
  while (*String == u' ' || *String == u'\t') {
    String++;
  }
  const CHAR16* Start = String;
  while (*String == u'0') {
    String++;
  }
  if (*String == u'x' || *String == u'X') {
    // A prefix only when it follows a zero: "x1F" alone is not a number.
    if (String == Start) {
      return 0;
    }
    String++;
  }
  UINT64 Value = 0;
  for (INTN Digit = HexDigitValue(*String); Digit >= 0; Digit = HexDigitValue(*++String)) {
    if (Value > (kHexOverflow >> 4)) {
      return kHexOverflow;
    }
    Value = (Value << 4) | (UINT64)Digit;
  }
  return Value;
}
