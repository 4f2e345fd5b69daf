// The silent run on a machine whose user is a standard user: the product was
// installed by an administrator, the run has no elevation.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "tests/support/SimTestSupport.h"

namespace {

const char* const kProduct = "Program Files/Sample Product/";
const char* const kStartMenu = "ProgramData/Microsoft/Windows/Start Menu/Programs/";
const char16_t kProductKey[] = u"SOFTWARE\\Sample Vendor\\Sample Product";
const char16_t kLog[] = u"C:\\Program Files\\Sample Product\\log\\uninst.exe.log";

bool KeyExists(HKEY root, const std::u16string& path, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

class StandardUserFlowTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    SimMachineOptions options;
    options.standard_user = true;
    RecreateMachine(options);
    auto installed = RunCommand({kSimhostPath, "install-sample", MachineDir()});
    ASSERT_EQ(installed.exit_code, 0) << installed.err;
    // The run's log survives the removal of its folder only while held open;
    // the folder is given to the user, as its own folder in Program Files is not.
    std::filesystem::create_directories(Real(std::string(kProduct) + "log"));
    auto granted = RunCommand({kSimhostPath, "grant", MachineDir(),
                               "C:\\Program Files\\Sample Product\\log"});
    ASSERT_EQ(granted.exit_code, 0) << granted.err;
    log_ = CreateFileW(kLog, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                       0, nullptr);
    ASSERT_NE(log_, INVALID_HANDLE_VALUE) << GetLastError();
  }
  void TearDown() override {
    if (log_ != INVALID_HANDLE_VALUE) CloseHandle(log_);
    MachineTest::TearDown();
  }

  std::vector<std::string> LogLines(const std::string& level) {
    return LogMessages(Real(std::string(kProduct) + "log/uninst.exe.log"), level);
  }

  HANDLE log_ = INVALID_HANDLE_VALUE;
};

TEST_F(StandardUserFlowTest, RemovesOnlyWhatTheUserMayAndSaysWhatItCouldNot) {
  ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, u"Software\\Sample Vendor\\Sample Product", KEY_WOW64_64KEY));
  ASSERT_TRUE(PathExists(Real("Users/User/Desktop/Sample Product.lnk")));

  auto run = RunCommand({Real(std::string(kProduct) + "uninst.exe"), "/at"},
                        {"SIMHOST_MACHINE=" + MachineDir()});
  EXPECT_EQ(run.exit_code, 0) << "a run that hangs or fails: " << run.err;

  // Nothing that needs an administrator went: the product's files, its
  // machine-wide keys in both views, its service, the shared start menu.
  for (const char* file : {"SampleCore.dll", "SampleApp.exe", "SampleService.exe", "uninst.exe",
                           "installConfig.dat"})
    EXPECT_TRUE(PathExists(Real(std::string(kProduct) + file))) << file;
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE,
                        u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Product",
                        KEY_WOW64_32KEY));
  auto service = RunCommand({kSimhostPath, "svc", MachineDir(), "events", "SampleProductService"});
  EXPECT_EQ(service.out.find("delete-marked"), std::string::npos) << service.out;
  EXPECT_EQ(service.out.find("stop-requested"), std::string::npos) << service.out;
  // The service's process is LocalSystem's: a standard user cannot end it.
  auto state = RunCommand({kSimhostPath, "svc", MachineDir(), "query", "SampleProductService"});
  EXPECT_NE(state.out.find(" RUNNING"), std::string::npos) << state.out;
  EXPECT_TRUE(PathExists(Real(std::string(kStartMenu) + "Sample Product")));

  // What the user may remove went: its own desktop link and its own key.
  EXPECT_FALSE(PathExists(Real("Users/User/Desktop/Sample Product.lnk")));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Software\\Sample Vendor\\Sample Product", KEY_WOW64_64KEY));

  // The refusals are in the log, none reported as done.
  std::vector<std::string> complaints = LogLines("WARNING");
  for (const auto& line : LogLines("ERROR")) complaints.push_back(line);
  std::string all;
  for (const auto& line : complaints) all += line + "\n";
  EXPECT_FALSE(complaints.empty()) << ReadTextFile(Real(std::string(kProduct) + "log/uninst.exe.log"));
  for (const char* refusal :
       {"no right to delete file : C:\\Program Files\\Sample Product\\SampleCore.dll",
        "no right to delete folder : C:\\Program Files\\Sample Product\n",
        "no right to delete folder : C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Sample Product\n",
        "no right to change registry key : hklm\\SOFTWARE\\Sample Vendor\\Sample Product\n",
        "no right to stop service : SampleProductService\n",
        "no right to delete service : SampleProductService\n"})
    EXPECT_NE(all.find(refusal), std::string::npos) << refusal << "\n" << all;
  // What the user could remove is not among them.
  EXPECT_EQ(all.find("hkcu"), std::string::npos) << all;
  EXPECT_EQ(all.find("Users\\User"), std::string::npos) << all;
}

}  // namespace
