// Initialisation files read as Windows reads them: defaults, trimming and
// quotes, case, lists, truncation, encodings and integer values.
#include <gtest/gtest.h>

#include <string>

#include "platform/kernel.h"
#include "platform/private_profile.h"
#include "tests/support/SimTestSupport.h"

namespace {

class PrivateProfileTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_TRUE(WriteTextFile(Real("settings.ini"),
                              "top=before any section\r\n"
                              "[Base]\r\n"
                              "  Name  =  padded value  \r\n"
                              "quoted=\"  kept blanks  \"\r\n"
                              "single='x'\r\n"
                              "half=\"open\n"
                              "empty=\n"
                              "number= -42 \n"
                              "hex=0x1F\n"
                              "trailing=12abc\n"
                              "junk=abc\n"
                              "[Other]\n"
                              "name=other section\n"
                              "[base]\n"
                              "name=second base\n"
                              "late=only here\n"));
  }
  std::u16string Get(const char16_t* section, const char16_t* key,
                     const char16_t* fallback = u"dflt", DWORD size = 64,
                     const char16_t* file = u"C:\\settings.ini", DWORD* returned = nullptr) {
    char16_t buffer[64] = {};
    DWORD n = GetPrivateProfileStringW(section, key, fallback, buffer, size, file);
    if (returned) *returned = n;
    return std::u16string(buffer, n);
  }
};

TEST_F(PrivateProfileTest, ValuesAreTrimmedUnquotedAndFoundWithoutCase) {
  EXPECT_EQ(Get(u"base", u"NAME"), u"padded value");
  EXPECT_EQ(Get(u"Base", u"quoted"), u"  kept blanks  ");
  EXPECT_EQ(Get(u"Base", u"single"), u"x");
  EXPECT_EQ(Get(u"Base", u"half"), u"\"open");
  EXPECT_EQ(Get(u"Base", u"empty"), u"");
  EXPECT_EQ(Get(u"OTHER", u"name"), u"other section");
  // The first section of a name is the one read.
  EXPECT_EQ(Get(u"Base", u"late"), u"dflt");
  EXPECT_EQ(Get(u"Base", u"top"), u"dflt");
}

TEST_F(PrivateProfileTest, MissingFileSectionOrKeyGiveTheDefault) {
  EXPECT_EQ(Get(u"Base", u"absent", u"fallback  "), u"fallback");  // trailing blanks cut
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Get(u"Nowhere", u"name", nullptr), u"");
  EXPECT_EQ(Get(u"Base", u"name", u"d", 64, u"C:\\missing\\settings.ini"), u"d");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetPrivateProfileIntW(u"Base", u"absent", 7, u"C:\\settings.ini"), 7u);
  EXPECT_EQ(GetPrivateProfileIntW(u"Base", u"empty", 7, u"C:\\settings.ini"), 7u);
  EXPECT_EQ(GetPrivateProfileIntW(u"Base", u"number", 7, u"C:\\missing.ini"), 7u);
}

TEST_F(PrivateProfileTest, IntegersReadLeniently) {
  const char16_t* file = u"C:\\settings.ini";
  EXPECT_EQ(static_cast<int>(GetPrivateProfileIntW(u"Base", u"number", 0, file)), -42);
  EXPECT_EQ(GetPrivateProfileIntW(u"Base", u"hex", 0, file), 31u);
  EXPECT_EQ(GetPrivateProfileIntW(u"Base", u"trailing", 0, file), 12u);
  EXPECT_EQ(GetPrivateProfileIntW(u"Base", u"junk", 5, file), 0u);  // present, no digits
}

TEST_F(PrivateProfileTest, TruncationFollowsWindows) {
  DWORD n = 0;
  EXPECT_EQ(Get(u"Base", u"name", u"", 7, u"C:\\settings.ini", &n), u"padded");
  EXPECT_EQ(n, 6u);  // size - 1
  EXPECT_EQ(Get(u"Base", u"absent", u"long default", 5, u"C:\\settings.ini", &n), u"long");

  char16_t list[64];
  n = GetPrivateProfileStringW(nullptr, nullptr, u"", list, 64, u"C:\\settings.ini");
  EXPECT_EQ(std::u16string(list, n + 1), std::u16string(u"Base\0Other\0base\0\0", 17));
  n = GetPrivateProfileStringW(u"Other", nullptr, u"", list, 64, u"C:\\settings.ini");
  EXPECT_EQ(std::u16string(list, n + 1), std::u16string(u"name\0\0", 6));
  // A list cut to fit ends in two nulls and reports size - 2.
  n = GetPrivateProfileStringW(nullptr, nullptr, u"", list, 8, u"C:\\settings.ini");
  EXPECT_EQ(n, 6u);
  EXPECT_EQ(std::u16string(list, 8), std::u16string(u"Base\0O\0\0", 8));
}

TEST_F(PrivateProfileTest, EncodingsAndTheWindowsFolder) {
  // UTF-16 with its byte-order mark.
  std::string utf16("\xFF\xFE", 2);
  for (char16_t c : std::u16string(u"[s]\r\nk=\u4E2D\u6587\r\n")) {
    utf16 += static_cast<char>(c & 0xFF);
    utf16 += static_cast<char>(c >> 8);
  }
  ASSERT_TRUE(WriteTextFile(Real("wide.ini"), utf16));
  EXPECT_EQ(Get(u"s", u"k", u"", 64, u"C:\\wide.ini"), u"\u4E2D\u6587");
  // Without a mark the bytes are the ANSI code page's.
  ASSERT_TRUE(WriteTextFile(Real("ansi.ini"), "[s]\nk=caf\xE9\n"));
  EXPECT_EQ(Get(u"s", u"k", u"", 64, u"C:\\ansi.ini"), u"caf\u00E9");
  // A bare name is looked for in the Windows folder.
  ASSERT_TRUE(WriteTextFile(Real("Windows/bare.ini"), "[s]\nk=windows\n"));
  EXPECT_EQ(Get(u"s", u"k", u"", 64, u"bare.ini"), u"windows");
}

}  // namespace
