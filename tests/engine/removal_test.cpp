// Removal of listed files and folders on a fresh machine.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "engine/ZRemoval.h"
#include "engine/guard/ZDeletionGuard.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/core/SimHost.h"
#include "tests/support/SimTestSupport.h"

namespace {

class RemovalTest : public MachineTest {
 protected:
  void Make(const std::string& relative, const std::string& content = "x") {
    std::string real = Real(relative);
    RunCommand({"/bin/mkdir", "-p", real.substr(0, real.rfind('/'))});
    ASSERT_TRUE(WriteTextFile(real, content));
  }
  // The pending operations as "from|to" strings, "\??\" prefixes removed.
  std::vector<std::string> Pending() {
    std::vector<std::string> out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
      return out;
    char16_t data[4096] = {};
    DWORD size = sizeof(data);
    if (RegQueryValueExW(key, u"PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS) {
      // Pairs of zero-terminated strings; the value ends with one more zero.
      std::vector<std::string> items;
      size_t count = size / sizeof(char16_t), i = 0;
      while (i < count) {
        std::u16string item(data + i);
        i += item.size() + 1;
        if (item.rfind(u"\\??\\", 0) == 0) item.erase(0, 4);
        items.push_back(std::string(item.begin(), item.end()));
      }
      if (items.size() % 2 && !items.empty() && items.back().empty()) items.pop_back();
      for (size_t k = 0; k + 1 < items.size(); k += 2) out.push_back(items[k] + "|" + items[k + 1]);
    }
    RegCloseKey(key);
    return out;
  }
};

TEST(NormalizeDirPath, SeparatorsCollapseAndEndInBackslash) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"C:/a//b\\\\c", u"C:\\a\\b\\c\\"}, {u"C:\\a\\", u"C:\\a\\"}, {u"", u""}, {u"x", u"x\\"}};
  for (const auto& [in, out] : cases) {
    std::u16string path = in;
    NormalizeDirPath(&path);
    EXPECT_EQ(path, out);
  }
}

TEST_F(RemovalTest, TreeGoesWithReadOnlyFilesAndEmptyFolders) {
  Make("Prod/a/b/one.txt");
  Make("Prod/a/ro.txt");
  Make("Prod/top.txt");
  RunCommand({"/bin/mkdir", "-p", Real("Prod/empty/deeper")});
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Prod\\a\\ro.txt", FILE_ATTRIBUTE_READONLY));
  DeleteDirectoryTree(u"C:/Prod//");
  EXPECT_FALSE(PathExists(Real("Prod")));
}

TEST_F(RemovalTest, WhatLiesPastMaxPathStaysWithItsFolders) {
  // C:\Prod\<40 x 5>\... : the deepest file's path passes 260 characters.
  const std::string step(40, 'd');
  std::string deep = "Prod";
  for (int i = 0; i < 6; ++i) deep += "/" + step;
  Make("Prod/top.txt");
  Make("Prod/" + step + "/near.txt");
  Make(deep + "/far.txt");
  Make("Other/keep.txt");
  DeleteDirectoryTree(u"C:\\Prod");
  EXPECT_FALSE(PathExists(Real("Prod/top.txt")));
  EXPECT_FALSE(PathExists(Real("Prod/" + step + "/near.txt")));
  EXPECT_TRUE(PathExists(Real(deep + "/far.txt"))) << "Win32 paths cannot reach it";
  EXPECT_TRUE(PathExists(Real("Other/keep.txt")));
  // What is left waits for the restart; nothing outside the folder does.
  const auto pending = Pending();
  EXPECT_FALSE(pending.empty());
  for (const auto& entry : pending)
    EXPECT_TRUE(entry.rfind("C:\\Prod\\", 0) == 0 || entry == "C:\\Prod|") << entry;
}

