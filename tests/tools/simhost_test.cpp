#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/protection.h"
#include "platform/registry.h"
#include "platform/sim/core/SimHost.h"
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
                           "res/uninstall/11001.xml", "res/uninstall/3001.png",
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
  // Only the user's shell runs again after the restart.
  auto after = Simhost({"ps", machine_}).out;
  EXPECT_EQ(after.find('\n'), after.size() - 1) << after;
  EXPECT_NE(after.find(" C:\\Windows\\explorer.exe\n"), std::string::npos) << after;
  EXPECT_FALSE(PathExists(Real("Program Files/Sample Product/SampleApp.exe_1_del")));
  EXPECT_FALSE(PathExists(Real("Program Files/Sample Product/readme.txt")));
  EXPECT_TRUE(PathExists(Real("Program Files/Sample Product/readme.old")));
  EXPECT_NE(Simhost({"dump", machine_}).out.find("\"pending_renames\": [\n  ]"), std::string::npos);

  auto run = Simhost({"run", machine_, "C:\\PROGRAM FILES\\sample product\\SampleService.exe", "exit", "3"});
  EXPECT_EQ(run.exit_code, 3);
  EXPECT_EQ(run.out, "ready\n");
  EXPECT_EQ(Simhost({"run", machine_, "C:\\nope.exe"}).exit_code, 2);
}

TEST_F(SimhostTest, SessionListsSessionsAndUsersAsTheOptionsOfNewMadeThem) {
  const std::string sid = "S-1-5-21-1004336348-1177238915-682003330-1001";
  EXPECT_EQ(Simhost({"session", machine_}).out,
            "session 0 Services Disconnected\nsession 1 Console Active User\n"
            "user SYSTEM S-1-5-18 admin\nuser User " + sid + " admin split-token\n");
  auto ps = Simhost({"ps", machine_}).out;
  EXPECT_NE(ps.find(" C:\\Windows\\explorer.exe\n"), std::string::npos) << ps;
  auto dump = Simhost({"dump", machine_}).out;
  EXPECT_NE(dump.find("\"sessions\": [\n    {\"id\": 0, \"station\": \"Services\", "
                      "\"state\": \"Disconnected\", \"user\": \"\"}"),
            std::string::npos)
      << dump;
  EXPECT_NE(dump.find("\"users\": ["), std::string::npos);

  const std::string other = dir_.Path() + "/other";
  ASSERT_EQ(Simhost({"new", other, "--no-active-session", "--standard-user", "--no-explorer"})
                .exit_code,
            0);
  EXPECT_EQ(Simhost({"session", other}).out,
            "session 0 Services Disconnected\nsession 1 Console Connected\n"
            "user SYSTEM S-1-5-18 admin\nuser User " + sid + "\n");
  EXPECT_EQ(Simhost({"ps", other}).out, "");
  EXPECT_TRUE(PathExists(other + "/drives/c/Windows/explorer.exe"));
  EXPECT_EQ(Simhost({"new", dir_.Path() + "/bad", "--no-such-option"}).exit_code, 2);
}

// ---- simhost svc ---------------------------------------------------------------

class SimhostSvcTest : public SimhostTest {
 protected:
  void SetUp() override {
    SimhostTest::SetUp();
    RunCommand({"/bin/mkdir", "-p", Real("Services")});
    RunCommand({"/bin/cp", kSimprocPath, Real("Services/svc.exe")});
  }
  void TearDown() override {
    Simhost({"reboot", machine_});  // no service process outlives the test
    SimhostTest::TearDown();
  }
  // The machine dump, which must stay valid JSON.
  std::string Dump() {
    auto dump = Simhost({"dump", machine_});
    EXPECT_EQ(dump.exit_code, 0);
    std::string file = dir_.Path() + "/dump.json";
    WriteTextFile(file, dump.out);
    auto parsed = RunCommand(
        {"/usr/bin/env", "python3", "-c", "import json,sys; json.load(open(sys.argv[1]))", file});
    EXPECT_EQ(parsed.exit_code, 0) << parsed.err << dump.out;
    return dump.out;
  }
};

