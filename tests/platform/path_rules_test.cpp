// Windows path rules: trailing dots and blanks are trimmed where
// GetFullPathNameW trims them and nowhere else, so a name with a trailing
// blank is its own entry and never leads to the entry without it.
#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/shell.h"
#include "platform/sim/files/SimFiles.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/text/SimUnicode.h"
#include "tests/support/SimTestSupport.h"

namespace {

#define EXPECT_FAILS(call)                                                   \
  do {                                                                       \
    SetLastError(0);                                                         \
    EXPECT_FALSE(call);                                                      \
    EXPECT_NE(GetLastError(), 0u);                                           \
  } while (0)

class PathRulesTest : public MachineTest {
 protected:
  static std::u16string Parsed(const char16_t* path) {
    SimWinPath parsed;
    DWORD error = SimParsePath(path, &parsed);
    if (error) return u"<error " + SimToUtf16(std::to_string(error)) + u">";
    return parsed.Text();
  }
  static std::u16string Full(const char16_t* path) {
    DWORD error = 0;
    std::u16string full = SimFullPath(path, &error);
    // The parsed form has no trailing separator except at the root.
    if (full.size() > 3 && full.back() == u'\\') full.pop_back();
    return full;
  }
  static void MakeFile(const char16_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    CloseHandle(file);
  }
};

TEST_F(PathRulesTest, ParsingAgreesWithFullPathNames) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work", nullptr));
  ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Work"));
  const struct {
    const char16_t* path;
    const char16_t* names;
  } kCases[] = {
      {u"C:\\Users \\", u"C:\\Users "},
      {u"C:\\Users \\x", u"C:\\Users \\x"},
      {u"C:\\Users ", u"C:\\Users"},
      {u"C:\\Users. . .", u"C:\\Users"},
      {u"C:\\dir.", u"C:\\dir"},
      {u"C:\\dir.\\", u"C:\\dir"},
      {u"C:\\dir.\\x", u"C:\\dir\\x"},
      {u"C:\\dir..\\x", u"C:\\dir..\\x"},
      {u"C:\\ \\", u"C:\\ "},
      {u"C:\\ ", u"C:\\"},
      {u"C:\\a\\ \\b", u"C:\\a\\ \\b"},
      {u"C:/a/../b. /", u"C:\\b. "},
      {u"c:\\a\\.\\b\\..\\..\\..\\c", u"C:\\c"},
      {u"x \\y.", u"C:\\Work\\x \\y"},
      {u"\\x .", u"C:\\x"},
      {u"C:", u"C:\\Work"},
      {u"C:y \\", u"C:\\Work\\y "},
      {u"\\??\\C:\\z \\", u"C:\\z "},
  };
  for (const auto& c : kCases) {
    std::string shown(c.path, c.path + std::char_traits<char16_t>::length(c.path));
    for (auto& ch : shown) ch = static_cast<char>(ch);
    EXPECT_EQ(Parsed(c.path), c.names) << shown;
    EXPECT_EQ(Full(c.path), c.names) << shown;
  }
  // "\\?\" paths are taken literally: nothing trimmed.
  EXPECT_EQ(Parsed(u"\\\\?\\C:\\dir."), u"C:\\dir.");
  EXPECT_EQ(Parsed(u"\\\\?\\C:\\Users \\"), u"C:\\Users ");
  SimWinPath ignored;
  EXPECT_EQ(SimParsePath(u"\\\\?\\C:\\a\\..\\b", &ignored), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(SimParsePath(u"C:\\a\\b:c", &ignored), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(SimParsePath(u"\\\\server\\share\\x", &ignored), static_cast<DWORD>(ERROR_BAD_NETPATH));
}

TEST_F(PathRulesTest, TrailingBlankNamesItsOwnFolder) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\x", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\x \\", nullptr)) << GetLastError();
  EXPECT_TRUE(PathExists(Real("x")));
  EXPECT_TRUE(PathExists(Real("x ")));
  MakeFile(u"C:\\x \\inner.txt");
  EXPECT_TRUE(PathExists(Real("x /inner.txt")));
  EXPECT_FALSE(PathExists(Real("x/inner.txt")));
  EXPECT_EQ(GetFileAttributesW(u"C:\\x\\inner.txt"), INVALID_FILE_ATTRIBUTES);

  // Removing the plain one leaves the blank one, and the other way round.
  ASSERT_TRUE(DeleteFileW(u"C:\\x \\inner.txt"));
  ASSERT_TRUE(RemoveDirectoryW(u"C:\\x \\"));
  EXPECT_FALSE(PathExists(Real("x ")));
  EXPECT_TRUE(PathExists(Real("x")));
  // Without the separator, the blank goes: this names C:\x.
  ASSERT_TRUE(RemoveDirectoryW(u"C:\\x "));
  EXPECT_FALSE(PathExists(Real("x")));
}

TEST_F(PathRulesTest, BlankNamesNeverReachTheFolderWithoutThem) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Users\\Empty", nullptr));
  EXPECT_FAILS(RemoveDirectoryW(u"C:\\Users \\"));
  EXPECT_FAILS(RemoveDirectoryW(u"C:\\Users \\Empty"));
  EXPECT_FAILS(RemoveDirectoryW(u"C:\\Users\\Empty \\"));
  EXPECT_FAILS(RemoveDirectoryW(u"C:\\ \\"));
  EXPECT_FAILS(DeleteFileW(u"C:\\ \\"));
  EXPECT_FAILS(MoveFileExW(u"C:\\Users \\", u"C:\\Elsewhere", 0));
  EXPECT_FAILS(SetFileAttributesW(u"C:\\Users \\Empty", FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Users \\"), INVALID_FILE_ATTRIBUTES);

  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = u"C:\\Users \\Empty\0";
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  SHFileOperationW(&op);

  EXPECT_TRUE(PathExists(Real("Users/Empty")));
  EXPECT_TRUE(PathExists(Real("Users/User/Desktop")));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Users\\Empty"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(PathRulesTest, TrailingDotStillNamesThePlainEntry) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\dir.", nullptr));
  EXPECT_TRUE(PathExists(Real("dir")));
  MakeFile(u"C:\\dir.\\file.txt.");
  EXPECT_TRUE(PathExists(Real("dir/file.txt")));
  EXPECT_TRUE(DeleteFileW(u"C:\\DIR.\\FILE.TXT"));
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\dir. . "));
  EXPECT_FALSE(PathExists(Real("dir")));

  // Through "\\?\" the dot is part of the name.
  ASSERT_TRUE(CreateDirectoryW(u"C:\\lit", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"\\\\?\\C:\\lit.", nullptr)) << GetLastError();
  EXPECT_TRUE(PathExists(Real("lit.")));
  EXPECT_TRUE(RemoveDirectoryW(u"\\\\?\\C:\\lit."));
  EXPECT_TRUE(PathExists(Real("lit")));
}

}  // namespace
