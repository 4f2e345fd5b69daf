// The test helpers' own promise: a temporary machine goes with everything
// that runs from it or in it, whichever way the test ends.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "tests/support/SimTestSupport.h"

namespace {

bool Alive(pid_t pid) {
  const std::string stat = ReadTextFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

// Starts a program that outlives its starter (a new session, no parent of
// ours to reap it) with its working folder in dir; returns its process id.
pid_t StartDetached(const std::string& dir, const std::string& program) {
  auto started = RunCommand(
      {"/bin/sh", "-c",
       "cd \"$0\" && setsid \"$1\" 600 </dev/null >/dev/null 2>&1 & echo $!", dir, program});
  return started.exit_code == 0 ? static_cast<pid_t>(std::atol(started.out.c_str())) : -1;
}

TEST(TempDirTest, MachineServicesAndDetachedProgramsEndWithTheFolder) {
  auto dir = std::make_unique<TempDir>();
  const std::string path = dir->Path();
  ASSERT_FALSE(path.empty());
  EXPECT_NE(path.find("/uninst-test-"), std::string::npos);
  const std::string machine = path + "/m";
  ASSERT_EQ(RunCommand({kSimhostPath, "new", machine}).exit_code, 0);
  // The sample product starts its service: a program of the machine that no
  // test started itself.
  ASSERT_EQ(RunCommand({kSimhostPath, "install-sample", machine}).exit_code, 0);
  auto listed = RunCommand({kSimhostPath, "ps", machine});
  ASSERT_NE(listed.out.find("SampleService.exe"), std::string::npos) << listed.out;
  const pid_t service = static_cast<pid_t>(std::atol(listed.out.c_str()));
  // A program that only works in the folder, its executable elsewhere.
  const pid_t worker = StartDetached(path, "/bin/sleep");
  ASSERT_GT(service, 0);
  ASSERT_GT(worker, 0);
  ASSERT_TRUE(Alive(service));
  ASSERT_TRUE(Alive(worker));

  dir.reset();
  EXPECT_FALSE(PathExists(path));
  EXPECT_FALSE(Alive(service));
  EXPECT_FALSE(Alive(worker));
}

TEST(TempDirTest, ProcessesOutsideTheFolderAreLeftAlone) {
  TempDir outside;
  const pid_t bystander = StartDetached(outside.Path(), "/bin/sleep");
  ASSERT_GT(bystander, 0);
  {
    TempDir inside;
    // Its name starts like the other's: only a whole folder name matches.
    ASSERT_TRUE(WriteTextFile(inside.Path() + "/x", "x"));
  }
  EXPECT_TRUE(Alive(bystander));
  EndProcessesUnder(outside.Path());
  EXPECT_FALSE(Alive(bystander));
}

TEST(TempDirTest, ADeathTestChildRemovesOnlyItsOwnFolders) {
  TempDir parents;
  GTEST_FLAG_SET(death_test_style, "fast");  // a fork: the child shares our list
  const std::string marker = parents.Path() + "/child-dir";
  EXPECT_EXIT(
      {
        TempDir childs;
        const pid_t worker = StartDetached(childs.Path(), "/bin/sleep");
        WriteTextFile(marker, std::to_string(worker) + " " + childs.Path());
        ExitRemovingTempDirs(7);
      },
      ::testing::ExitedWithCode(7), "");
  EXPECT_TRUE(PathExists(parents.Path())) << "the parent's folder is not the child's to remove";
  const std::string written = ReadTextFile(marker);
  const size_t blank = written.find(' ');
  ASSERT_NE(blank, std::string::npos) << written;
  const pid_t worker = static_cast<pid_t>(std::atol(written.c_str()));
  const std::string childs = written.substr(blank + 1);
  EXPECT_FALSE(PathExists(childs));
  EXPECT_GT(worker, 0);
  EXPECT_FALSE(Alive(worker));
  EndProcessesUnder(childs);
}

}  // namespace
