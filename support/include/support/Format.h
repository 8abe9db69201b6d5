// The formatted-output engine: a format string and an argument list become
// ASCII or UTF-16 text, with printable names for EFI_STATUS values. The
// engine keeps no state. These are ordinary variadic routines of the driver
// (not EFIAPI); the argument list is the compiler's own for the target.
#pragma once
#include "uefi/Base.h"

typedef __builtin_va_list VA_LIST;
#define VA_START(List, Last) __builtin_va_start(List, Last)
#define VA_ARG(List, Type) __builtin_va_arg(List, Type)
#define VA_END(List) __builtin_va_end(List)
#define VA_COPY(Dest, Src) __builtin_va_copy(Dest, Src)

// FormatCore flags: which of the format and the output are UTF-16.
#define FORMAT_WIDE_FORMAT 0x1u
#define FORMAT_WIDE_OUTPUT 0x2u

// The formatter refuses sizes and formats beyond this many characters.
#define FORMAT_MAX_CHARACTERS 1000000u

// Formats into Buffer of Characters characters (CHAR8 or CHAR16 as Flags
// say). Returns the number of characters written, not counting the
// terminator that always follows them; 0 without writing when Buffer or
// Format is NULL, Characters is 0 or too large, or Format is too long.
UINTN FormatCore(VOID* Buffer, UINTN Characters, UINT32 Flags, const VOID* Format, VA_LIST Arguments);

// ASCII format, ASCII output; BufferSize counts bytes.
UINTN FormatAscii(CHAR8* Buffer, UINTN BufferSize, const CHAR8* Format, ...);
// UTF-16 format, UTF-16 output; BufferSize counts bytes.
UINTN FormatWide(CHAR16* Buffer, UINTN BufferSize, const CHAR16* Format, ...);

// Formats into a fresh 321-character pool buffer and writes the result to the
// console output. Returns the character count, or 0 when the buffer cannot be
// allocated or the console refuses the text.
UINTN ConsolePrint(const CHAR16* Format, ...);

// The printable name of a status value, or NULL when it has none.
const CHAR8* StatusName(EFI_STATUS Status);