TEST_F(SimhostSvcTest, ServiceLifeThroughTheCommands) {
  auto created = Simhost({"svc", machine_, "create", "Sample", "\"C:\\Services\\svc.exe\" sleep",
                          "--display", "Sample \"Service\"", "--stop-ms", "60000"});
  ASSERT_EQ(created.exit_code, 0) << created.err;
  EXPECT_EQ(Simhost({"svc", machine_, "query", "sample"}).out, "Sample STOPPED\n");
  EXPECT_NE(Simhost({"svc", machine_, "create", "SAMPLE", "C:\\Services\\svc.exe"}).exit_code, 0);

  ASSERT_EQ(Simhost({"svc", machine_, "start", "Sample"}).exit_code, 0);  // returns at once
  auto running = Simhost({"svc", machine_, "query", "Sample"});
  ASSERT_EQ(running.out.rfind("Sample RUNNING pid=", 0), 0u) << running.out;
  const std::string pid = running.out.substr(19, running.out.size() - 20);
  EXPECT_NE(Simhost({"ps", machine_}).out.find(pid + " C:\\Services\\svc.exe"), std::string::npos);
  EXPECT_NE(Simhost({"svc", machine_, "start", "Sample"}).exit_code, 0);
  EXPECT_NE(Dump().find("{\"name\": \"Sample\", \"display_name\": \"Sample \\\"Service\\\"\", "
                        "\"image_path\": \"\\\"C:\\\\Services\\\\svc.exe\\\" sleep\", "
                        "\"state\": \"RUNNING\", \"delete_pending\": false}"),
            std::string::npos);

  ASSERT_EQ(Simhost({"svc", machine_, "stop", "Sample"}).exit_code, 0);  // does not wait
  EXPECT_EQ(Simhost({"svc", machine_, "query", "Sample"}).out,
            "Sample STOP_PENDING pid=" + pid + "\n");
  EXPECT_NE(Simhost({"svc", machine_, "stop", "Sample"}).exit_code, 0);
  ASSERT_EQ(Simhost({"svc", machine_, "set", "Sample", "--stop-ms", "0"}).exit_code, 0);
  EXPECT_EQ(Simhost({"svc", machine_, "query", "Sample"}).out, "Sample STOPPED\n");
  // Its process ends a moment after the reported stop.
  for (int i = 0; i < 100 && Simhost({"ps", machine_}).out.find("svc.exe") != std::string::npos;
       ++i)
    usleep(20 * 1000);
  EXPECT_EQ(Simhost({"ps", machine_}).out.find("svc.exe"), std::string::npos);

  ASSERT_EQ(Simhost({"svc", machine_, "delete", "Sample"}).exit_code, 0);
  auto gone = Simhost({"svc", machine_, "query", "Sample"});
  EXPECT_EQ(gone.exit_code, 1);
  EXPECT_EQ(gone.out, "");
  EXPECT_NE(gone.err.find("Sample"), std::string::npos);
  EXPECT_EQ(Simhost({"svc", machine_, "events", "Sample"}).out,
            "created\nstarted\nstop-requested\nstopped\ndelete-marked\nremoved\n");
  EXPECT_NE(Dump().find("\"services\": [\n  ]"), std::string::npos);
}

TEST_F(SimhostSvcTest, MarkedServiceThatNeverStopsGoesWithTheReboot) {
  ASSERT_EQ(Simhost({"svc", machine_, "create", "Stuck", "C:\\Services\\svc.exe sleep",
                     "--never-stops"}).exit_code, 0);
  ASSERT_EQ(Simhost({"svc", machine_, "create", "Idle", "C:\\Services\\svc.exe sleep"}).exit_code,
            0);
  ASSERT_EQ(Simhost({"svc", machine_, "start", "Stuck"}).exit_code, 0);
  ASSERT_EQ(Simhost({"svc", machine_, "start", "Idle"}).exit_code, 0);
  ASSERT_EQ(Simhost({"svc", machine_, "stop", "Stuck"}).exit_code, 0);
  ASSERT_EQ(Simhost({"svc", machine_, "delete", "Stuck"}).exit_code, 0);
  EXPECT_NE(Simhost({"svc", machine_, "delete", "Stuck"}).exit_code, 0);
  auto stuck = Simhost({"svc", machine_, "query", "Stuck"});
  EXPECT_EQ(stuck.out.rfind("Stuck STOP_PENDING pid=", 0), 0u) << stuck.out;
  EXPECT_NE(stuck.out.find(" delete-pending\n"), std::string::npos) << stuck.out;
  EXPECT_NE(Dump().find("\"state\": \"STOP_PENDING\", \"delete_pending\": true}"),
            std::string::npos);

  ASSERT_EQ(Simhost({"reboot", machine_}).exit_code, 0);
  EXPECT_EQ(Simhost({"svc", machine_, "query", "Stuck"}).exit_code, 1);
  EXPECT_EQ(Simhost({"svc", machine_, "events", "Stuck"}).out,
            "created\nstarted\nstop-requested\ndelete-marked\nstopped\nremoved\n");
  EXPECT_EQ(Simhost({"svc", machine_, "query", "Idle"}).out, "Idle STOPPED\n");  // no auto start
  EXPECT_EQ(Simhost({"ps", machine_}).out.find("svc.exe"), std::string::npos);
  EXPECT_EQ(Simhost({"svc", machine_, "start", "Nope"}).exit_code, 2);
  EXPECT_EQ(Simhost({"svc", machine_, "set", "Idle", "--stop-ms", "x"}).exit_code, 2);
}


