// Enumeration, renames (also at restart) and shell file operations on the
// simulated host.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/sim/files/SimPendingRenames.h"
#include "tests/support/SimTestSupport.h"

namespace {

class FileTreeTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Work", nullptr));
  }

  static void Write(const std::u16string& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  }

  static std::vector<std::u16string> Names(const char16_t* pattern, DWORD* error = nullptr) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) {
      if (error) *error = GetLastError();
      return names;
    }
    do names.emplace_back(data.cFileName);
    while (FindNextFileW(find, &data));
    if (error) *error = GetLastError();
    FindClose(find);
    return names;
  }

  std::string Work(const std::string& name) const { return Real("Work/" + name); }

  std::u16string PendingValue(DWORD* type = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                      0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
      return u"<no key>";
    char16_t data[2048];
    DWORD size = sizeof(data), value_type = 0;
    LSTATUS status = RegQueryValueExW(key, u"PendingFileRenameOperations", nullptr, &value_type,
                                      reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (type) *type = value_type;
    if (status != ERROR_SUCCESS) return u"<none>";
    return std::u16string(data, size / sizeof(char16_t));
  }
};

TEST_F(FileTreeTest, FindListsDotsFirstThenUpperCaseOrder) {
  for (const char16_t* name : {u"C:\\Work\\b.txt", u"C:\\Work\\A.txt", u"C:\\Work\\_x",
                               u"C:\\Work\\zed.log"})
    Write(name, "12345");
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work\\Mid", nullptr));

  DWORD error = 0;
  // "_" sorts after the letters once they are upper-cased.
  EXPECT_EQ(Names(u"C:\\Work\\*", &error),
            (std::vector<std::u16string>{u".", u"..", u"A.txt", u"b.txt", u"Mid", u"zed.log",
                                         u"_x"}));
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_EQ(Names(u"c:/work/*.TXT"), (std::vector<std::u16string>{u"A.txt", u"b.txt"}));
  EXPECT_EQ(Names(u"C:\\Work\\?.txt"), (std::vector<std::u16string>{u"A.txt", u"b.txt"}));
  EXPECT_EQ(Names(u"C:\\Work\\mid"), (std::vector<std::u16string>{u"Mid"}));
  // A drive's root has no dots.
  std::vector<std::u16string> root = Names(u"C:\\*");
  ASSERT_FALSE(root.empty());
  EXPECT_NE(root[0], u".");

  Names(u"C:\\Work\\*.none", &error);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  Names(u"C:\\Missing\\*", &error);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FileTreeTest, FindFillsTheEntryAndReadsTheFolderOnce) {
  Write(u"C:\\Work\\data.bin", std::string(1000, 'x'));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work\\Dir", nullptr));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\data.bin", FILE_ATTRIBUTE_HIDDEN));
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(u"C:\\Work\\*", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));  // "."
  Write(u"C:\\Work\\late.txt", "");  // after the search started: not listed
  ASSERT_TRUE(FindNextFileW(find, &data));  // ".."
  ASSERT_TRUE(FindNextFileW(find, &data));
  EXPECT_EQ(std::u16string(data.cFileName), u"data.bin");
  EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(data.nFileSizeLow, 1000u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  // FILETIME counts from 1601: any recent time is far above 2^56.
  EXPECT_GT(data.ftLastWriteTime.dwHighDateTime, 0x01D00000u);
  EXPECT_GT(data.ftCreationTime.dwHighDateTime, 0x01D00000u);
  ASSERT_TRUE(FindNextFileW(find, &data));
  EXPECT_EQ(std::u16string(data.cFileName), u"Dir");
  EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  SetLastError(0);
  EXPECT_FALSE(FindNextFileW(find, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(find));
  EXPECT_FALSE(FindClose(find));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FileTreeTest, FindNeverEntersLinks) {
  TempDir outside;
  ASSERT_TRUE(WriteTextFile(outside.Path() + "/keep.txt", "keep"));
  ASSERT_EQ(symlink(outside.Path().c_str(), Work("link").c_str()), 0);
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(u"C:\\Work\\link", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.dwFileAttributes,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  FindClose(find);
  EXPECT_EQ(FindFirstFileW(u"C:\\Work\\link\\*", &data), INVALID_HANDLE_VALUE);

  // A recursive shell delete removes the link, not what it points to.
  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = u"C:\\Work\0";
  op.fFlags = 0x0614;
  EXPECT_EQ(SHFileOperationW(&op), 0);
  EXPECT_FALSE(PathExists(Real("Work")));
  EXPECT_EQ(ReadTextFile(outside.Path() + "/keep.txt"), "keep");
}

TEST_F(FileTreeTest, MoveFollowsWindowsRules) {
  Write(u"C:\\Work\\a.txt", "a");
  Write(u"C:\\Work\\b.txt", "b");
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work\\Dir", nullptr));

  SetLastError(0);
  EXPECT_FALSE(MoveFileExW(u"C:\\Work\\a.txt", u"C:\\Work\\B.TXT", 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(MoveFileExW(u"C:\\Work\\a.txt", u"C:\\Work\\B.TXT", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(ReadTextFile(Work("B.TXT")), "a");  // the replaced entry takes the new spelling
  EXPECT_FALSE(PathExists(Work("b.txt")));
  EXPECT_FALSE(PathExists(Work("a.txt")));

  EXPECT_FALSE(MoveFileExW(u"C:\\Work\\B.TXT", u"C:\\Work\\Dir", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(MoveFileExW(u"C:\\Work\\none", u"C:\\Work\\x", 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(MoveFileExW(u"C:\\Work\\B.TXT", u"C:\\None\\x", 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  // Another case of the same name is a rename, not a collision.
  EXPECT_TRUE(MoveFileExW(u"C:\\Work\\B.TXT", u"C:\\Work\\b.Txt", 0));
  EXPECT_TRUE(PathExists(Work("b.Txt")));
  EXPECT_FALSE(PathExists(Work("B.TXT")));
  EXPECT_TRUE(MoveFileExW(u"C:\\Work\\dir", u"C:\\Work\\Moved Dir", 0));
  EXPECT_TRUE(PathExists(Work("Moved Dir")));

  // Another drive only with copying allowed.
  ASSERT_EQ(mkdir((MachineDir() + "/drives/d").c_str(), 0755), 0);
  EXPECT_FALSE(MoveFileExW(u"C:\\Work\\b.Txt", u"D:\\b.txt", 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SAME_DEVICE));
  EXPECT_TRUE(MoveFileExW(u"C:\\Work\\b.Txt", u"D:\\b.txt", MOVEFILE_COPY_ALLOWED));
  EXPECT_EQ(ReadTextFile(MachineDir() + "/drives/d/b.txt"), "a");
  EXPECT_FALSE(PathExists(Work("b.Txt")));
}

TEST_F(FileTreeTest, DelayUntilRebootRecordsTheOperations) {
  Write(u"C:\\Work\\a.txt", "a");
  ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Work"));
  ASSERT_TRUE(MoveFileExW(u"C:\\Work\\a.txt", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(MoveFileExW(u"b.txt", u"c:/work/c.txt",
                          MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
  ASSERT_TRUE(MoveFileExW(u"C:\\Work\\d", u"C:\\Work\\e", MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_TRUE(PathExists(Work("a.txt")));  // nothing happens before the restart

  DWORD type = 0;
  // Source, target, source, target ...; an empty target deletes; one more zero ends it.
  std::u16string expected;
  for (const char16_t* item : {u"\\??\\C:\\Work\\a.txt", u"", u"\\??\\C:\\Work\\b.txt",
                               u"!\\??\\C:\\work\\c.txt", u"\\??\\C:\\Work\\d",
                               u"\\??\\C:\\Work\\e"}) {
    expected += item;
    expected += u'\0';
  }
  expected += u'\0';
  EXPECT_EQ(PendingValue(&type), expected);
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));

  EXPECT_FALSE(MoveFileExW(u"C:\\Work\\a.txt", nullptr,
                           MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_COPY_ALLOWED));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(FileTreeTest, PendingOperationsRunAtRestart) {
  Write(u"C:\\Work\\gone.txt", "1");
  Write(u"C:\\Work\\from.txt", "from");
  Write(u"C:\\Work\\into.txt", "old");
  Write(u"C:\\Work\\keep-src.txt", "src");
  Write(u"C:\\Work\\keep-dst.txt", "dst");
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work\\Empty", nullptr));
  const DWORD later = MOVEFILE_DELAY_UNTIL_REBOOT;
  ASSERT_TRUE(MoveFileExW(u"C:\\Work\\GONE.txt", nullptr, later));
  ASSERT_TRUE(MoveFileExW(u"C:\\Work\\missing.txt", nullptr, later));  // failures are skipped
  ASSERT_TRUE(MoveFileExW(u"C:\\Work\\from.txt", u"C:\\Work\\into.txt",
                          later | MOVEFILE_REPLACE_EXISTING));
  ASSERT_TRUE(MoveFileExW(u"C:\\Work\\keep-src.txt", u"C:\\Work\\keep-dst.txt", later));
  ASSERT_TRUE(MoveFileExW(u"C:\\Work\\Empty", nullptr, later));

  ASSERT_TRUE(SimRunPendingRenames());
  EXPECT_FALSE(PathExists(Work("gone.txt")));
  EXPECT_FALSE(PathExists(Work("Empty")));
  EXPECT_FALSE(PathExists(Work("from.txt")));
  EXPECT_EQ(ReadTextFile(Work("into.txt")), "from");
  EXPECT_EQ(ReadTextFile(Work("keep-src.txt")), "src");  // no "!": the target stays
  EXPECT_EQ(ReadTextFile(Work("keep-dst.txt")), "dst");
  EXPECT_EQ(PendingValue(), u"<none>");
  EXPECT_TRUE(SimRunPendingRenames());  // nothing pending is fine too
}

TEST_F(FileTreeTest, ALiteralPathIsRecordedInNtFormAndCarriedOutPastMaxPath) {
  // Deeper than MAX_PATH: only the literal form reaches it.
  const std::u16string tail = std::u16string(200, u'd') + u"\\" + std::u16string(100, u'n');
  const std::u16string literal = u"\\\\?\\C:\\Work\\" + tail;
  ASSERT_TRUE(CreateDirectoryW((u"\\\\?\\C:\\Work\\" + tail.substr(0, 200)).c_str(), nullptr));
  HANDLE file = CreateFileW(literal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  ASSERT_TRUE(MoveFileExW(literal.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_EQ(PendingValue(), u"\\??\\C:\\Work\\" + tail + std::u16string(3, u'\0'));
  ASSERT_TRUE(SimRunPendingRenames());
  EXPECT_FALSE(PathExists(Work(std::string(200, 'd') + "/" + std::string(100, 'n'))));
  EXPECT_TRUE(PathExists(Work(std::string(200, 'd'))));
}

TEST_F(FileTreeTest, ShellCopiesANestedTreeIntoAnExistingFolder) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Src", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Src\\skin", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Src\\skin\\sub", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Src\\skin\\sub\\deeper", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Src\\skin\\empty", nullptr));
  Write(u"C:\\Src\\skin\\a.png", "png");
  Write(u"C:\\Src\\skin\\sub\\b.xml", "<b/>");
  Write(u"C:\\Src\\skin\\sub\\deeper\\c.txt", "c");
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Src\\skin\\sub\\b.xml", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Dst", nullptr));

  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_COPY;
  op.pFrom = u"C:\\Src\\skin\0";
  op.pTo = u"C:\\Dst\0";
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
  ASSERT_EQ(op.fFlags, 0x0614);
  ASSERT_EQ(SHFileOperationW(&op), 0);
  EXPECT_EQ(ReadTextFile(Real("Dst/skin/a.png")), "png");
  EXPECT_EQ(ReadTextFile(Real("Dst/skin/sub/b.xml")), "<b/>");
  EXPECT_EQ(ReadTextFile(Real("Dst/skin/sub/deeper/c.txt")), "c");
  EXPECT_TRUE(PathExists(Real("Dst/skin/empty")));
  EXPECT_TRUE(PathExists(Real("Src/skin/a.png")));

  // Again over the first copy, read-only file included.
  ASSERT_EQ(SHFileOperationW(&op), 0);
  EXPECT_EQ(ReadTextFile(Real("Dst/skin/sub/b.xml")), "<b/>");

  // Into a folder that does not exist yet, parents included: the copy takes its name.
  op.pTo = u"C:\\New\\Place\0";
  ASSERT_EQ(SHFileOperationW(&op), 0);
  EXPECT_EQ(ReadTextFile(Real("New/Place/sub/deeper/c.txt")), "c");

  // Several sources through a wildcard land inside the target.
  op.pFrom = u"C:\\Src\\skin\\*\0";
  op.pTo = u"C:\\Flat\0";
  ASSERT_EQ(SHFileOperationW(&op), 0);
  EXPECT_EQ(ReadTextFile(Real("Flat/a.png")), "png");
  EXPECT_EQ(ReadTextFile(Real("Flat/sub/b.xml")), "<b/>");

  op.pFrom = u"C:\\Src\\none\0";
  EXPECT_NE(SHFileOperationW(&op), 0);
  op.pFrom = u"C:\\Src\0";
  op.pTo = u"C:\\Src\\skin\0";
  EXPECT_NE(SHFileOperationW(&op), 0) << "a folder cannot go into itself";
}

TEST_F(FileTreeTest, ShellDeletesTrees) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work\\a", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work\\a\\b", nullptr));
  Write(u"C:\\Work\\a\\b\\x.txt", "x");
  Write(u"C:\\Work\\a\\ro.txt", "r");
  Write(u"C:\\Work\\single.txt", "s");
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\a\\ro.txt", FILE_ATTRIBUTE_READONLY));

  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = u"C:\\Work\\A\0C:\\Work\\single.txt\0";
  op.fFlags = 0x0614;
  EXPECT_EQ(SHFileOperationW(&op), 0);
  EXPECT_FALSE(PathExists(Work("a")));
  EXPECT_FALSE(PathExists(Work("single.txt")));
  EXPECT_TRUE(PathFileExistsW(u"C:\\Work"));
  EXPECT_FALSE(PathFileExistsW(u"C:\\Work\\a"));
  op.pFrom = u"C:\\Work\\a\0";
  EXPECT_NE(SHFileOperationW(&op), 0);
}

}  // namespace
