// ASCII and UTF-16 string routines and the hexadecimal reader.
#include <gtest/gtest.h>

#include <string>

#include "support/String.h"

namespace {

TEST(String, HexToUint64) {
  const struct {
    const CHAR16* Text;
    UINT64 Value;
  } Cases[] = {
      {u"1F", 0x1F},
      {u"0x1F", 0x1F},
      {u"0X00ab", 0xAB},
      {u" \t 0x10", 0x10},
      {u"000x12", 0x12},
      {u"x12", 0},  // an 'x' counts only right after a zero
      {u" x12", 0},
      {u"1x2", 1},  // not after zeros skipped in front: it ends the digits
      {u"12g4", 0x12},
      {u"", 0},
      {u"0", 0},
      {u"0x", 0},
      {u"zz", 0},
      {u"FFFFFFFFFFFFFFFF", 0xFFFFFFFFFFFFFFFF},
      {u"00000000000000000000123456789abcdef0", 0x123456789ABCDEF0},
      {u"10000000000000000", 0xFFFFFFFFFFFFFFFF},  // passes 64 bits
      {u"123456789ABCDEF012", 0xFFFFFFFFFFFFFFFF},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(HexToUint64(Case.Text), Case.Value) << std::u16string(Case.Text).size();
  }
  const std::u16string Longest = std::u16string(999999, u'0') + u"7";
  EXPECT_EQ(HexToUint64(Longest.c_str()), 7u);
  const std::u16string TooLong = std::u16string(1000000, u'0') + u"7";
  EXPECT_EQ(HexToUint64(TooLong.c_str()), 0u);
}

TEST(String, AsciiCompareN) {
  // The difference of signed 8-bit characters: 0xE9 counts as negative.
  EXPECT_GT(AsciiCompareN("a", "\xE9", 1), 0);
  EXPECT_EQ(AsciiCompareN("a", "\xE9", 1), 'a' - (INT8)'\xE9');
  EXPECT_EQ(AsciiCompareN("abc", "abd", 3), 'c' - 'd');
  EXPECT_EQ(AsciiCompareN("abc", "abd", 2), 0);
  EXPECT_EQ(AsciiCompareN("ab", "abc", 5), -'c');
  EXPECT_EQ(AsciiCompareN("abc", "abc", 10), 0);
  EXPECT_EQ(AsciiCompareN("x", "y", 0), 0);
}

TEST(String, LengthsBoundedAndNot) {
  EXPECT_EQ(WideLengthBounded(nullptr, 5), 0u);
  EXPECT_EQ(WideLengthBounded(u"abc", 0), 0u);
  EXPECT_EQ(WideLengthBounded(u"", 5), 0u);
  EXPECT_EQ(WideLengthBounded(u"abc", 5), 3u);
  EXPECT_EQ(WideLengthBounded(u"abc", 3), 3u);
  // No terminator among the first Max characters: nothing past them is read.
  const CHAR16 Unterminated[2] = {u'a', u'b'};
  EXPECT_EQ(WideLengthBounded(Unterminated, 2), 2u);
  EXPECT_EQ(AsciiLengthBounded("abcdef", 4), 4u);
  EXPECT_EQ(AsciiLengthBounded(nullptr, 4), 0u);

  EXPECT_EQ(AsciiLength("abcd"), 4u);
  EXPECT_EQ(AsciiSizeWithTerminator("abcd"), 5u);
  EXPECT_EQ(WideLength(u"abcd"), 4u);
  EXPECT_EQ(WideLength(u""), 0u);
}

TEST(String, WideCopyAndToAscii) {
  CHAR16 Wide[8] = {u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x'};
  EXPECT_EQ(WideCopy(Wide, u"ab\u0141"), Wide);
  EXPECT_EQ(std::u16string(Wide), u"ab\u0141");
  EXPECT_EQ(Wide[4], u'x');

  CHAR8 Ascii[8];
  std::fill(std::begin(Ascii), std::end(Ascii), 'x');
  EXPECT_EQ(WideToAscii(Wide, Ascii), Ascii);
  EXPECT_EQ(std::string(Ascii), "ab\x41");  // the low byte of each unit
  EXPECT_EQ(Ascii[4], 'x');
}

}  // namespace
