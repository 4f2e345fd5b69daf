// Operating-system files: the fresh machine's Windows folder, what nobody may
// do to such a file, and what still works.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/protection.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "platform/sim/files/SimPendingRenames.h"
#include "tests/support/SimTestSupport.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

#define EXPECT_DENIED(call)                                                \
  do {                                                                     \
    SetLastError(0);                                                       \
    EXPECT_FALSE(call);                                                    \
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));    \
  } while (0)

class ProtectionTest : public MachineTest {
 protected:
  static bool Protected(const char16_t* path) { return SfcIsFileProtected(nullptr, path) != FALSE; }

  static HANDLE Open(const char16_t* path, DWORD access, DWORD disposition = OPEN_EXISTING,
                     DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    return CreateFileW(path, access, kShareAll, nullptr, disposition,
                       flags | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  }

  static void ExpectOpenDenied(const char16_t* path, DWORD access, DWORD disposition,
                               DWORD flags = 0) {
    SetLastError(0);
    HANDLE h = Open(path, access, disposition, flags);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE) << std::hex << access << " " << disposition;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

TEST_F(ProtectionTest, FreshMachineWindowsFolderIsMarkedThroughout) {
  for (const char16_t* path :
       {u"C:\\Windows", u"C:\\Windows\\notepad.exe", u"C:\\Windows\\win.ini",
        u"C:\\Windows\\System32", u"C:\\Windows\\System32\\kernel32.dll",
        // This 32-bit program reaches the 64-bit-only files through Sysnative.
        u"C:\\Windows\\Sysnative\\ntoskrnl.exe", u"C:\\Windows\\System32\\drivers\\etc\\hosts",
        u"C:\\Windows\\Sysnative\\config\\SOFTWARE", u"C:\\Windows\\Fonts\\arial.ttf",
        u"C:\\Windows\\INF", u"C:\\Windows\\WinSxS", u"C:\\Windows\\Temp",
        u"C:\\Windows\\SysWOW64\\ntdll.dll", u"c:\\windows\\system32\\CMD.EXE"})
    EXPECT_TRUE(Protected(path)) << std::string(path, path + std::char_traits<char16_t>::length(path));
  // Images start as images; text files hold text.
  EXPECT_EQ(ReadTextFile(Real("Windows/System32/kernel32.dll")), "MZ");
  EXPECT_NE(ReadTextFile(Real("Windows/win.ini")).find("[fonts]"), std::string::npos);
  // The mark is no Windows attribute.
  EXPECT_EQ(GetFileAttributesW(u"C:\\Windows\\System32\\kernel32.dll"),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Windows\\System32"),
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

  for (const char16_t* path : {u"C:\\Program Files", u"C:\\Users\\User\\Desktop", u"C:\\"}) {
    SetLastError(0);
    EXPECT_FALSE(Protected(path));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  }
  SetLastError(0);
  EXPECT_FALSE(Protected(u"C:\\Windows\\System32\\missing.dll"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  RecreateMachine(false);
  EXPECT_TRUE(Protected(u"C:\\Windows\\System32\\kernel32.dll"));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Windows\\SysWOW64"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ProtectionTest, NothingChangesMovesOrDeletesAMarkedEntry) {
  const char16_t* dll = u"C:\\Windows\\System32\\kernel32.dll";
  EXPECT_DENIED(DeleteFileW(dll));
  EXPECT_DENIED(DeleteFileW(u"c:/WINDOWS/system32/KERNEL32.DLL"));
  EXPECT_DENIED(SetFileAttributesW(dll, FILE_ATTRIBUTE_NORMAL));
  EXPECT_DENIED(SetFileAttributesW(u"C:\\Windows\\INF", FILE_ATTRIBUTE_HIDDEN));
  EXPECT_DENIED(RemoveDirectoryW(u"C:\\Windows\\INF"));  // empty, still refused
  EXPECT_DENIED(RemoveDirectoryW(u"C:\\Windows\\Temp"));
  EXPECT_DENIED(MoveFileExW(dll, u"C:\\Windows\\System32\\kernel32.old", 0));
  EXPECT_DENIED(MoveFileExW(u"C:\\Windows\\INF", u"C:\\INF", 0));
  EXPECT_DENIED(MoveFileExW(dll, u"C:\\Windows\\System32\\KERNEL32.dll", 0));  // case only

  // As a target it would replace: refused; without replacing, it just exists.
  HANDLE made = Open(u"C:\\Windows\\System32\\new.dll", GENERIC_WRITE, CREATE_NEW);
  ASSERT_NE(made, INVALID_HANDLE_VALUE);
  CloseHandle(made);
  EXPECT_DENIED(MoveFileExW(u"C:\\Windows\\System32\\new.dll", dll, MOVEFILE_REPLACE_EXISTING));
  SetLastError(0);
  EXPECT_FALSE(MoveFileExW(u"C:\\Windows\\System32\\new.dll", dll, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_DENIED(CopyFileW(u"C:\\Windows\\System32\\new.dll", dll, FALSE));

  ExpectOpenDenied(dll, GENERIC_WRITE, OPEN_EXISTING);
  ExpectOpenDenied(dll, FILE_APPEND_DATA, OPEN_EXISTING);
  ExpectOpenDenied(dll, DELETE, OPEN_EXISTING);
  ExpectOpenDenied(dll, FILE_WRITE_ATTRIBUTES, OPEN_EXISTING);
  ExpectOpenDenied(dll, GENERIC_ALL, OPEN_EXISTING);
  ExpectOpenDenied(dll, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE);
  ExpectOpenDenied(dll, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  ExpectOpenDenied(dll, GENERIC_WRITE, TRUNCATE_EXISTING);
  ExpectOpenDenied(dll, GENERIC_WRITE, OPEN_ALWAYS);
  ExpectOpenDenied(u"C:\\Windows\\INF", DELETE, OPEN_EXISTING);

  // A tree removal through the shell stops at the first marked entry.
  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = u"C:\\Windows\\Fonts\0";
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  EXPECT_NE(SHFileOperationW(&op), 0);

  EXPECT_EQ(ReadTextFile(Real("Windows/System32/kernel32.dll")), "MZ");
  EXPECT_TRUE(PathExists(Real("Windows/Fonts/arial.ttf")));
  EXPECT_TRUE(PathExists(Real("Windows/INF")));
  EXPECT_TRUE(PathExists(Real("Windows/Temp")));
}

TEST_F(ProtectionTest, ReadingListingAndNewFilesInsideStillWork) {
  HANDLE reader = Open(u"C:\\Windows\\System32\\ntdll.dll", GENERIC_READ | GENERIC_EXECUTE);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE) << GetLastError();
  char data[4] = {};
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(reader, data, sizeof data, &read, nullptr));
  EXPECT_EQ(std::string(data, read), "MZ");
  CloseHandle(reader);
  HANDLE attributes = Open(u"C:\\Windows\\System32\\ntdll.dll", FILE_READ_ATTRIBUTES);
  ASSERT_NE(attributes, INVALID_HANDLE_VALUE);
  CloseHandle(attributes);

  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(u"C:\\Windows\\System32\\*.dll", &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  int count = 1;
  while (FindNextFileW(find, &found)) ++count;
  FindClose(find);
  EXPECT_GE(count, 5);

  // Installers write into System32 and Temp; what they write is theirs.
  for (const char16_t* path : {u"C:\\Windows\\System32\\vendor.dll", u"C:\\Windows\\Temp\\a.tmp"}) {
    HANDLE made = Open(path, GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(made, INVALID_HANDLE_VALUE) << GetLastError();
    CloseHandle(made);
    EXPECT_FALSE(Protected(path));
    EXPECT_TRUE(SetFileAttributesW(path, FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(DeleteFileW(path)) << GetLastError();
  }
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Windows\\Temp\\Setup", nullptr));
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\Windows\\Temp\\Setup"));
  // A copy of a system file is an ordinary file.
  ASSERT_TRUE(CopyFileW(u"C:\\Windows\\notepad.exe", u"C:\\notepad.exe", TRUE));
  EXPECT_FALSE(Protected(u"C:\\notepad.exe"));
  EXPECT_TRUE(DeleteFileW(u"C:\\notepad.exe"));
}

TEST_F(ProtectionTest, HardLinksShareTheMark) {
  // Like an ACL, the mark belongs to the file, not to one of its names.
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Tools", nullptr));
  ASSERT_EQ(link(Real("Windows/System32/user32.dll").c_str(), Real("Tools/user32.dll").c_str()), 0);
  EXPECT_TRUE(Protected(u"C:\\Tools\\user32.dll"));
  EXPECT_DENIED(DeleteFileW(u"C:\\Tools\\user32.dll"));
  EXPECT_DENIED(MoveFileExW(u"C:\\Tools\\user32.dll", u"C:\\Tools\\other.dll", 0));
  EXPECT_TRUE(PathExists(Real("Tools/user32.dll")));
}

TEST_F(ProtectionTest, RestartLeavesMarkedEntriesInPlace) {
  // Recording is allowed; carrying out is not.
  EXPECT_TRUE(MoveFileExW(u"C:\\Windows\\System32\\cmd.exe", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_TRUE(MoveFileExW(u"C:\\Windows\\regedit.exe", u"C:\\regedit.exe",
                          MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_TRUE(MoveFileExW(u"C:\\Windows\\WinSxS", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  HANDLE made = Open(u"C:\\Windows\\Temp\\left.tmp", GENERIC_WRITE, CREATE_NEW);
  ASSERT_NE(made, INVALID_HANDLE_VALUE);
  CloseHandle(made);
  EXPECT_TRUE(MoveFileExW(u"C:\\Windows\\Temp\\left.tmp", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));

  EXPECT_TRUE(SimRunPendingRenames());
  EXPECT_TRUE(PathExists(Real("Windows/System32/cmd.exe")));
  EXPECT_TRUE(PathExists(Real("Windows/regedit.exe")));
  EXPECT_FALSE(PathExists(Real("regedit.exe")));
  EXPECT_TRUE(PathExists(Real("Windows/WinSxS")));
  EXPECT_FALSE(PathExists(Real("Windows/Temp/left.tmp")));  // ordinary content goes
}

}  // namespace
