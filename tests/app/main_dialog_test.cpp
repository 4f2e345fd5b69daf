// The main object's own steps, run in-process on a fresh machine.
#include <gtest/gtest.h>
#include <httplib.h>
// The resolver's headers under httplib name a DNS opcode DELETE; here it is
// the access right of the platform layer.
#undef DELETE
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "app/FirewallException.h"
#include "app/ZUnInstallMainDlg.h"
#include "packet_public/ZInstallConfigLoader.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/shell.h"
#include "platform/sim/core/SimHost.h"
#include "tests/support/SimTestSupport.h"

namespace {

const char* const kProduct = "Program Files/Sample Product/";
const char* const kTempCopy = "Users/User/AppData/Local/Temp/SampleProductUninstall";

class MainDialogTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_EQ(RunCommand({kSimhostPath, "install-sample", MachineDir()}).exit_code, 0);
    SimHost::SetModulePath(u"C:\\Program Files\\Sample Product\\uninst.exe");
  }
  // Replaces one configuration value of the installed file.
  void SetInstallDirName(const std::string& value) {
    std::string xml = ReadTextFile(std::string(kSourceDir) + "/resources/sample/installConfig.xml");
    const std::string from = "value=\"SampleProductUninstall\"";
    xml.replace(xml.find(from), from.size(), "value=\"" + value + "\"");
    std::string packed = ".tmp";
    for (char c : xml) packed += static_cast<char>(c ^ 0xA7);
    ASSERT_TRUE(WriteTextFile(Real(std::string(kProduct) + "installConfig.dat"), packed));
  }
};

TEST_F(MainDialogTest, InitCopiesSkinsAndRemoveTempResourcesDeletesThem) {
  ZInstallConfigLoader config;
  ZUnInstallMainDlg dialog(&config);
  ASSERT_TRUE(dialog.Init());
  EXPECT_EQ(dialog.ProgramDir(), u"C:\\Program Files\\Sample Product\\");
  EXPECT_EQ(dialog.ConfigFilePath(), u"C:\\Program Files\\Sample Product\\installConfig.dat");
  EXPECT_EQ(dialog.TempResourceDir(), u"C:\\Users\\User\\AppData\\Local\\Temp\\SampleProductUninstall");
  EXPECT_TRUE(PathExists(Real(std::string(kTempCopy) + "/uninstall/10000.xml")));
  // The guard is held: a second check from the same object says so at once.
  EXPECT_TRUE(dialog.IsOtherInstanceRunning());
  EXPECT_TRUE(dialog.RemoveTempResources());
  EXPECT_FALSE(PathExists(Real(kTempCopy)));
  EXPECT_TRUE(PathExists(Real("Users/User/AppData/Local/Temp")));
}

TEST_F(MainDialogTest, TempFolderNameMustBeOnePlainName) {
  // Anything but one plain folder name fails the copy, so that no later
  // removal can reach the temp folder itself or anything beside it.
  for (const char* name : {"\\", ".", "", "x\\..", "..\\Temp", "..", "a\\b", "a/b", "C:",
                           "D:\\x", "name.", "name ", "a:b", "*"}) {
    SCOPED_TRACE(name);
    SetInstallDirName(name);
    WriteTextFile(Real("Users/User/AppData/Local/Temp/keep.txt"), "keep");
    ZInstallConfigLoader config;
    ZUnInstallMainDlg dialog(&config);
    EXPECT_FALSE(dialog.Init());
    EXPECT_EQ(dialog.TempResourceDir(), u"");
    EXPECT_FALSE(dialog.RemoveTempResources());
    EXPECT_TRUE(PathExists(Real("Users/User/AppData/Local/Temp/keep.txt")));
  }
}

