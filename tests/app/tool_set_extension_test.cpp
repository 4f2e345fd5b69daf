// The product's tool-set extension during a real silent uninstall: asked to
// exit, then started once to unregister itself, before anything is removed;
// and the launcher fall-backs when it does not succeed. The uninstaller runs
// as an elevated administrator (the normal case: only the direct launch can
// work), as a standard user, or as LocalSystem (the session launchers work).
#include <gtest/gtest.h>

#include <signal.h>

#include <string>
#include <vector>

#include "platform/sim/processes/SimProcesses.h"
#include "tests/support/SimTestSupport.h"

namespace {

const char* const kProduct = "drives/c/Program Files/Sample Product/";

// A machine made with `simhost new` and the given options, with the sample
// product installed.
class ToolSetExtensionTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& process : SimListMachineProcesses(dir_)) kill(process.pid, SIGKILL);
  }

  void Make(const std::vector<std::string>& options = {}) {
    dir_ = temp_.Path() + "/machine";
    std::vector<std::string> argv = {kSimhostPath, "new", dir_};
    argv.insert(argv.end(), options.begin(), options.end());
    auto made = RunCommand(argv);
    ASSERT_EQ(made.exit_code, 0) << made.err;
    auto installed = RunCommand({kSimhostPath, "install-sample", dir_});
    ASSERT_EQ(installed.exit_code, 0) << installed.err;
    // The marker is the user's, so that each launcher's token may add its line.
    ASSERT_TRUE(WriteTextFile(dir_ + "/drives/c/Windows/Temp/SampleToolExt.log", ""));
    auto granted = RunCommand({kSimhostPath, "grant", dir_, "C:\\Windows\\Temp\\SampleToolExt.log"});
    ASSERT_EQ(granted.exit_code, 0) << granted.err;
  }

  void Setting(const std::string& name, const std::string& value) {
    ASSERT_EQ(RunCommand({kSimhostPath, "env", dir_, name, value}).exit_code, 0);
  }

  CommandResult Uninstall() {
    return RunCommand({dir_ + "/" + kProduct + "uninst.exe", "/at"}, {"SIMHOST_MACHINE=" + dir_});
  }

  // The uninstaller started as a service starts a program: LocalSystem, session 0.
  CommandResult UninstallAsSystem() {
    return RunCommand({kSimhostPath, "run", dir_, "--as-system",
                       "C:\\Program Files\\Sample Product\\uninst.exe", "/at"});
  }

  // The extension's marker lines, one per uninstall start.
  std::vector<std::string> Marker() const {
    std::string text = ReadTextFile(dir_ + "/drives/c/Windows/Temp/SampleToolExt.log");
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }

  static bool Has(const std::string& line, const std::string& part) {
    return line.find(part) != std::string::npos;
  }

  TempDir temp_;
  std::string dir_;
};

TEST_F(ToolSetExtensionTest, RunsOnceInTheUsersSessionBeforeAnythingGoes) {
  Make();
  ChildProcess running;
  ASSERT_TRUE(running.Start(dir_ + "/" + kProduct + "SampleToolExt64.exe", {},
                            {"SIMHOST_MACHINE=" + dir_}));
  ASSERT_EQ(running.ReadLine(), "ready");
  auto run = Uninstall();
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(running.Wait(5000), 0) << "the exit event ends a running extension";

  auto lines = Marker();
  ASSERT_EQ(lines.size(), 1u);
  const std::string& line = lines[0];
  EXPECT_TRUE(Has(line, "program=C:\\Program Files\\Sample Product\\SampleToolExt64.exe ")) << line;
  EXPECT_TRUE(Has(line, "session=1 ")) << line;
  std::string sid = RunCommand({kSimhostPath, "fact", dir_, "user_sid"}).out;
  sid = sid.substr(0, sid.find('\n'));
  EXPECT_TRUE(Has(line, "user=" + sid + " ")) << line;
  // An elevated administrator may neither take the session's token nor
  // assign the shell's: the direct launch runs it, with the uninstaller's token.
  EXPECT_TRUE(Has(line, "elevation=full ")) << line;
  EXPECT_TRUE(Has(line, "product=intact ")) << line;
  // Seen from inside the run: the uninstaller's firewall entry is in place
  // while it works, under its own name (and gone once it has ended).
  EXPECT_TRUE(Has(line, " firewall=ZInstallTool ")) << line;
  auto dump = RunCommand({kSimhostPath, "dump", dir_});
  EXPECT_EQ(dump.out.find("ZInstallTool"), std::string::npos) << dump.out;
  EXPECT_TRUE(Has(line, "cmdline=\"C:\\Program Files\\Sample Product\\SampleToolExt64.exe\" /uninstall /quiet"))
      << line;
}

TEST_F(ToolSetExtensionTest, WindowsSixUsesTheLinkedAdministratorToken) {
  Make({"--windows", "6.1"});
  // Only LocalSystem gets the session's token and a linked token it can use.
  auto run = UninstallAsSystem();
  EXPECT_EQ(run.exit_code, 0) << run.err;
  auto lines = Marker();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(Has(lines[0], "elevation=full ")) << lines[0];
  EXPECT_TRUE(Has(lines[0], "session=1 ")) << lines[0];
}

