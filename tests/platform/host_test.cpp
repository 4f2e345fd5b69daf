// The simulated host itself: Windows path rules, machine discovery, the module
// path and the machine's environment.
#include <gtest/gtest.h>

#include "platform/kernel.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/files/SimPath.h"
#include "tests/support/SimTestSupport.h"

namespace {

std::u16string Parsed(const char16_t* path, DWORD* error = nullptr) {
  SimWinPath parsed;
  DWORD e = SimParsePath(path, &parsed);
  if (error) *error = e;
  return e ? u"" : parsed.Text();
}

class HostTest : public MachineTest {};

TEST_F(HostTest, PathsFollowWin32Rules) {
  EXPECT_EQ(Parsed(u"c:/Program Files//Sample\\.\\x\\..\\file.txt"), u"C:\\Program Files\\Sample\\file.txt");
  EXPECT_EQ(Parsed(u"C:\\..\\..\\Windows"), u"C:\\Windows");  // never above the root
  EXPECT_EQ(Parsed(u"\\\\?\\C:\\Temp\\a"), u"C:\\Temp\\a");
  EXPECT_EQ(Parsed(u"\\??\\C:\\Temp\\a"), u"C:\\Temp\\a");
  EXPECT_EQ(Parsed(u"C:\\dir.\\name. . "), u"C:\\dir\\name");  // trailing dots and blanks go
  SimHost::SetCurrentDirectory(u"C:\\Users\\User");
  EXPECT_EQ(Parsed(u"Desktop\\a.lnk"), u"C:\\Users\\User\\Desktop\\a.lnk");
  EXPECT_EQ(Parsed(u"\\Windows"), u"C:\\Windows");
  DWORD error = 0;
  Parsed(u"C:\\a<b", &error);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_NAME));
  Parsed(u"\\\\server\\share\\x", &error);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_BAD_NETPATH));
  Parsed(u"", &error);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(HostTest, RealPathsMapBothWays) {
  EXPECT_EQ(SimWinPathFromReal(MachineDir() + "/drives/c/Program Files/x.exe"),
            u"C:\\Program Files\\x.exe");
  EXPECT_EQ(SimWinPathFromReal("/usr/bin/env"), u"\\usr\\bin\\env");  // outside: no drive
  std::string real;
  ASSERT_EQ(SimResolveExistingW(u"c:\\USERS\\user\\desktop", &real), 0u);
  EXPECT_EQ(real, MachineDir() + "/drives/c/Users/User/Desktop");
  EXPECT_EQ(SimResolveExistingW(u"C:\\Users\\Nobody\\Desktop", &real),
            static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(SimResolveExistingW(u"C:\\Users\\User\\none.txt", &real),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(SimResolveExistingW(u"Q:\\x", &real), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(HostTest, EnvironmentComesFromTheMachine) {
  char16_t buffer[300];
  DWORD n = ExpandEnvironmentStringsW(u"%TEMP%\\x;%NOPE%;%%;%temp", buffer, 300);
  EXPECT_EQ(std::u16string(buffer), u"C:\\Users\\User\\AppData\\Local\\Temp\\x;%NOPE%;%%;%temp");
  EXPECT_EQ(n, std::u16string(buffer).size() + 1);
  // Too small a buffer: the size needed comes back.
  EXPECT_EQ(ExpandEnvironmentStringsW(u"%TEMP%", buffer, 4), 33u);
  ASSERT_TRUE(SetEnvironmentVariableW(u"TEMP", u"D:\\T"));
  ExpandEnvironmentStringsW(u"%Temp%", buffer, 300);
  EXPECT_EQ(std::u16string(buffer), u"D:\\T");
  EXPECT_EQ(GetEnvironmentVariableW(u"NOPE", buffer, 300), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
}

TEST_F(HostTest, ProgramsFindTheirMachineAndModulePath) {
  // The helper prints its module path and command line with the "self" command.
  std::string program = InstallHelper(u"C:\\Program Files\\Tool", "Tool.exe");
  ChildProcess child;
  ASSERT_TRUE(child.Start(program, {"self", "/at", "two words"}, {}));  // no SIMHOST_MACHINE
  EXPECT_EQ(child.ReadLine(), "module C:\\Program Files\\Tool\\Tool.exe");
  EXPECT_EQ(child.ReadLine(), "cmdline \"C:\\Program Files\\Tool\\Tool.exe\" self /at \"two words\"");
  EXPECT_EQ(child.Wait(), 0);
}

TEST_F(HostTest, ModuleFileNameTruncatesLikeWindows) {
  SimHost::SetModulePath(u"C:\\Program Files\\Sample Product\\uninst.exe");
  char16_t buffer[MAX_PATH];
  EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, MAX_PATH), 42u);
  EXPECT_EQ(std::u16string(buffer), u"C:\\Program Files\\Sample Product\\uninst.exe");
  EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 8), 8u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::u16string(buffer), u"C:\\Prog");
}

}  // namespace
