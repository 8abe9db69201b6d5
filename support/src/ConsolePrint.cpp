// Formatted lines on the console output, for the update driver's log.
#include "support/Format.h"
#include "support/Library.h"
#include "support/PoolBuffer.h"
#include "uefi/protocol/SimpleTextOut.h"

namespace {

// A fresh buffer per call: 321 UTF-16 units.
constexpr UINTN kConsoleLineCharacters = 321;

}  // namespace

UINTN ConsolePrint(const CHAR16* Format, ...) {
  PoolBuffer Line(kConsoleLineCharacters * sizeof(CHAR16));
  if (Line.IsNull()) {
    return 0;
  }
  VA_LIST Arguments;
  VA_START(Arguments, Format);
  const UINTN Count =
      FormatCore(Line.Get(), kConsoleLineCharacters, FORMAT_WIDE_FORMAT | FORMAT_WIDE_OUTPUT, Format, Arguments);
  VA_END(Arguments);
  if (Count != 0 && EFI_ERROR(gST->ConOut->OutputString(gST->ConOut, Line.As<CHAR16>()))) {
    return 0;
  }
  return Count;
}
