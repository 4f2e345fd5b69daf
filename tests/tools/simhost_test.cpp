#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/sim/SimHost.h"
#include "tests/support/SimTestSupport.h"

namespace {

class SimhostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = dir_.Path() + "/m";
    auto made = Simhost({"new", machine_});
    ASSERT_EQ(made.exit_code, 0) << made.err;
    ASSERT_TRUE(SimHost::UseMachine(machine_));
  }
  void TearDown() override { SimHost::ForgetMachine(); }

  CommandResult Simhost(std::vector<std::string> args) {
    args.insert(args.begin(), kSimhostPath);
    return RunCommand(args);
  }
  std::string Real(const std::string& path) const { return machine_ + "/drives/c/" + path; }

  TempDir dir_;
  std::string machine_;
};

TEST_F(SimhostTest, NewMachineHasProfileFoldersAndEnvironment) {
  for (const char* folder : {"Users/User/Desktop", "Users/User/AppData/Local/Temp", "Windows",
                             "ProgramData/Microsoft/Windows/Start Menu/Programs",
                             "Program Files (x86)"})
    EXPECT_TRUE(PathExists(Real(folder))) << folder;
  auto temp = Simhost({"env", machine_, "TEMP"});
  EXPECT_EQ(temp.out, "C:\\Users\\User\\AppData\\Local\\Temp\n");
  EXPECT_EQ(Simhost({"fact", machine_, "arch"}).out, "x64\n");
  EXPECT_NE(Simhost({"new", machine_}).exit_code, 0);  // never over an existing machine

  auto x86 = Simhost({"new", dir_.Path() + "/m32", "--arch", "x86"});
  ASSERT_EQ(x86.exit_code, 0);
  EXPECT_FALSE(PathExists(dir_.Path() + "/m32/drives/c/Program Files (x86)"));
  EXPECT_EQ(Simhost({"new", dir_.Path() + "/bad", "--arch", "arm"}).exit_code, 2);
}

TEST_F(SimhostTest, RegSetQueryDeleteInBothViews) {
  const std::string key = "HKLM\\SOFTWARE\\Sample Vendor\\Tool";
  ASSERT_EQ(Simhost({"reg", machine_, "set", key, "Count", "REG_DWORD", "0x10", "--view", "32"}).exit_code, 0);
  ASSERT_EQ(Simhost({"reg", machine_, "set", key, "List", "REG_MULTI_SZ", "a|b"}).exit_code, 0);
  auto q32 = Simhost({"reg", machine_, "query", key, "--view", "32"});
  EXPECT_EQ(q32.out, "\"Count\" [\"REG_DWORD\", 16]\n");
  auto q64 = Simhost({"reg", machine_, "query", key});
  EXPECT_EQ(q64.out, "\"List\" [\"REG_MULTI_SZ\", [\"a\", \"b\"]]\n");
  EXPECT_EQ(Simhost({"reg", machine_, "query", key, "Nope"}).exit_code, 1);
  EXPECT_EQ(Simhost({"reg", machine_, "set", key, "Bad", "REG_DWORD", "x"}).exit_code, 2);

  // The tool's key is seen by a program through the same view.
  HKEY handle = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\WOW6432Node\\Sample Vendor\\Tool", 0,
                          KEY_READ | KEY_WOW64_64KEY, &handle),
            ERROR_SUCCESS);
  RegCloseKey(handle);

  ASSERT_EQ(Simhost({"reg", machine_, "set", key + "\\Sub", "x", "REG_SZ", "y"}).exit_code, 0);
  EXPECT_EQ(Simhost({"reg", machine_, "delete", key, "List"}).exit_code, 0);
  EXPECT_EQ(Simhost({"reg", machine_, "delete", key}).exit_code, 0);  // with its subkey
  EXPECT_EQ(Simhost({"reg", machine_, "query", key}).exit_code, 1);
  EXPECT_EQ(Simhost({"reg", machine_, "query", key, "--view", "32"}).exit_code, 0);
}