TEST_F(SimhostSvcTest, BehaviourOptionsDependentsAndCrash) {
  ASSERT_EQ(Simhost({"svc", machine_, "create", "Base", "C:\\Services\\svc.exe sleep",
                     "--refuses-stop"}).exit_code, 0);
  ASSERT_EQ(Simhost({"svc", machine_, "create", "Client", "C:\\Services\\svc.exe sleep",
                     "--depends-on", "Base", "--never-starts"}).exit_code, 0);
  ASSERT_EQ(Simhost({"svc", machine_, "start", "Client"}).exit_code, 0);
  EXPECT_EQ(Simhost({"svc", machine_, "query", "Base"}).out.rfind("Base RUNNING pid=", 0), 0u);
  EXPECT_EQ(Simhost({"svc", machine_, "query", "Client"}).out.rfind("Client START_PENDING", 0),
            0u);
  auto refused = Simhost({"svc", machine_, "stop", "Base"});
  EXPECT_NE(refused.err.find("services that depend on it are running"), std::string::npos)
      << refused.err;
  EXPECT_NE(Simhost({"svc", machine_, "stop", "Client"}).err.find("starting or stopping"),
            std::string::npos);

  ASSERT_EQ(Simhost({"svc", machine_, "crash", "Client"}).exit_code, 0);
  EXPECT_EQ(Simhost({"svc", machine_, "query", "Client"}).out, "Client STOPPED exit=1067\n");
  EXPECT_NE(Simhost({"svc", machine_, "crash", "Client"}).exit_code, 0);
  auto invalid = Simhost({"svc", machine_, "stop", "Base"});
  EXPECT_NE(invalid.err.find("does not accept that control"), std::string::npos) << invalid.err;
  ASSERT_EQ(Simhost({"svc", machine_, "set", "Base", "--accepts-stop", "--stop-ms", "0"})
                .exit_code, 0);
  ASSERT_EQ(Simhost({"svc", machine_, "stop", "Base"}).exit_code, 0);
  EXPECT_EQ(Simhost({"svc", machine_, "query", "Base"}).out, "Base STOPPED\n");
  EXPECT_EQ(Simhost({"svc", machine_, "set", "Base", "--start-ms"}).exit_code, 2);
}

TEST_F(SimhostTest, RouteSetsReplacesAndRemovesLoopbackTargets) {
  EXPECT_EQ(Simhost({"route", machine_}).out, "");
  ASSERT_EQ(Simhost({"route", machine_, "stats.example.invalid", "127.0.0.1:8080"}).exit_code, 0);
  ASSERT_EQ(Simhost({"route", machine_, "--statistics", "[::1]:9000"}).exit_code, 0);
  // Names compare without regard to case: this replaces the first route.
  ASSERT_EQ(Simhost({"route", machine_, "STATS.example.invalid", "127.1.2.3:81"}).exit_code, 0);
  auto list = Simhost({"route", machine_}).out;
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2) << list;
  EXPECT_NE(list.find("STATS.example.invalid 127.1.2.3:81\n"), std::string::npos) << list;
  EXPECT_NE(list.find(std::string(UNINST_STATISTICS_HOST) + " [::1]:9000\n"), std::string::npos)
      << list;

  auto dump = Simhost({"dump", machine_}).out;
  size_t routes = dump.find("\"routes\": [\n    {");
  ASSERT_NE(routes, std::string::npos);
  EXPECT_NE(dump.find("{\"host\": \"STATS.example.invalid\", \"address\": \"127.1.2.3:81\"}",
                      routes),
            std::string::npos);
  EXPECT_EQ(dump.substr(dump.size() - 7), "\n  ]\n}\n");

  ASSERT_EQ(Simhost({"route", machine_, "stats.EXAMPLE.invalid", "--remove"}).exit_code, 0);
  EXPECT_EQ(Simhost({"route", machine_, "stats.example.invalid", "--remove"}).exit_code, 1);
  ASSERT_EQ(Simhost({"route", machine_, "--statistics", "--remove"}).exit_code, 0);
  EXPECT_EQ(Simhost({"route", machine_}).out, "");
  EXPECT_NE(Simhost({"dump", machine_}).out.find("\"routes\": [\n  ]\n}\n"), std::string::npos);
}