TEST_F(MainDialogTest, TempFolderReachedThroughALinkIsNeitherFilledNorRemoved) {
  RunCommand({"/bin/mkdir", "-p", Real("Elsewhere")});
  WriteTextFile(Real("Elsewhere/keep.txt"), "keep");
  ASSERT_EQ(symlink(Real("Elsewhere").c_str(), Real(kTempCopy).c_str()), 0);
  ZInstallConfigLoader config;
  ZUnInstallMainDlg dialog(&config);
  EXPECT_FALSE(dialog.Init());
  EXPECT_FALSE(dialog.RemoveTempResources());
  EXPECT_TRUE(PathExists(Real("Elsewhere/keep.txt")));
  EXPECT_FALSE(PathExists(Real("Elsewhere/uninstall")));
}

TEST_F(MainDialogTest, CreateDirectoryPathMakesParentsAndAcceptsExisting) {
  EXPECT_TRUE(ZUnInstallMainDlg::CreateDirectoryPath(u"C:\\A\\B\\C"));
  EXPECT_TRUE(PathExists(Real("A/B/C")));
  EXPECT_TRUE(ZUnInstallMainDlg::CreateDirectoryPath(u"C:\\a\\b"));  // exists, other case
  EXPECT_FALSE(ZUnInstallMainDlg::CreateDirectoryPath(u"Q:"));  // fails, and has no parent
  WriteTextFile(Real("A/file"), "x");
  EXPECT_FALSE(ZUnInstallMainDlg::CreateDirectoryPath(u"C:\\A\\file\\sub"));
}

