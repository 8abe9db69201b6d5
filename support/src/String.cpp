// ASCII and UTF-16 string routines.
#include "support/String.h"

UINTN AsciiLength(const CHAR8* String) {
  UINTN Length = 0;
  while (String[Length] != '\0') {
    Length++;
  }
  return Length;
}

UINTN WideLength(const CHAR16* String) {
  UINTN Length = 0;
  while (String[Length] != u'\0') {
    Length++;
  }
  return Length;
}

UINTN AsciiSizeWithTerminator(const CHAR8* String) { return AsciiLength(String) + 1; }

namespace {

template <typename CHAR>
UINTN LengthBounded(const CHAR* String, UINTN Max) {
  if (String == NULL) {
    return 0;
  }
  UINTN Length = 0;
  while (Length < Max && String[Length] != 0) {
    Length++;
  }
  return Length;
}

}  // namespace

UINTN AsciiLengthBounded(const CHAR8* String, UINTN Max) { return LengthBounded(String, Max); }
UINTN WideLengthBounded(const CHAR16* String, UINTN Max) { return LengthBounded(String, Max); }

INTN AsciiCompareN(const CHAR8* A, const CHAR8* B, UINTN Count) {
  if (Count == 0) {
    return 0;
  }
  UINTN Index = 0;
  while (A[Index] != '\0' && B[Index] != '\0' && A[Index] == B[Index] && Index + 1 < Count) {
    Index++;
  }
  return (INTN)(INT8)A[Index] - (INTN)(INT8)B[Index];
}

CHAR16* WideCopy(CHAR16* Dest, const CHAR16* Src) {
  UINTN Index = 0;
  do {
    Dest[Index] = Src[Index];
  } while (Src[Index++] != u'\0');
  return Dest;
}

CHAR8* WideToAscii(const CHAR16* Src, CHAR8* Dest) {
  UINTN Index = 0;
  for (; Src[Index] != u'\0'; Index++) {
    Dest[Index] = (CHAR8)(Src[Index] & 0xFF);
  }
  Dest[Index] = '\0';
  return Dest;
}