TEST_F(RemovalTest, LinksAreRemovedNotFollowed) {
  Make("Outside/keep/data.txt");
  Make("Prod/file.txt");
  ASSERT_EQ(symlink(Real("Outside").c_str(), Real("Prod/link").c_str()), 0);
  ASSERT_EQ(symlink("/", Real("Prod/root").c_str()), 0);
  ASSERT_EQ(symlink(Real("Outside").c_str(), Real("LinkedProd").c_str()), 0);
  DeleteDirectoryTree(u"C:\\Prod");
  EXPECT_FALSE(PathExists(Real("Prod")));
  // A listed folder that is itself a link is not touched at all.
  EXPECT_FALSE(DeleteDirectoryTree(u"C:\\LinkedProd"));
  EXPECT_TRUE(PathExists(Real("LinkedProd")));
  EXPECT_TRUE(PathExists(Real("Outside/keep/data.txt")));
}

TEST_F(RemovalTest, ProtectedFoldersAreLeftAlone) {
  Make("Program Files/Other Product/keep.txt");
  Make("Users/User/AppData/Roaming/keep.txt");
  Make("Users/User/Desktop/keep.lnk");
  for (const char16_t* path : {u"C:\\", u"C:", u"C:\\Program Files", u"c:\\program files\\",
                               u"C:\\Users\\User\\AppData", u"C:\\Users\\User\\Desktop",
                               u"C:\\Users", u"C:\\Windows", u"C:\\ProgramData\\Microsoft\\Windows",
                               u"C:\\Users\\User\\AppData\\Local\\Temp"}) {
    ZDeletionGuard guard;
    EXPECT_EQ(guard.ApproveFolder(path), u"") << std::string(path, path + std::char_traits<char16_t>::length(path));
    DeleteDirectoryTree(path);
    RemoveRecordPath(path, true);
    RemoveRecordPath(path, false);
  }
  EXPECT_TRUE(PathExists(Real("Program Files/Other Product/keep.txt")));
  EXPECT_TRUE(PathExists(Real("Users/User/AppData/Roaming/keep.txt")));
  EXPECT_TRUE(PathExists(Real("Users/User/Desktop/keep.lnk")));
  EXPECT_TRUE(Pending().empty());
  // The product's own folders below them are not protected.
  ZDeletionGuard guard;
  EXPECT_EQ(guard.ApproveFolder(u"C:\\Program Files\\Other Product"), u"C:\\Program Files\\Other Product");
  EXPECT_EQ(guard.ApproveFolder(u"c:\\users\\user\\appdata\\roaming\\Vendor\\"),
            u"C:\\Users\\User\\AppData\\Roaming\\Vendor");
  RemoveRecordPath(u"C:\\Program Files\\Other Product", true);
  EXPECT_FALSE(PathExists(Real("Program Files/Other Product")));
}

