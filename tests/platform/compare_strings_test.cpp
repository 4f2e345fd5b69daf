// CompareStringOrdinal, and the file system's name lookup agreeing with it
// outside ASCII.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/sim/text/SimUnicode.h"
#include "tests/support/SimTestSupport.h"

namespace {

int Compare(const char16_t* a, const char16_t* b, BOOL ignore_case) {
  return CompareStringOrdinal(a, -1, b, -1, ignore_case);
}

TEST(CompareStringOrdinalTest, OrdersByCodeUnitThenLength) {
  EXPECT_EQ(Compare(u"abc", u"abc", FALSE), CSTR_EQUAL);
  EXPECT_EQ(Compare(u"abc", u"abd", FALSE), CSTR_LESS_THAN);
  EXPECT_EQ(Compare(u"abd", u"abc", FALSE), CSTR_GREATER_THAN);
  EXPECT_EQ(Compare(u"ab", u"abc", FALSE), CSTR_LESS_THAN);
  EXPECT_EQ(Compare(u"abc", u"ab", FALSE), CSTR_GREATER_THAN);
  EXPECT_EQ(Compare(u"", u"", FALSE), CSTR_EQUAL);
  // Ordinal, not linguistic: upper case sorts before lower case, "Z" < "a".
  EXPECT_EQ(Compare(u"Z", u"a", FALSE), CSTR_LESS_THAN);
  EXPECT_EQ(Compare(u"a", u"A", FALSE), CSTR_GREATER_THAN);
  // Units above the sign bit of a 16-bit integer still sort high.
  EXPECT_EQ(Compare(u"\xFF01", u"a", FALSE), CSTR_GREATER_THAN);
}

TEST(CompareStringOrdinalTest, CountsLimitTheTextAndMayCoverTerminators) {
  EXPECT_EQ(CompareStringOrdinal(u"abcX", 3, u"abcY", 3, FALSE), CSTR_EQUAL);
  EXPECT_EQ(CompareStringOrdinal(u"abc", 3, u"abc", -1, FALSE), CSTR_EQUAL);
  EXPECT_EQ(CompareStringOrdinal(u"abc", 0, u"", -1, FALSE), CSTR_EQUAL);
  // An explicit count includes what follows a zero unit.
  const char16_t with_zero[] = {u'a', 0, u'b'};
  const char16_t other[] = {u'a', 0, u'c'};
  EXPECT_EQ(CompareStringOrdinal(with_zero, 3, other, 3, FALSE), CSTR_LESS_THAN);
}

TEST(CompareStringOrdinalTest, IgnoresCaseBeyondAscii) {
  EXPECT_EQ(Compare(u"Program Files", u"PROGRAM FILES", TRUE), CSTR_EQUAL);
  EXPECT_EQ(Compare(u"Документы", u"ДОКУМЕНТЫ", TRUE), CSTR_EQUAL);
  EXPECT_EQ(Compare(u"Ελληνικά", u"ΕΛΛΗΝΙΚΆ", TRUE), CSTR_EQUAL);
  EXPECT_EQ(Compare(u"ǆ", u"Ǆ", TRUE), CSTR_EQUAL);            // Latin Extended-B
  EXPECT_EQ(Compare(u"ⓐ", u"Ⓐ", TRUE), CSTR_EQUAL);            // enclosed letters
  EXPECT_EQ(Compare(u"ａｂｃ", u"ＡＢＣ", TRUE), CSTR_EQUAL);  // full-width forms
  EXPECT_EQ(Compare(u"ՀԱՅ", u"հայ", TRUE), CSTR_EQUAL);        // Armenian
  EXPECT_EQ(Compare(u"Документы", u"ДОКУМЕНТЫ", FALSE), CSTR_GREATER_THAN);
  // Simple mapping only: no letter becomes two, none folds into ASCII.
  EXPECT_NE(Compare(u"straße", u"STRASSE", TRUE), CSTR_EQUAL);
  EXPECT_NE(Compare(u"ı", u"I", TRUE), CSTR_EQUAL);
  EXPECT_NE(Compare(u"ſ", u"S", TRUE), CSTR_EQUAL);
  // Both sides are upper-cased before ordering: "a" and "B" as "A" < "B".
  EXPECT_EQ(Compare(u"a", u"B", TRUE), CSTR_LESS_THAN);
  // Upper-casing, not lower-casing: "_" (0x5F) sorts after "a" taken as "A" (0x41).
  EXPECT_EQ(Compare(u"_", u"a", TRUE), CSTR_GREATER_THAN);
}

TEST(CompareStringOrdinalTest, RejectsBadInput) {
  for (int call = 0; call < 4; ++call) {
    SetLastError(0);
    int result = 0;
    switch (call) {
      case 0: result = CompareStringOrdinal(nullptr, -1, u"a", -1, FALSE); break;
      case 1: result = CompareStringOrdinal(u"a", -1, nullptr, 0, FALSE); break;
      case 2: result = CompareStringOrdinal(u"a", -2, u"a", -1, FALSE); break;
      case 3: result = CompareStringOrdinal(u"a", -1, u"a", -1, 2); break;
    }
    EXPECT_EQ(result, 0) << call;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << call;
  }
}

TEST(SimUpcaseTest, AgreesWithCompareStringOrdinalOverTheWholeBmp) {
  // The lookup's upper-casing and the comparison must never disagree.
  for (uint32_t c = 1; c < 0x10000; ++c) {
    char16_t unit = static_cast<char16_t>(c);
    char16_t upper = SimUpcase(unit);
    ASSERT_EQ(CompareStringOrdinal(&unit, 1, &upper, 1, TRUE), CSTR_EQUAL) << std::hex << c;
    // Upper-casing is stable, and nothing outside ASCII lands in ASCII.
    ASSERT_EQ(SimUpcase(upper), upper) << std::hex << c;
    if (c >= 0x80) {
      ASSERT_GE(upper, 0x80) << std::hex << c;
    }
  }
}

TEST(SimUpcaseTest, FollowsTheUnicodeDataItWasGeneratedFrom) {
  // A stale or wrongly expanded generated table shows here.
  std::ifstream data("/usr/share/unicode/UnicodeData.txt");
  if (!data) GTEST_SKIP() << "no UnicodeData.txt (scripts/setup installs it)";
  std::string line;
  size_t mapped = 0;
  while (std::getline(data, line)) {
    std::vector<std::string> fields;
    for (size_t start = 0;;) {
      size_t end = line.find(';', start);
      fields.push_back(line.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    if (fields.size() < 13) continue;
    const unsigned long code = std::stoul(fields[0], nullptr, 16);
    if (code >= 0x10000 || (code >= 0xD800 && code <= 0xDFFF)) continue;
    const unsigned long upper = fields[12].empty() ? code : std::stoul(fields[12], nullptr, 16);
    const bool kept = upper < 0x10000 && !(code >= 0x80 && upper < 0x80);
    const char16_t want = static_cast<char16_t>(kept ? upper : code);
    ASSERT_EQ(SimUpcase(static_cast<char16_t>(code)), want) << std::hex << code;
    if (want != code) ++mapped;
  }
  EXPECT_GT(mapped, 1000u);
}

class UnicodeLookupTest : public MachineTest {};

TEST_F(UnicodeLookupTest, FindsNamesInAnyCaseOutsideAscii) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Документы", nullptr));
  EXPECT_FALSE(CreateDirectoryW(u"C:\\ДОКУМЕНТЫ", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  HANDLE file = CreateFileW(u"C:\\ДОКУМЕНТЫ\\Ελληνικά.txt", GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  CloseHandle(file);
  EXPECT_TRUE(PathExists(Real("Документы/Ελληνικά.txt")));
  EXPECT_NE(GetFileAttributesW(u"C:\\документы\\ΕΛΛΗΝΙΚΆ.TXT"), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(DeleteFileW(u"c:\\ДОКУМЕНТЫ\\ελληνικά.TXT"));
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\докУМЕНТЫ"));
  EXPECT_FALSE(PathExists(Real("Документы")));
}

}  // namespace
