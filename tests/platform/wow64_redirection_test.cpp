// File-system redirection of a 32-bit program (this test program, unless it
// says it is native) on a 64-bit machine: System32 is SysWOW64 but for the
// shared folders, Sysnative is the real System32, and a thread can turn the
// redirector off for itself.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/sim/core/SimHost.h"
#include "tests/support/SimTestSupport.h"

namespace {

struct NativeProgram {
  NativeProgram() { SimHost::SetNativeProcess(true); }
  ~NativeProgram() { SimHost::SetNativeProcess(false); }
};

class Wow64RedirectionTest : public MachineTest {
 protected:
  static bool Make(const char16_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
  }
  static bool Exists(const char16_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
  }
  static std::u16string Variable(const char16_t* name) {
    char16_t value[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::u16string(value, n) : u"<missing>";
  }
};

TEST_F(Wow64RedirectionTest, System32IsSysWow64ForA32BitProgram) {
  ASSERT_TRUE(Make(u"C:\\Windows\\System32\\made32.txt"));
  EXPECT_TRUE(PathExists(Real("Windows/SysWOW64/made32.txt")));
  EXPECT_FALSE(PathExists(Real("Windows/System32/made32.txt")));
  // Any spelling of the folder, and its own listing.
  EXPECT_TRUE(Exists(u"c:\\WINDOWS\\system32\\MADE32.txt"));
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(u"C:\\Windows\\System32\\made*", &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::u16string(found.cFileName), u"made32.txt");
  FindClose(find);

  // Sysnative reaches the real one.
  ASSERT_TRUE(Make(u"C:\\Windows\\Sysnative\\made64.txt"));
  EXPECT_TRUE(PathExists(Real("Windows/System32/made64.txt")));
  EXPECT_FALSE(Exists(u"C:\\Windows\\System32\\made64.txt"));
  EXPECT_TRUE(DeleteFileW(u"C:\\Windows\\Sysnative\\made64.txt"));
  EXPECT_FALSE(PathExists(Real("Windows/System32/made64.txt")));

  // Shared folders are not redirected; their look-alikes elsewhere are.
  EXPECT_TRUE(Exists(u"C:\\Windows\\System32\\drivers\\etc\\hosts"));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Windows\\System32\\spool", nullptr));
  EXPECT_TRUE(PathExists(Real("Windows/System32/spool")));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Windows\\System32\\catroot2", nullptr));
  EXPECT_TRUE(PathExists(Real("Windows/System32/catroot2")));
  // drivers itself is redirected; only its etc folder is shared.
  ASSERT_TRUE(Make(u"C:\\Windows\\System32\\drivers\\x32.sys"));
  EXPECT_TRUE(PathExists(Real("Windows/SysWOW64/drivers/x32.sys")));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Other", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Other\\System32", nullptr));
  ASSERT_TRUE(Make(u"C:\\Other\\System32\\x.txt"));
  EXPECT_TRUE(PathExists(Real("Other/System32/x.txt")));
  // The text of a path stays as written.
  char16_t full[MAX_PATH];
  ASSERT_GT(GetFullPathNameW(u"C:\\Windows\\System32\\x.txt", MAX_PATH, full, nullptr), 0u);
  EXPECT_EQ(std::u16string(full), u"C:\\Windows\\System32\\x.txt");
}

TEST_F(Wow64RedirectionTest, DisablingIsPerThreadAndRevertible) {
  PVOID old = nullptr;
  ASSERT_TRUE(Wow64DisableWow64FsRedirection(&old));
  ASSERT_TRUE(Make(u"C:\\Windows\\System32\\native.txt"));
  EXPECT_TRUE(PathExists(Real("Windows/System32/native.txt")));
  bool other_thread_sees = true;
  std::thread other([&] { other_thread_sees = Exists(u"C:\\Windows\\System32\\native.txt"); });
  other.join();
  EXPECT_FALSE(other_thread_sees) << "another thread is still redirected";

  // Nested: the inner revert restores the outer "off".
  PVOID inner = nullptr;
  ASSERT_TRUE(Wow64DisableWow64FsRedirection(&inner));
  ASSERT_TRUE(Wow64RevertWow64FsRedirection(inner));
  EXPECT_TRUE(Exists(u"C:\\Windows\\System32\\native.txt"));
  ASSERT_TRUE(Wow64RevertWow64FsRedirection(old));
  EXPECT_FALSE(Exists(u"C:\\Windows\\System32\\native.txt"));
  EXPECT_TRUE(Exists(u"C:\\Windows\\Sysnative\\native.txt"));
}

TEST_F(Wow64RedirectionTest, NativeProgramsAnd32BitMachinesSeeNoRedirection) {
  {
    NativeProgram native;
    ASSERT_TRUE(Make(u"C:\\Windows\\System32\\n.txt"));
    EXPECT_TRUE(PathExists(Real("Windows/System32/n.txt")));
    EXPECT_FALSE(Exists(u"C:\\Windows\\Sysnative\\n.txt")) << "only 32-bit programs have it";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  }
  RecreateMachine(false);
  ASSERT_TRUE(Make(u"C:\\Windows\\System32\\x86.txt"));
  EXPECT_TRUE(PathExists(Real("Windows/System32/x86.txt")));
  PVOID old = nullptr;
  SetLastError(0);
  EXPECT_FALSE(Wow64DisableWow64FsRedirection(&old));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
  EXPECT_EQ(Variable(u"ProgramFiles"), u"C:\\Program Files");
  EXPECT_EQ(Variable(u"ProgramW6432"), u"<missing>");
}

TEST_F(Wow64RedirectionTest, ProgramFilesVariablesOfA32BitProgram) {
  EXPECT_EQ(Variable(u"ProgramFiles"), u"C:\\Program Files (x86)");
  EXPECT_EQ(Variable(u"ProgramFiles(x86)"), u"C:\\Program Files (x86)");
  EXPECT_EQ(Variable(u"ProgramW6432"), u"C:\\Program Files");
  EXPECT_EQ(Variable(u"CommonProgramFiles"), u"C:\\Program Files (x86)\\Common Files");
  EXPECT_EQ(Variable(u"CommonProgramFiles(x86)"), u"C:\\Program Files (x86)\\Common Files");
  EXPECT_EQ(Variable(u"CommonProgramW6432"), u"C:\\Program Files\\Common Files");
  // A native program of the same machine sees the 64-bit folders.
  NativeProgram native;
  EXPECT_EQ(Variable(u"ProgramFiles"), u"C:\\Program Files");
  EXPECT_EQ(Variable(u"CommonProgramFiles"), u"C:\\Program Files\\Common Files");
  EXPECT_EQ(Variable(u"PROCESSOR_ARCHITECTURE"), u"AMD64");
  EXPECT_EQ(Variable(u"PROCESSOR_ARCHITEW6432"), u"<missing>");
  EXPECT_EQ(Variable(u"ProgramFiles(x86)"), u"C:\\Program Files (x86)");
}

}  // namespace
