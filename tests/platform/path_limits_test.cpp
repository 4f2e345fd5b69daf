// What Win32 settles from the path text before the file system sees it: the
// MAX_PATH limits, "\\?\" taken literally, DOS device names, and the
// upper-case table names are compared with.
#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/shell.h"
#include "platform/sim/files/SimPathChecks.h"
#include "tests/support/SimTestSupport.h"

namespace {

#define EXPECT_FAILS_WITH(call, error)            \
  do {                                            \
    SetLastError(0);                              \
    EXPECT_FALSE(call);                           \
    EXPECT_EQ(GetLastError(), DWORD{error});      \
  } while (0)

class PathLimitsTest : public MachineTest {
 protected:
  static bool MakeFile(const std::u16string& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
  }
  // "C:\Deep\" and a name that brings the whole path to length characters.
  static std::u16string PathOfLength(size_t length) {
    std::u16string path = u"C:\\Deep\\";
    return path + std::u16string(length - path.size(), u'n');
  }
};

// ---- MAX_PATH ----

TEST_F(PathLimitsTest, FullPathsOfMaxPathOrMoreFailWithoutThePrefix) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Deep", nullptr));
  const std::u16string fits = PathOfLength(MAX_PATH - 1);
  const std::u16string too_long = PathOfLength(MAX_PATH);
  ASSERT_TRUE(MakeFile(fits)) << GetLastError();
  EXPECT_NE(GetFileAttributesW(fits.c_str()), INVALID_FILE_ATTRIBUTES);

  SetLastError(0);
  EXPECT_EQ(CreateFileW(too_long.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_PATH_NOT_FOUND});
  // The literal form reaches the same folder without the limit.
  const std::u16string literal = u"\\\\?\\" + too_long;
  ASSERT_TRUE(MakeFile(literal)) << GetLastError();
  std::string real = "Deep/" + std::string(MAX_PATH - 8, 'n');
  EXPECT_TRUE(PathExists(Real(real)));

  EXPECT_EQ(GetFileAttributesW(too_long.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_PATH_NOT_FOUND});
  EXPECT_FAILS_WITH(DeleteFileW(too_long.c_str()), ERROR_PATH_NOT_FOUND);
  EXPECT_FAILS_WITH(SetFileAttributesW(too_long.c_str(), FILE_ATTRIBUTE_HIDDEN),
                    ERROR_PATH_NOT_FOUND);
  EXPECT_FAILS_WITH(MoveFileExW(too_long.c_str(), u"C:\\Deep\\short", 0), ERROR_PATH_NOT_FOUND);
  EXPECT_FAILS_WITH(MoveFileExW(too_long.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT),
                    ERROR_PATH_NOT_FOUND);
  WIN32_FIND_DATAW data;
  EXPECT_EQ(FindFirstFileW((too_long + u"*").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_PATH_NOT_FOUND});
  EXPECT_TRUE(PathExists(Real(real)));
  EXPECT_NE(GetFileAttributesW((u"\\??\\" + too_long).c_str()), INVALID_FILE_ATTRIBUTES);

  // Relative paths count with the current folder they are read against, and
  // "." and ".." are resolved before the length is judged.
  ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Deep"));
  EXPECT_EQ(GetFileAttributesW(too_long.substr(8).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesW((u"C:\\Deep\\..\\Deep\\" + fits.substr(8)).c_str()),
            INVALID_FILE_ATTRIBUTES);

  EXPECT_TRUE(DeleteFileW(literal.c_str()));
  EXPECT_FALSE(PathExists(Real(real)));
}

TEST_F(PathLimitsTest, NewFoldersKeepRoomForAShortName) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Deep", nullptr));
  const std::u16string longest = PathOfLength(MAX_PATH - 13);
  const std::u16string too_long = PathOfLength(MAX_PATH - 12);
  EXPECT_TRUE(CreateDirectoryW(longest.c_str(), nullptr)) << GetLastError();
  EXPECT_FAILS_WITH(CreateDirectoryW(too_long.c_str(), nullptr), ERROR_FILENAME_EXCED_RANGE);
  EXPECT_FAILS_WITH(CreateDirectoryW((too_long + u"\\").c_str(), nullptr),
                    ERROR_FILENAME_EXCED_RANGE);
  EXPECT_FALSE(PathExists(Real("Deep/" + std::string(MAX_PATH - 12 - 8, 'n'))));
  // A file of that length is fine, and so is the folder through "\\?\".
  EXPECT_TRUE(MakeFile(too_long));
  EXPECT_TRUE(DeleteFileW(too_long.c_str()));
  EXPECT_TRUE(CreateDirectoryW((u"\\\\?\\" + too_long).c_str(), nullptr)) << GetLastError();
  EXPECT_TRUE(RemoveDirectoryW(too_long.c_str()));
}

