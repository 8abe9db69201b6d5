// The formatter: the cases that catch real faults, in both its ASCII and its
// UTF-16 form, the limits, and a sweep over short directives into small
// buffers that must never be overrun.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/Format.h"
#include "uefi/Status.h"

namespace {

struct FORMAT_CASE {
  const char* Format;
  std::string Expected;
  std::function<UINTN(CHAR8*, UINTN)> Ascii;
  std::function<UINTN(CHAR16*, UINTN)> Wide;
};

// One case run through both FormatAscii and FormatWide with the same arguments.
#define CASE(Expected, Format, ...)                                                                                 \
  FORMAT_CASE {                                                                                                     \
    Format, Expected,                                                                                               \
        [=](CHAR8* Buffer, UINTN Size) { return FormatAscii(Buffer, Size, Format __VA_OPT__(, ) __VA_ARGS__); },    \
        [=](CHAR16* Buffer, UINTN Size) { return FormatWide(Buffer, Size, u"" Format __VA_OPT__(, ) __VA_ARGS__); } \
  }

constexpr EFI_GUID kGuid = EFI_GUID_LITERAL(0x12345678, 0x9ABC, 0xDEF0, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF);
constexpr EFI_GUID kSmallGuid = EFI_GUID_LITERAL(0x1, 0x2, 0x3, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07);
constexpr EFI_TIME kTime = {2024, 3, 7, 9, 5, 59, 0, 0, 0, 0, 0};
const CHAR8* const kNullAscii = nullptr;
const CHAR16* const kNullWide = nullptr;
const EFI_GUID* const kNullGuid = nullptr;
const EFI_TIME* const kNullTime = nullptr;

std::vector<FORMAT_CASE> Cases() {
  return {
      // Status names, and the values without one.
      CASE("Buffer Too Small", "%r", EFI_BUFFER_TOO_SMALL),
      CASE("Warning Stale Data", "%r", EFI_WARN_STALE_DATA),
      CASE("Success", "%r", EFI_SUCCESS),
      CASE("Compromised Data", "%r", EFI_COMPROMISED_DATA),
      CASE("Reserved (29)", "%r", ENCODE_ERROR(29)),
      CASE("00000022", "%r", ENCODE_ERROR(34)),
      CASE("00000006", "%r", EFI_WARN_FILE_SYSTEM),
      CASE("00000000", "%r", ENCODE_ERROR(0)),
      CASE("[   Not Found]", "[%12r]", EFI_NOT_FOUND),
      // Argument size: 32 bits sign-extended for d, zero-extended otherwise.
      CASE("-2147483648", "%d", 2147483648u),
      CASE("4294967295", "%u", (UINT64)0x1FFFFFFFFull),
      CASE("-5", "%ld", (INT64)-5),
      CASE("-9223372036854775808", "%ld", (INT64)(1ull << 63)),
      CASE("18446744073709551615", "%lu", ~0ull),
      // Signs, grouping, widths and zero fill.
      CASE("1,234,567", "%,d", 1234567),
      CASE("-1,234,567", "%,d", -1234567),
      CASE("999", "%,u", 999u),
      CASE("1,000", "%,ld", (INT64)1000),
      CASE("   1,234", "%,08d", 1234),
      CASE("   42", "%5d", 42),
      CASE("42   |", "%-5d|", 42),
      CASE("-0042", "%05d", -42),
      CASE("00042", "%05d", 42),
      CASE("-42  |", "%-05d|", -42),
      CASE("+42", "%+d", 42),
      CASE(" 42", "% d", 42),
      CASE("42", "%+u", 42u),
      CASE("007", "%.3d", 7),
      CASE("  007", "%5.3d", 7),
      CASE("  007", "%05.3d", 7),
      CASE("[]", "[%.0d]", 0),
      CASE("   42", "%*d", (UINT64)5, 42),
      CASE("-0042|7", "%0*d|%d", (UINT64)5, -42, 7),
      // Hexadecimal and pointers.
      CASE("FF", "%x", 255u),
      CASE("  FF", "%4x", 255u),
      CASE("00FF", "%4X", 255u),
      CASE("00FF", "%04x", 255u),
      CASE("FF  |", "%-4X|", 255u),
      CASE("123456789ABCDEF0", "%lx", 0x123456789ABCDEF0ull),
      CASE("1234", "%p", (VOID*)0x1234),
      CASE("00001234", "%8p", (VOID*)0x1234),
      // Characters and strings.
      CASE("A", "%c", (UINT32)'A'),
      CASE("abc", "%a", "abc"),
      CASE("abc", "%s", u"abc"),
      CASE("<null string>", "%a", kNullAscii),
      CASE("<null string>", "%s", kNullWide),
      CASE("abc", "%.3a", "abcdef"),
      CASE("abc", "%.3s", u"abcdef"),
      CASE("ab", "%.*a", (UINT64)2, "abcdef"),
      CASE("    ab|", "%6a|", "ab"),
      CASE("ab    |", "%-6s|", u"ab"),
      // GUIDs and times.
      CASE("12345678-9ABC-DEF0-0123-456789ABCDEF", "%g", &kGuid),
      CASE("00000001-0002-0003-0001-020304050607", "%g", &kSmallGuid),
      CASE("<null guid>", "%g", kNullGuid),
      CASE("03/07/2024  09:05", "%t", &kTime),
      CASE("<null time>", "%t", kNullTime),
      // Line ends, percent signs and unknown types.
      CASE("a\r\nb", "a\nb"),
      CASE("a\r\nb", "a\n\rb"),
      CASE("a\r\nb", "a\r\nb"),
      CASE("a\rb", "a\rb"),
      CASE("a\r\n\r\nb", "a\n\nb"),
      CASE("100%", "100%%"),
      CASE("z", "%z"),
      CASE("abc", "abc%"),
      CASE("abc", "abc%-5"),
  };
}

TEST(Format, CasesInAsciiAndWide) {
  for (const FORMAT_CASE& Case : Cases()) {
    SCOPED_TRACE(Case.Format);
    CHAR8 Ascii[128];
    EXPECT_EQ(Case.Ascii(Ascii, sizeof(Ascii)), Case.Expected.size());
    EXPECT_EQ(std::string(Ascii), Case.Expected);

    CHAR16 Wide[128];
    EXPECT_EQ(Case.Wide(Wide, sizeof(Wide)), Case.Expected.size());
    EXPECT_EQ(std::u16string(Wide), std::u16string(Case.Expected.begin(), Case.Expected.end()));
  }
}

TEST(Format, ConvertsStringsBetweenWidths) {
  // ASCII output of UTF-16 text keeps the low byte; UTF-16 output of ASCII
  // text widens each byte.
  CHAR8 Ascii[16];
  EXPECT_EQ(FormatAscii(Ascii, sizeof(Ascii), "%s|%c", u"\u0141x", 0x142u), 4u);
  EXPECT_EQ(std::string(Ascii), "\x41x|\x42");
  CHAR16 Wide[16];
  EXPECT_EQ(FormatWide(Wide, sizeof(Wide), u"%a|%c", "\xE9", 0x142u), 3u);
  EXPECT_EQ(std::u16string(Wide), u"\u00E9|\u0142");
}

TEST(Format, TruncatesAtTheBufferSize) {
  CHAR8 Ascii[4];
  EXPECT_EQ(FormatAscii(Ascii, sizeof(Ascii), "abcdef"), 3u);
  EXPECT_EQ(std::string(Ascii), "abc");
  EXPECT_EQ(FormatAscii(Ascii, sizeof(Ascii), "%5d", 42), 3u);
  EXPECT_EQ(std::string(Ascii), "   ");
  EXPECT_EQ(FormatAscii(Ascii, 1, "abc"), 0u);
  EXPECT_EQ(Ascii[0], '\0');

  // The UTF-16 size counts bytes: 9 bytes hold four characters.
  CHAR16 Wide[5];
  EXPECT_EQ(FormatWide(Wide, 8, u"abcdef"), 3u);
  EXPECT_EQ(std::u16string(Wide), u"abc");
  EXPECT_EQ(FormatWide(Wide, 9, u"abcdef"), 3u);
  EXPECT_EQ(FormatWide(Wide, 10, u"abcdef"), 4u);
}

TEST(Format, RefusesWithoutWriting) {
  CHAR8 Ascii[8] = "xxxxxxx";
  EXPECT_EQ(FormatAscii(nullptr, 8, "abc"), 0u);
  EXPECT_EQ(FormatAscii(Ascii, 8, nullptr), 0u);
  EXPECT_EQ(FormatAscii(Ascii, 0, "abc"), 0u);
  EXPECT_EQ(FormatAscii(Ascii, FORMAT_MAX_CHARACTERS + 1, "abc"), 0u);
  CHAR16 Wide[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(FormatWide(Wide, 1, u"abc"), 0u);
  EXPECT_EQ(Wide[0], u'x');
  EXPECT_EQ(std::string(Ascii), "xxxxxxx");

  const std::string Longest(FORMAT_MAX_CHARACTERS, 'a');
  const std::string TooLong(FORMAT_MAX_CHARACTERS + 1, 'a');
  EXPECT_EQ(FormatAscii(Ascii, sizeof(Ascii), TooLong.c_str()), 0u);
  EXPECT_EQ(std::string(Ascii), "xxxxxxx");
  EXPECT_EQ(FormatAscii(Ascii, sizeof(Ascii), Longest.c_str()), 7u);
}

// Arguments each type may be given: numbers, or pointers of its own kind.
std::vector<UINT64> ValuesFor(char Type) {
  static const CHAR8 Ascii[] = "ascii text";
  static const CHAR16 Wide[] = u"wide\ntext";
  switch (Type) {
    case 'a':
      return {0, (UINT64)(UINTN)Ascii};
    case 's':
    case 'S':
      return {0, (UINT64)(UINTN)Wide};
    case 'g':
      return {0, (UINT64)(UINTN)&kGuid};
    case 't':
      return {0, (UINT64)(UINTN)&kTime};
    case 'r':
      return {EFI_SUCCESS, EFI_WARN_STALE_DATA, EFI_NOT_FOUND, ENCODE_ERROR(99)};
    default:
      return {0, (UINT64)-1234567, 0x7FFFFFFF, 0x1234};
  }
}

// Every short directive, into every small buffer: the output is always the
// beginning of what a large buffer receives, terminated inside the buffer,
// and nothing past the buffer is touched.
TEST(Format, SmallBuffersAreNeverOverrun) {
  const std::vector<std::string> Flags = {"", "-", "+", " ", ",", "-+", ", "};
  const std::vector<std::string> Widths = {"", "0", "7", "03", "*"};
  const std::vector<std::string> Precisions = {"", ".", ".0", ".2", ".*"};
  const std::vector<std::string> Sizes = {"", "l"};
  const std::string Types = "duxXpcasStgr%qz";
  const UINT64 StarValues[] = {3, 1000000000};
  constexpr UINTN kGuard = 8;
  constexpr CHAR8 kGuardByte = '\x5A';

  for (const std::string& Flag : Flags) {
    for (const std::string& Width : Widths) {
      for (const std::string& Precision : Precisions) {
        for (const std::string& Size : Sizes) {
          for (char Type : Types) {
            const std::string Format = "<%" + Flag + Width + Precision + Size + Type + ">\n";
            for (UINT64 Star : StarValues) {
              for (UINT64 Value : ValuesFor(Type)) {
                // Arguments in the order the directive takes them.
                std::vector<UINT64> Slots;
                if (Width == "*") Slots.push_back(Star);
                if (Precision == ".*") Slots.push_back(Star);
                Slots.push_back(Value);
                Slots.resize(3, 0);

                CHAR8 Reference[512];
                const UINTN Full =
                    FormatAscii(Reference, sizeof(Reference), Format.c_str(), Slots[0], Slots[1], Slots[2]);
                for (UINTN BufferSize = 1; BufferSize <= 12; BufferSize++) {
                  SCOPED_TRACE(Format + " size " + std::to_string(BufferSize));
                  std::vector<CHAR8> Buffer(BufferSize + kGuard, kGuardByte);
                  const UINTN Count =
                      FormatAscii(Buffer.data(), BufferSize, Format.c_str(), Slots[0], Slots[1], Slots[2]);
                  ASSERT_EQ(Count, Full < BufferSize - 1 ? Full : BufferSize - 1);
                  ASSERT_EQ(Buffer[Count], '\0');
                  ASSERT_EQ(std::string(Buffer.data(), Count), std::string(Reference, Count));
                  for (UINTN Index = BufferSize; Index < Buffer.size(); Index++) {
                    ASSERT_EQ(Buffer[Index], kGuardByte);
                  }
                }
              }
            }
          }
        }
      }
    }
  }
}

}  // namespace