TEST_F(ToolSetExtensionTest, AThirtyTwoBitProcessorRunsTheProgramWithoutSixtyFour) {
  Make({"--arch", "x86"});
  EXPECT_EQ(Uninstall().exit_code, 0);
  auto lines = Marker();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(Has(lines[0], "program=C:\\Program Files\\Sample Product\\SampleToolExt.exe ")) << lines[0];
}

TEST_F(ToolSetExtensionTest, AStandardUserGetsTheUninstallersTokenInTheirSession) {
  Make({"--standard-user"});
  // Elevation asked for another account's credentials: the uninstaller runs
  // as that administrator (here the system account), in the user's session.
  auto run = RunCommand({dir_ + "/" + kProduct + "uninst.exe", "/at"},
                        {"SIMHOST_MACHINE=" + dir_, "SIMHOST_SESSION=1", "SIMHOST_USER_SID=S-1-5-18",
                         "SIMHOST_TOKEN=elevated"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  auto lines = Marker();
  ASSERT_EQ(lines.size(), 1u);
  // The user's own token lacks the Administrators group: the uninstaller's
  // token goes, placed in the user's session.
  EXPECT_TRUE(Has(lines[0], "session=1 user=S-1-5-18 ")) << lines[0];
}

TEST_F(ToolSetExtensionTest, AFailingExtensionIsTriedByEachLauncher) {
  Make();
  Setting("SAMPLE_TOOL_EXT_EXIT_CODE", "1");
  EXPECT_EQ(UninstallAsSystem().exit_code, 0);
  auto lines = Marker();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(Has(lines[0], "session=1 ")) << lines[0];
  EXPECT_TRUE(Has(lines[0], "elevation=full ")) << lines[0];     // as the session's administrator
  EXPECT_TRUE(Has(lines[1], "elevation=limited ")) << lines[1];  // as the session's user
  EXPECT_TRUE(Has(lines[2], "session=0 user=S-1-5-18 ")) << lines[2];  // as the uninstaller itself
  for (const auto& line : lines) EXPECT_TRUE(Has(line, "product=intact ")) << line;
  // The uninstall went on.
  EXPECT_FALSE(PathExists(dir_ + "/" + kProduct + "SampleCore.dll"));
}

TEST_F(ToolSetExtensionTest, ASlowExtensionIsStartedAgainAndLeftRunningUntilItsFileGoes) {
  Make();
  Setting("SAMPLE_TOOL_EXT_DELAY_MS", "1500");
  auto run = UninstallAsSystem();
  EXPECT_EQ(run.exit_code, 0);
  auto lines = Marker();
  ASSERT_EQ(lines.size(), 3u);
  // The first launch still ran when the second one started.
  EXPECT_TRUE(Has(lines[0], " others=0 ")) << lines[0];
  EXPECT_FALSE(Has(lines[1], " others=0 ")) << lines[1];
  // Whatever still ran from the extension's file was ended before its removal.
  EXPECT_FALSE(PathExists(dir_ + "/" + kProduct + "SampleToolExt64.exe"));
}

// From an elevated administrator the session launchers fail before anything
// starts, so a failing extension runs once, directly, and the uninstall goes on.
TEST_F(ToolSetExtensionTest, AnAdministratorsFailingExtensionRunsOnceDirectly) {
  Make();
  Setting("SAMPLE_TOOL_EXT_EXIT_CODE", "1");
  EXPECT_EQ(Uninstall().exit_code, 0);
  auto lines = Marker();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(Has(lines[0], "session=1 ")) << lines[0];
  EXPECT_TRUE(Has(lines[0], "elevation=full ")) << lines[0];
  EXPECT_FALSE(PathExists(dir_ + "/" + kProduct + "SampleCore.dll"));
}

// A standard user running the uninstaller itself: the shell's token lacks the
// administrators, so the first launcher starts it with the uninstaller's own
// (standard) token, in the session it already runs in.
TEST_F(ToolSetExtensionTest, AStandardUsersRunStartsItWithItsOwnToken) {
  Make({"--standard-user"});
  Uninstall();
  auto lines = Marker();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(Has(lines[0], "session=1 ")) << lines[0];
  EXPECT_TRUE(Has(lines[0], "elevation=default ")) << lines[0];
}

TEST_F(ToolSetExtensionTest, AMissingExtensionEndsTheStepAndTheUninstallGoesOn) {
  Make();
  ASSERT_EQ(RunCommand({"/bin/rm", dir_ + "/" + kProduct + "SampleToolExt64.exe"}).exit_code, 0);
  EXPECT_EQ(Uninstall().exit_code, 0);
  EXPECT_TRUE(Marker().empty());
  EXPECT_FALSE(PathExists(dir_ + "/" + kProduct + "SampleCore.dll"));
}

}  // namespace