TEST_F(RemovalTest, FilesThatCannotBeDeletedAreRenamedAndLeftForTheRestart) {
  Make("Prod/free.txt");
  Make("Prod/held.dll");
  Make("Prod/readonly.txt");
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Prod\\readonly.txt", FILE_ATTRIBUTE_READONLY));
  // Held open without delete sharing: neither deleted nor renamed, as on Windows.
  HANDLE held = CreateFileW(u"C:\\Prod\\held.dll", GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  RemoveRecordPath(u"C:\\Prod\\free.txt", false);
  RemoveRecordPath(u"C:\\Prod\\held.dll", false);
  RemoveRecordPath(u"C:\\Prod\\readonly.txt", false);
  RemoveRecordPath(u"C:\\Prod\\missing.txt", false);
  CloseHandle(held);
  EXPECT_FALSE(PathExists(Real("Prod/free.txt")));
  EXPECT_TRUE(PathExists(Real("Prod/held.dll")));
  // A read-only file listed directly is not cleared: it is renamed instead.
  EXPECT_FALSE(PathExists(Real("Prod/readonly.txt")));
  auto pending = Pending();
  ASSERT_EQ(pending.size(), 2u);
  // Held without delete sharing: it goes at the restart under its own name.
  EXPECT_EQ(pending[0], "C:\\Prod\\held.dll|");
  EXPECT_EQ(pending[1].rfind("C:\\Prod\\readonly.txt_", 0), 0u) << pending[1];
  EXPECT_EQ(pending[1].substr(pending[1].size() - 5), "_del|") << pending[1];
}

TEST_F(RemovalTest, ProgramsRunningFromAListedFileAreEndedFirst) {
  std::string program = InstallHelper(u"C:\\Prod", "app.exe");
  std::string other = InstallHelper(u"C:\\Other", "app.exe");
  ChildProcess first, second, elsewhere;
  ASSERT_TRUE(StartInMachine(&first, program, {"sleep"}));
  ASSERT_TRUE(StartInMachine(&second, program, {"sleep"}));
  ASSERT_TRUE(StartInMachine(&elsewhere, other, {"sleep"}));
  for (auto* child : {&first, &second, &elsewhere}) ASSERT_EQ(child->ReadLine(), "ready");
  RemoveRecordPath(u"c:\\prod\\APP.EXE", false);
  EXPECT_EQ(first.Wait(5000), 128 + 9);
  EXPECT_EQ(second.Wait(5000), 128 + 9);
  EXPECT_TRUE(elsewhere.Running());
  EXPECT_FALSE(PathExists(program));
  EXPECT_TRUE(Pending().empty());
}

TEST_F(RemovalTest, OwnProgramFileIsRenamedNotTerminated) {
  std::string program = InstallHelper(u"C:\\Prod", "uninst.exe");
  ChildProcess self;
  ASSERT_TRUE(StartInMachine(&self, program, {"sleep"}));
  ASSERT_EQ(self.ReadLine(), "ready");
  // As if this process were the uninstaller running from that file.
  SimHost::SetModulePath(u"C:\\PROD\\UNINST.EXE");
  RemoveRecordPath(u"C:\\Prod\\uninst.exe", false);
  EXPECT_TRUE(self.Running());
  EXPECT_FALSE(PathExists(program));
  ASSERT_EQ(Pending().size(), 1u);
  // Its own deletion finds nothing more to rename.
  ScheduleSelfDelete();
  EXPECT_EQ(Pending().size(), 1u);
}

TEST_F(RemovalTest, ScheduleSelfDeleteRenamesTheProgram) {
  Make("Prod/uninst.exe");
  SimHost::SetModulePath(u"C:\\Prod\\uninst.exe");
  ScheduleSelfDelete();
  EXPECT_FALSE(PathExists(Real("Prod/uninst.exe")));
  auto pending = Pending();
  ASSERT_EQ(pending.size(), 1u);
  EXPECT_EQ(pending[0].rfind("C:\\Prod\\uninst.exe_", 0), 0u);
}

}  // namespace

namespace {

TEST_F(RemovalTest, HeldFilesTheSystemNeedsAreNeverScheduledInPlace) {
  // Neither deleted nor renamed now (held without delete sharing): only a
  // product's own file may go at the restart under its own name, never a file
  // of the Windows folder, one directly in a known folder, or one in the
  // system's own part of a profile.
  const char* held[] = {"Windows/SysWOW64/config/USERDIFF", "Users/User/Documents/held.txt",
                        "Users/User/AppData/Local/Microsoft/Windows/UsrClass.dat",
                        "Prod/held.dll"};
  std::vector<HANDLE> handles;
  for (const char* file : held) {
    Make(file);
    std::string win = std::string("C:\\") + file;
    for (auto& c : win)
      if (c == '/') c = '\\';
    std::u16string path(win.begin(), win.end());
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << file;
    handles.push_back(handle);
    RemoveRecordPath(path, false);
  }
  for (HANDLE handle : handles) CloseHandle(handle);
  for (const char* file : held) EXPECT_TRUE(PathExists(Real(file))) << file;
  EXPECT_EQ(Pending(), (std::vector<std::string>{"C:\\Prod\\held.dll|"}));
}

}  // namespace