TEST_F(MainDialogTest, DeleteDirectoryTreeStopsOnlyWithoutForce) {
  for (bool force : {false, true}) {
    SCOPED_TRACE(force);
    ASSERT_TRUE(ZUnInstallMainDlg::CreateDirectoryPath(u"C:\\T\\a\\b"));
    WriteTextFile(Real("T/a/b/1.txt"), "1");
    WriteTextFile(Real("T/a/held.txt"), "2");
    WriteTextFile(Real("T/z.txt"), "3");
    HANDLE held = CreateFileW(u"C:\\T\\a\\held.txt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    bool completed = ZUnInstallMainDlg::DeleteDirectoryTree(u"C:\\T", force);
    EXPECT_EQ(completed, force);
    EXPECT_TRUE(PathExists(Real("T/a/held.txt")));
    EXPECT_FALSE(PathExists(Real("T/a/b")));
    EXPECT_EQ(PathExists(Real("T/z.txt")), !force);  // without force the walk stopped before it
    CloseHandle(held);
    EXPECT_TRUE(ZUnInstallMainDlg::DeleteDirectoryTree(u"C:\\T\\", false));
    EXPECT_FALSE(PathExists(Real("T")));
  }
}

TEST(PathText, AppendAndCanonicalizeFollowTheShell) {
  struct Case {
    const char16_t* path;
    const char16_t* more;
    const char16_t* joined;
  };
  const Case cases[] = {
      {u"C:\\dir", u"file", u"C:\\dir\\file"},
      {u"C:\\dir\\", u"\\file", u"C:\\dir\\file"},
      {u"C:\\dir\\sub", u"..\\..\\x", u"C:\\x"},
      {u"C:\\dir", u"..\\..\\..\\x", u"C:\\x"},
      {u"C:\\dir", u".\\a\\.\\b", u"C:\\dir\\a\\b"},
      {u"C:\\dir", u"", u"C:\\dir"},
      {u"C:\\dir\\", u"", u"C:\\dir\\"},
      {u"C:\\dir", u"D:\\other", u"D:\\other"},
      {u"C:\\dir\\sub", u"..", u"C:\\dir"},
  };
  for (const auto& c : cases) {
    char16_t buffer[MAX_PATH] = {};
    std::u16string start = c.path;
    std::copy(start.begin(), start.end(), buffer);
    ASSERT_TRUE(PathAppendW(buffer, c.more)) << std::string(start.begin(), start.end());
    EXPECT_EQ(std::u16string(buffer), c.joined);
  }
  char16_t buffer[MAX_PATH] = u"C:\\dir";
  std::u16string too_long(300, u'a');
  EXPECT_FALSE(PathAppendW(buffer, too_long.c_str()));
}

// The finished report is sent only once the run is finished: the statistics
// service, here in this process, looks at the flag while the post is waiting
// for its answer.
TEST_F(MainDialogTest, TheFinishedFlagIsSetBeforeTheFinishedReportGoesOut) {
  ZInstallConfigLoader config;
  ZUnInstallMainDlg dialog(&config);
  ASSERT_TRUE(dialog.Init());
  std::atomic<int> posts{0};
  std::atomic<int> finished_when_posted{-1};
  httplib::Server server;
  server.Post(".*", [&](const httplib::Request&, httplib::Response& response) {
    finished_when_posted = dialog.Finished() ? 1 : 0;
    ++posts;
    response.set_content("[common]\r\nresult=1\r\n", "text/plain");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  ASSERT_GT(port, 0);
  std::thread serving([&] { server.listen_after_bind(); });
  for (int i = 0; i < 5000 && !server.is_running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  auto routed = RunCommand({kSimhostPath, "route", MachineDir(), "--statistics",
                            "127.0.0.1:" + std::to_string(port)});
  EXPECT_EQ(routed.exit_code, 0) << routed.err;

  EXPECT_FALSE(dialog.Finished());
  dialog.DoUninstall();
  server.stop();
  serving.join();
  EXPECT_TRUE(dialog.Finished());
  EXPECT_EQ(posts.load(), 1);
  EXPECT_EQ(finished_when_posted.load(), 1) << "the report went out before the run was finished";
  EXPECT_FALSE(PathExists(Real(std::string(kProduct) + "SampleCore.dll")));
}

class FirewallExceptionTest : public MachineTest {};

TEST_F(FirewallExceptionTest, CodesAndRoundTrip) {
  FirewallException unopened;
  bool enabled = true;
  EXPECT_EQ(unopened.IsEnabled(u"C:\\x.exe", &enabled), FirewallException::kNotOpened);
  EXPECT_EQ(unopened.Add(u"C:\\x.exe", u"n"), FirewallException::kNotOpened);

  FirewallException firewall;
  ASSERT_EQ(firewall.Open(), FirewallException::kOk);
  EXPECT_EQ(firewall.Open(), FirewallException::kNotOpened);  // a profile is already held
  EXPECT_EQ(firewall.IsEnabled(nullptr, &enabled), FirewallException::kMissingArgument);
  EXPECT_EQ(firewall.IsEnabled(u"", &enabled), FirewallException::kEmptyString);
  EXPECT_EQ(firewall.Add(u"C:\\x.exe", nullptr), FirewallException::kMissingArgument);
  EXPECT_EQ(firewall.IsEnabled(u"C:\\x.exe", &enabled), FirewallException::kOk);
  EXPECT_FALSE(enabled);
  EXPECT_EQ(firewall.Add(u"C:\\x.exe", u"ZInstallTool"), FirewallException::kOk);
  EXPECT_EQ(firewall.IsEnabled(u"c:\\X.EXE", &enabled), FirewallException::kOk);
  EXPECT_TRUE(enabled);
  EXPECT_EQ(firewall.Add(u"C:\\x.exe", u"ZInstallTool"), FirewallException::kOk);  // no change
  EXPECT_EQ(firewall.Remove(u"C:\\x.exe"), FirewallException::kOk);
  EXPECT_EQ(firewall.IsEnabled(u"C:\\x.exe", &enabled), FirewallException::kOk);
  EXPECT_FALSE(enabled);
  EXPECT_EQ(firewall.Remove(u"C:\\x.exe"), FirewallException::kOk);  // nothing to remove
  firewall.Close();

  ASSERT_EQ(RunCommand({kSimhostPath, "fact", MachineDir(), "firewall", "absent"}).exit_code, 0);
  FirewallException absent;
  EXPECT_EQ(absent.Open(), FirewallException::kNoManager);
}

}  // namespace