TEST_F(SimhostTest, RouteRefusesTargetsOffThisComputerAndMalformedNames) {
  for (const char* target : {"10.0.0.1:80", "128.0.0.1:80", "127.0.0.1", "127.0.0.1:0",
                             "127.0.0.1:65536", "127.0.0.01:80", "127.0.0:80", "127.0.0.1.1:80",
                             "localhost:80", "[::2]:80", "::1:80", "127.0.0.1:80/x", "127.0.0.1:+80",
                             ""}) {
    auto result = Simhost({"route", machine_, "stats.example.invalid", target});
    EXPECT_EQ(result.exit_code, 2) << target;
    EXPECT_NE(result.err.find("loopback"), std::string::npos) << target;
  }
  for (const char* host : {"a:b", "host/x", "", "a b", "a@b"})
    EXPECT_EQ(Simhost({"route", machine_, host, "127.0.0.1:80"}).exit_code, 2) << host;
  EXPECT_EQ(Simhost({"route", machine_, "stats.example.invalid"}).exit_code, 2);  // usage
  EXPECT_EQ(Simhost({"route", machine_}).out, "");
  EXPECT_EQ(Simhost({"route", machine_, "h", "127.255.255.254:65535"}).exit_code, 0);
}

TEST_F(SimhostTest, ProtectMarksAnEntryThatRebootThenLeavesAlone) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Vendor", nullptr));
  ASSERT_TRUE(WriteTextFile(Real("Vendor/Tool.dll"), "MZ"));
  ASSERT_TRUE(WriteTextFile(Real("Vendor/plain.txt"), "p"));
  auto file = Simhost({"protect", machine_, "c:\\vendor\\TOOL.DLL"});
  ASSERT_EQ(file.exit_code, 0) << file.err;
  auto folder = Simhost({"protect", machine_, "C:/Vendor"});
  ASSERT_EQ(folder.exit_code, 0) << folder.err;
  EXPECT_TRUE(SfcIsFileProtected(nullptr, u"C:\\Vendor\\Tool.dll"));
  EXPECT_TRUE(SfcIsFileProtected(nullptr, u"C:\\Vendor"));
  EXPECT_FALSE(SfcIsFileProtected(nullptr, u"C:\\Vendor\\plain.txt"));
  SetLastError(0);
  EXPECT_FALSE(DeleteFileW(u"C:\\Vendor\\Tool.dll"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  // Pending operations on marked entries survive the restart; others do not.
  ASSERT_TRUE(MoveFileExW(u"C:\\Vendor\\Tool.dll", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(MoveFileExW(u"C:\\Vendor\\plain.txt", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(MoveFileExW(u"C:\\Vendor", u"C:\\Moved", MOVEFILE_DELAY_UNTIL_REBOOT));
  auto reboot = Simhost({"reboot", machine_});
  ASSERT_EQ(reboot.exit_code, 0) << reboot.err;
  EXPECT_TRUE(PathExists(Real("Vendor/Tool.dll")));
  EXPECT_FALSE(PathExists(Real("Vendor/plain.txt")));
  EXPECT_FALSE(PathExists(Real("Moved")));

  auto missing = Simhost({"protect", machine_, "C:\\Vendor\\none.dll"});
  EXPECT_NE(missing.exit_code, 0);
  EXPECT_NE(missing.err.find("C:\\Vendor\\none.dll"), std::string::npos) << missing.err;
  EXPECT_NE(Simhost({"protect", machine_, "C:\\No\\Such\\Path"}).exit_code, 0);
  EXPECT_NE(Simhost({"protect", machine_}).exit_code, 0);
}

TEST_F(SimhostTest, JunctionLinksAFolderThatLookupsThenFollow) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Data", nullptr));
  ASSERT_TRUE(WriteTextFile(Real("Data/keep.txt"), "keep"));
  auto made = Simhost({"junction", machine_, "C:\\Program Files\\Link", "c:\\data"});
  ASSERT_EQ(made.exit_code, 0) << made.err;
  EXPECT_EQ(GetFileAttributesW(u"C:\\Program Files\\Link"),
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_NE(GetFileAttributesW(u"C:\\Program Files\\LINK\\keep.txt"), INVALID_FILE_ATTRIBUTES);

  auto again = Simhost({"junction", machine_, "C:\\Program Files\\Link", "C:\\Data"});
  EXPECT_NE(again.exit_code, 0);
  EXPECT_NE(again.err.find("already exists"), std::string::npos) << again.err;
  EXPECT_NE(Simhost({"junction", machine_, "C:\\Other", "C:\\None"}).exit_code, 0);
  EXPECT_NE(Simhost({"junction", machine_, "C:\\Other", "C:\\Data\\keep.txt"}).exit_code, 0);
  EXPECT_EQ(GetFileAttributesW(u"C:\\Other"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
