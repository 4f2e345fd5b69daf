// The simulated machine's ANSI code page (CP_ACP) is Windows-1252 in both
// directions; UTF-8 stays what CP_UTF8 means.
#include <gtest/gtest.h>

#include <string>

#include "platform/kernel.h"

namespace {

std::u16string FromAnsi(const std::string& bytes) {
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                out.data(), n),
            n);
  return out;
}

std::string ToAnsi(const std::u16string& text, BOOL* used_default) {
  int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                n, nullptr, used_default),
            n);
  return out;
}

TEST(AnsiCodePageTest, EveryByteHasOneCharacter) {
  EXPECT_EQ(FromAnsi("plain [ascii]=1\r\n"), u"plain [ascii]=1\r\n");
  // 0x80-0x9F per Windows-1252, the unassigned ones as C1 controls; the rest Latin-1.
  EXPECT_EQ(FromAnsi("\x80\x81\x8A\x8D\x8F\x90\x93\x94\x9D\x9F\xA0\xE9\xFF"),
            u"\u20AC\u0081\u0160\u008D\u008F\u0090\u201C\u201D\u009D\u0178\u00A0\u00E9\u00FF");
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::u16string wide = FromAnsi(all);
  ASSERT_EQ(wide.size(), 255u);
  BOOL used_default = TRUE;
  EXPECT_EQ(ToAnsi(wide, &used_default), all);
  EXPECT_FALSE(used_default);
}

TEST(AnsiCodePageTest, CharactersWithoutAByteBecomeTheDefault) {
  BOOL used_default = FALSE;
  EXPECT_EQ(ToAnsi(u"a\u0100b\u4E2D\U0001F600c", &used_default), "a?b??c");
  EXPECT_TRUE(used_default);
  // CP_UTF8 is untouched by the code page.
  char16_t wide[8] = {};
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xC3\xA9", 2, wide, 8), 1);
  EXPECT_EQ(wide[0], u'\u00E9');
}

}  // namespace