TEST_F(PathLimitsTest, TheCurrentFolderFitsMaxPathWithItsSeparator) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Deep", nullptr));
  const std::u16string longest = PathOfLength(MAX_PATH - 2);  // and "\" makes 259
  const std::u16string too_long = PathOfLength(MAX_PATH - 1);
  ASSERT_TRUE(CreateDirectoryW((u"\\\\?\\" + longest).c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((u"\\\\?\\" + too_long).c_str(), nullptr));
  EXPECT_TRUE(SetCurrentDirectoryW(longest.c_str())) << GetLastError();
  EXPECT_FAILS_WITH(SetCurrentDirectoryW(too_long.c_str()), ERROR_FILENAME_EXCED_RANGE);
  EXPECT_FAILS_WITH(SetCurrentDirectoryW((u"\\\\?\\" + too_long).c_str()),
                    ERROR_FILENAME_EXCED_RANGE);
  char16_t current[MAX_PATH];
  EXPECT_EQ(GetCurrentDirectoryW(MAX_PATH, current), DWORD{MAX_PATH - 2});
  EXPECT_EQ(std::u16string(current), longest);
}

// ---- "\\?\" paths ----

TEST_F(PathLimitsTest, LiteralPathsAreNeitherResolvedNorTrimmed) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\a", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\b", nullptr));
  ASSERT_TRUE(MakeFile(u"C:\\b\\f.txt"));
  // "..", "." and "/" are no steps: each is a name the file system refuses.
  for (const char16_t* path : {u"\\\\?\\C:\\a\\..\\b\\f.txt", u"\\\\?\\C:\\a\\.\\..\\b",
                               u"\\\\?\\C:\\b/f.txt", u"\\\\?\\C:/b\\f.txt",
                               u"\\\\?\\C:\\b\\\\f.txt"}) {
    EXPECT_EQ(GetFileAttributesW(path), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_NAME});
    EXPECT_FAILS_WITH(DeleteFileW(path), ERROR_INVALID_NAME);
  }
  EXPECT_TRUE(PathExists(Real("b/f.txt")));
  // Without the prefix the same texts are read as Win32 reads them.
  EXPECT_NE(GetFileAttributesW(u"C:\\a\\..\\b\\f.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesW(u"C:/b/f.txt"), INVALID_FILE_ATTRIBUTES);
  // "//?/" is not the literal prefix: the rest is read as any path.
  EXPECT_NE(GetFileAttributesW(u"//?/C:/a/../b/f.txt. "), INVALID_FILE_ATTRIBUTES);
  // Trailing dots and blanks belong to the name.
  EXPECT_EQ(GetFileAttributesW(u"\\\\?\\C:\\b\\f.txt."), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(MakeFile(u"\\\\?\\C:\\b\\f.txt "));
  EXPECT_TRUE(PathExists(Real("b/f.txt ")));
  EXPECT_TRUE(DeleteFileW(u"C:\\b\\f.txt "));  // trimmed: names f.txt
  EXPECT_FALSE(PathExists(Real("b/f.txt")));
  EXPECT_TRUE(PathExists(Real("b/f.txt ")));
}

// ---- DOS device names ----

TEST_F(PathLimitsTest, DeviceNamesAreRecognisedAsWin32ReadsThem) {
  for (const char16_t* name : {u"NUL", u"nul", u"Con", u"prn", u"AUX", u"COM1", u"com9", u"LPT1",
                               u"lpt9", u"NUL.txt", u"nul .log", u"CON.tar.gz", u"aux:",
                               u"NUL  "})
    EXPECT_TRUE(SimIsDosDeviceName(name)) << std::string(name, name + 3);
  for (const char16_t* name : {u"NULL", u"COM0", u"COM10", u"LPT", u" NUL", u"xNUL", u"CONSOLE",
                               u"nul_", u"CO", u"COM", u"LPT0.txt"})
    EXPECT_FALSE(SimIsDosDeviceName(name)) << std::string(name, name + 3);
  EXPECT_EQ(SimDosDeviceOf(u"C:\\x\\nul.txt"), u"nul");
  EXPECT_EQ(SimDosDeviceOf(u"C:\\nowhere\\Com3 . "), u"Com3");
  EXPECT_EQ(SimDosDeviceOf(u"lpt1"), u"lpt1");
  EXPECT_EQ(SimDosDeviceOf(u"C:\\x\\nul\\"), u"");  // a folder's name
  EXPECT_EQ(SimDosDeviceOf(u"C:\\nul\\x"), u"");
  EXPECT_EQ(SimDosDeviceOf(u"\\\\?\\C:\\x\\nul"), u"");
}

TEST_F(PathLimitsTest, DeviceNamesNeverReachAFileOfThatName) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\dev", nullptr));
  // Files of these names exist on disk (made through "\\?\").
  for (const char16_t* name : {u"nul.txt", u"CON", u"aux"})
    ASSERT_TRUE(MakeFile(std::u16string(u"\\\\?\\C:\\dev\\") + name)) << GetLastError();
  ASSERT_TRUE(CreateDirectoryW(u"\\\\?\\C:\\dev\\com1", nullptr));

  // Opening NUL gives the null device: writes vanish, nothing is made.
  HANDLE nul = CreateFileW(u"C:\\dev\\NUL.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(nul, INVALID_HANDLE_VALUE) << GetLastError();
  DWORD done = 0;
  EXPECT_TRUE(WriteFile(nul, "data", 4, &done, nullptr));
  EXPECT_EQ(done, 4u);
  char buffer[8];
  EXPECT_TRUE(ReadFile(nul, buffer, sizeof(buffer), &done, nullptr));
  EXPECT_EQ(done, 0u);
  CloseHandle(nul);
  EXPECT_EQ(ReadTextFile(Real("dev/nul.txt")), "");
  HANDLE nul2 = CreateFileW(u"C:\\nowhere\\nul", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  EXPECT_NE(nul2, INVALID_HANDLE_VALUE);
  CloseHandle(nul2);
  EXPECT_FALSE(PathExists(Real("nowhere")));
  // The machine has no console, printer or ports to open.
  SetLastError(0);
  EXPECT_EQ(CreateFileW(u"C:\\dev\\con", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
  EXPECT_EQ(GetFileAttributesW(u"C:\\dev\\nul.txt"), DWORD{FILE_ATTRIBUTE_ARCHIVE});
  EXPECT_EQ(GetFileAttributesW(u"C:\\dev\\AUX"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
  WIN32_FIND_DATAW data;
  EXPECT_EQ(FindFirstFileW(u"C:\\dev\\con", &data), INVALID_HANDLE_VALUE);
  char16_t full[MAX_PATH];
  EXPECT_EQ(GetFullPathNameW(u"C:\\dev\\Nul.txt", MAX_PATH, full, nullptr), 7u);
  EXPECT_EQ(std::u16string(full), u"\\\\.\\Nul");

  // Nothing that changes a file reaches the files of those names.
  EXPECT_FAILS_WITH(DeleteFileW(u"C:\\dev\\nul.txt"), ERROR_FILE_NOT_FOUND);
  EXPECT_FAILS_WITH(DeleteFileW(u"C:\\dev\\con"), ERROR_FILE_NOT_FOUND);
  EXPECT_FAILS_WITH(DeleteFileW(u"C:\\dev\\Aux."), ERROR_FILE_NOT_FOUND);
  EXPECT_FAILS_WITH(RemoveDirectoryW(u"C:\\dev\\COM1"), ERROR_FILE_NOT_FOUND);
  EXPECT_FAILS_WITH(SetFileAttributesW(u"C:\\dev\\con", FILE_ATTRIBUTE_HIDDEN),
                    ERROR_FILE_NOT_FOUND);
  EXPECT_FAILS_WITH(MoveFileExW(u"C:\\dev\\aux", u"C:\\dev\\moved", 0), ERROR_FILE_NOT_FOUND);
  EXPECT_FAILS_WITH(MoveFileExW(u"C:\\dev\\nul.txt", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT),
                    ERROR_FILE_NOT_FOUND);
  EXPECT_FAILS_WITH(CreateDirectoryW(u"C:\\dev\\lpt1", nullptr), ERROR_FILE_NOT_FOUND);
  for (const char* name : {"dev/nul.txt", "dev/CON", "dev/aux", "dev/com1"})
    EXPECT_TRUE(PathExists(Real(name))) << name;
  EXPECT_FALSE(PathExists(Real("dev/lpt1")));
  EXPECT_FALSE(PathExists(Real("dev/moved")));

  // The literal forms name the files themselves.
  EXPECT_EQ(GetFileAttributesW(u"\\??\\C:\\dev\\CON"), DWORD{FILE_ATTRIBUTE_ARCHIVE});
  EXPECT_TRUE(DeleteFileW(u"\\\\?\\C:\\dev\\nul.txt"));
  EXPECT_TRUE(RemoveDirectoryW(u"\\\\?\\C:\\dev\\com1"));
  EXPECT_FALSE(PathExists(Real("dev/nul.txt")));
}

// ---- Letter case ----

TEST_F(PathLimitsTest, NamesCompareWithTheSimpleUpperCaseMapping) {
  const struct {
    const char16_t* a;
    const char16_t* b;
    bool same;
  } kPairs[] = {
      {u"\u03b1\u03b2\u03b3\u03c2", u"\u0391\u0392\u0393\u03a3", true},  // Greek, final sigma
      {u"\u0436\u0451\u045f", u"\u0416\u0401\u040f", true},               // Cyrillic
      {u"\u0101\u0180\u01c6\u0250", u"\u0100\u0243\u01c4\u2c6f", true},  // Latin Extended
      {u"\uff41\uff5a", u"\uff21\uff3a", true},                           // fullwidth
      {u"\u0561\u10d0\u24d0\uab70", u"\u0531\u1c90\u24b6\u13a0", true},  // Armenian, Georgian,
                                                                         // circled, Cherokee
      {u"\u00b5", u"\u039c", true},                                       // micro sign
      {u"\u00df", u"SS", false},                                          // no full mappings
      {u"\u00df", u"\u1e9e", false},                                      // sharp s has no upper
      {u"\u212a", u"k", false},                                           // Kelvin sign
      {u"\u212a", u"K", false},
      {u"\u0131", u"I", false},  // dotless i never becomes ASCII
      {u"\u017f", u"S", false},  // nor does long s
      {u"\u0130", u"i", false},
      {u"\U00010428", u"\U00010400", false},  // outside the BMP: units compare as they are
  };
  for (const auto& pair : kPairs) {
    const int want = pair.same ? CSTR_EQUAL : 0;
    const int got = CompareStringOrdinal(pair.a, -1, pair.b, -1, TRUE);
    EXPECT_EQ(got == CSTR_EQUAL ? CSTR_EQUAL : 0, want)
        << "pair starting U+" << std::hex << static_cast<int>(pair.a[0]);
  }
  // A lookup on disk agrees with the comparison.
  ASSERT_TRUE(CreateDirectoryW(u"C:\\\u03b1\u0436\uff41", nullptr));
  EXPECT_NE(GetFileAttributesW(u"C:\\\u0391\u0416\uff21"), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(CreateDirectoryW(u"C:\\\u0131", nullptr));
  EXPECT_TRUE(CreateDirectoryW(u"C:\\I", nullptr)) << "dotless i is a name of its own";
  ASSERT_TRUE(CreateDirectoryW(u"C:\\k", nullptr));
  EXPECT_TRUE(CreateDirectoryW(u"C:\\\u212a", nullptr)) << "the Kelvin sign is not k";
}

// ---- Joining ----

TEST_F(PathLimitsTest, JoinsThatDoNotFitFailAndLeaveNothing) {
  const std::u16string base = u"C:\\Program Files\\App";
  const std::u16string name(MAX_PATH - base.size() - 1, u'x');  // joined: MAX_PATH characters
  char16_t buffer[MAX_PATH];
  std::u16string(base).copy(buffer, base.size());
  buffer[base.size()] = 0;
  SetLastError(0);
  EXPECT_FALSE(PathAppendW(buffer, name.c_str()));
  EXPECT_EQ(buffer[0], 0) << "never the folder it was joined to";

  char16_t out[MAX_PATH] = u"untouched";
  EXPECT_EQ(PathCombineW(out, base.c_str(), name.c_str()), nullptr);
  EXPECT_EQ(out[0], 0);
  // One character less fits.
  EXPECT_EQ(PathCombineW(out, base.c_str(), name.substr(1).c_str()), out);
  EXPECT_EQ(std::u16string(out), base + u"\\" + name.substr(1));
  std::u16string(base).copy(buffer, base.size());
  buffer[base.size()] = 0;
  EXPECT_TRUE(PathAppendW(buffer, name.substr(1).c_str()));
  EXPECT_EQ(std::u16string(buffer).size(), size_t{MAX_PATH - 1});
}

}  // namespace