TEST_F(SimhostTest, InstallSampleAndDump) {
  auto installed = Simhost({"install-sample", machine_});
  ASSERT_EQ(installed.exit_code, 0) << installed.err;
  const std::string product = "Program Files/Sample Product/";
  for (const char* file : {"uninst.exe", "installConfig.dat", "SampleApp.exe", "readme.txt",
                           "res/uninstall/11001.xml", "res/uninstall/banner.png",
                           "plugins/pdf/pdf.dll"})
    EXPECT_TRUE(PathExists(Real(product + file))) << file;
  struct stat st;
  ASSERT_EQ(stat(Real(product + "uninst.exe").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);

  auto unpacked = RunCommand({kCfgtoolPath, "unpack", Real(product + "installConfig.dat")});
  EXPECT_EQ(unpacked.out, ReadTextFile(std::string(kSourceDir) + "/resources/sample/installConfig.xml"));

  // The installer was a 32-bit program: its keys are in the 32-bit view.
  auto time = Simhost({"reg", machine_, "query", "HKLM\\SOFTWARE\\Sample Vendor\\Sample Product",
                       "InstallTime", "--view", "32"});
  EXPECT_EQ(time.exit_code, 0);
  EXPECT_NE(time.out.find("REG_DWORD"), std::string::npos);

  auto dump = Simhost({"dump", machine_});
  ASSERT_EQ(dump.exit_code, 0);
  for (const char* expected :
       {"\"C:\\\\Program Files\\\\Sample Product\\\\uninst.exe\"",
        "\"C:\\\\Program Files\\\\Sample Product\\\\plugins\\\\empty\\\\\"",
        "\"HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\WOW6432Node\\\\Sample Vendor\\\\Sample Product\": {",
        "\"iid\": [\"REG_SZ\", \"3001\"]", "\"services\": [", "\"firewall\": [",
        "\"pending_renames\": ["})
    EXPECT_NE(dump.out.find(expected), std::string::npos) << expected;
}

TEST_F(SimhostTest, RunPsAndRebootEndProcessesAndCarryOutRenames) {
  ASSERT_EQ(Simhost({"install-sample", machine_}).exit_code, 0);
  const std::u16string app = u"C:\\Program Files\\Sample Product\\SampleApp.exe";
  ChildProcess running;
  ASSERT_TRUE(running.Start(Real("Program Files/Sample Product/SampleApp.exe"), {"sleep"},
                            {"SIMHOST_MACHINE=" + machine_}));
  ASSERT_EQ(running.ReadLine(), "ready");
  auto ps = Simhost({"ps", machine_});
  EXPECT_NE(ps.out.find(std::to_string(running.Pid()) +
                        " C:\\Program Files\\Sample Product\\SampleApp.exe"),
            std::string::npos)
      << ps.out;

  // A file in use is renamed and left for the restart.
  ASSERT_TRUE(MoveFileExW(app.c_str(), u"C:\\Program Files\\Sample Product\\SampleApp.exe_1_del",
                          MOVEFILE_REPLACE_EXISTING));
  ASSERT_TRUE(MoveFileExW(u"C:\\Program Files\\Sample Product\\SampleApp.exe_1_del", nullptr,
                          MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(MoveFileExW(u"C:\\Program Files\\Sample Product\\readme.txt",
                          u"C:\\Program Files\\Sample Product\\readme.old", MOVEFILE_DELAY_UNTIL_REBOOT));
  auto dump = Simhost({"dump", machine_});
  EXPECT_NE(dump.out.find("[\"C:\\\\Program Files\\\\Sample Product\\\\SampleApp.exe_1_del\", \"\"]"),
            std::string::npos)
      << dump.out;

  ASSERT_EQ(Simhost({"reboot", machine_}).exit_code, 0);
  EXPECT_EQ(running.Wait(5000), 128 + 9);
  EXPECT_EQ(Simhost({"ps", machine_}).out, "");
  EXPECT_FALSE(PathExists(Real("Program Files/Sample Product/SampleApp.exe_1_del")));
  EXPECT_FALSE(PathExists(Real("Program Files/Sample Product/readme.txt")));
  EXPECT_TRUE(PathExists(Real("Program Files/Sample Product/readme.old")));
  EXPECT_NE(Simhost({"dump", machine_}).out.find("\"pending_renames\": [\n  ]"), std::string::npos);

  auto run = Simhost({"run", machine_, "C:\\PROGRAM FILES\\sample product\\SampleToolExt.exe", "exit", "3"});
  EXPECT_EQ(run.exit_code, 3);
  EXPECT_EQ(run.out, "ready\n");
  EXPECT_EQ(Simhost({"run", machine_, "C:\\nope.exe"}).exit_code, 2);
}

}  // namespace
