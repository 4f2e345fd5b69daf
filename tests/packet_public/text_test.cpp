#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "packet_public/ZText.h"

namespace {

// Every case runs through both kinds of string.
int32_t Both(std::string_view narrow) {
  std::u16string wide(narrow.begin(), narrow.end());
  int32_t a = ParseLenientInt(narrow);
  int32_t b = ParseLenientInt(std::u16string_view(wide));
  EXPECT_EQ(a, b) << "narrow and wide disagree on '" << narrow << "'";
  return a;
}

TEST(ParseLenientInt, ReadsTheLeadingNumberAndIgnoresTheRest) {
  EXPECT_EQ(Both("42"), 42);
  EXPECT_EQ(Both("  \t\r\n 17"), 17);
  EXPECT_EQ(Both("-8"), -8);
  EXPECT_EQ(Both("+9"), 9);
  EXPECT_EQ(Both("12abc"), 12);
  EXPECT_EQ(Both("3.99"), 3);
  EXPECT_EQ(Both("007"), 7);
  EXPECT_EQ(Both("5 6"), 5);
}

TEST(ParseLenientInt, NoDigitsGiveZero) {
  EXPECT_EQ(Both(""), 0);
  EXPECT_EQ(Both("   "), 0);
  EXPECT_EQ(Both("x1"), 0);
  EXPECT_EQ(Both("-"), 0);
  EXPECT_EQ(Both("+-3"), 0);
  EXPECT_EQ(Both("- 3"), 0);  // the sign must touch the digits
}

TEST(ParseLenientInt, StopsAtTheLimitsOfThe32BitRange) {
  EXPECT_EQ(Both("2147483647"), INT32_MAX);
  EXPECT_EQ(Both("2147483648"), INT32_MAX);
  EXPECT_EQ(Both("-2147483648"), INT32_MIN);
  EXPECT_EQ(Both("-2147483649"), INT32_MIN);
  EXPECT_EQ(Both("4294967297"), INT32_MAX);  // must not wrap to 1
  EXPECT_EQ(Both(std::string(400, '9')), INT32_MAX);
  EXPECT_EQ(Both("-" + std::string(400, '9') + "x"), INT32_MIN);
}

TEST(ParseLenientInt, WideCharactersAreNotTakenForTheirLowByte) {
  // U+0131 and U+0A35 end in the bytes of '1' and '5'; U+0661 is a digit,
  // but not a decimal one of ours.
  EXPECT_EQ(ParseLenientInt(std::u16string_view(u"\u0131")), 0);
  EXPECT_EQ(ParseLenientInt(std::u16string_view(u"4\u0A35")), 4);
  EXPECT_EQ(ParseLenientInt(std::u16string_view(u"\u0661")), 0);
  EXPECT_EQ(ParseLenientInt(std::u16string_view(u"\u2009 7")), 0);  // thin space is no blank
}

TEST(Utf8Conversion, ConvertsEveryRangeBothWays) {
  const std::string utf8 = "plain \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 end";
  const std::u16string utf16 = u"plain \u00e9t\u00e9 \u20ac \U0001F600 end";
  EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
  EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
  EXPECT_EQ(Utf8ToUtf16(""), u"");
  EXPECT_EQ(Utf16ToUtf8(u""), "");
}

TEST(Utf8Conversion, KeepsEmbeddedZerosAndTheExactLength) {
  const std::string utf8("a\0b\0", 4);
  const std::u16string utf16(u"a\0b\0", 4);
  EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
  EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
  // Only the view's characters are read, not up to a terminator beyond it.
  EXPECT_EQ(Utf8ToUtf16(std::string_view("abcdef", 3)), u"abc");
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(u"abcdef", 3)), "abc");
}

TEST(Utf8Conversion, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");  // lone surrogate
}

}  // namespace
