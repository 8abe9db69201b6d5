// ASCII (one byte a character) and UTF-16 string routines. None checks for
// NULL unless its comment says so.
#pragma once
#include "uefi/Base.h"

UINTN AsciiLength(const CHAR8* String);
UINTN WideLength(const CHAR16* String);
// AsciiLength plus the terminator.
UINTN AsciiSizeWithTerminator(const CHAR8* String);

// 0 when String is NULL, Max is 0 or String is empty; otherwise the index of
// the first terminator, or Max when none lies in the first Max characters.
UINTN AsciiLengthBounded(const CHAR8* String, UINTN Max);
UINTN WideLengthBounded(const CHAR16* String, UINTN Max);

// Compares at most Count characters; the result is the difference of the
// characters where the walk stopped, taken as signed 8-bit values.
INTN AsciiCompareN(const CHAR8* A, const CHAR8* B, UINTN Count);

// Copies Src up to and including its terminator. Returns Dest.
CHAR16* WideCopy(CHAR16* Dest, const CHAR16* Src);
// Keeps the low byte of each UTF-16 unit and terminates Dest. Returns Dest.
CHAR8* WideToAscii(const CHAR16* Src, CHAR8* Dest);

// Hexadecimal UTF-16 text to a number: leading blanks, tabs and zeros are
// skipped, an 'x' or 'X' only right after a '0'; 0 when there are no digits,
// all ones when the value passes 64 bits.
UINT64 HexToUint64(const CHAR16* String);
