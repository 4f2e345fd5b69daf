// Test support: temporary folders, fresh machines and real child processes.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>
#include <vector>

struct SimMachineOptions;

// A temporary directory under ${TMPDIR:-/tmp}, named uninst-test-*. When it
// goes, every process running from it or working in it (a machine's services
// and detached programs included) is ended first, then the directory is
// removed with everything in it (links are not followed).
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// A child process with its standard output on a pipe.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;

  // Starts program with args; extra_env entries are "NAME=value".
  bool Start(const std::string& program, const std::vector<std::string>& args,
             const std::vector<std::string>& extra_env = {});
  // Reads one line of output (without the newline); empty after timeout or EOF.
  std::string ReadLine(int timeout_ms = 10000);
  // Sends a line to the child's standard input.
  bool WriteLine(const std::string& line);
  void Kill(int signal = 9);
  // Waits for the end; the exit code, 128 + signal, or -1 after timeout_ms.
  int Wait(int timeout_ms = 10000);
  pid_t Pid() const { return pid_; }
  bool Running() const;

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int in_ = -1;
  std::string buffer_;
};

// Ends (SIGKILL) every process other than this one whose executable or
// working directory lies in dir, and waits until none is left.
void EndProcessesUnder(const std::string& dir);

// For the child process of a death test, which never returns to its fixture:
// ends the processes of the temporary folders this process made and removes
// them, then ends the process with code, as std::_Exit does.
[[noreturn]] void ExitRemovingTempDirs(int code);

struct CommandResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs a command to its end (at most timeout_ms) and collects its output.
CommandResult RunCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extra_env = {}, int timeout_ms = 60000);

std::string ReadTextFile(const std::string& path);
// The lines of a text file (without their "\n"; a missing file has none).
std::vector<std::string> ReadTextLines(const std::string& path);
// A field of an object in a one-line JSON document, as its JSON text (a
// number, or a string with its quotes): JsonField(line, "event", "kind").
// Empty when either is missing.
std::string JsonField(const std::string& json, const std::string& object, const std::string& name);
bool WriteTextFile(const std::string& path, const std::string& content);
// The sample product's window title (its configuration's "title"), UTF-8.
std::string SampleTitle();
bool PathExists(const std::string& path);
// The messages (the text after "] ") of a log file's lines of one level
// ("WARNING", "ERROR" ...), in order.
std::vector<std::string> LogMessages(const std::string& log_path, const std::string& level);
// Whether EnumProcesses lists the process (a live process of the current machine).
bool ProcessListed(long long pid);

// A fresh machine (x64 unless told otherwise) in a temporary folder, selected
// for this process for the length of the test.
class MachineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Creates a machine of the other architecture instead.
  void RecreateMachine(bool x64);
  // Creates a machine made with these options instead (test machines have no
  // running shell unless options.explorer_program is kSimprocPath).
  void RecreateMachine(const SimMachineOptions& options);

  const std::string& MachineDir() const { return machine_dir_; }
  std::string Real(const std::string& relative_to_c) const;  // drives/c/...
  // Copies the helper program into the machine (Windows path under C:\) and
  // returns its real path.
  std::string InstallHelper(const std::u16string& windows_dir, const std::string& name);
  // Starts a program inside this machine.
  bool StartInMachine(ChildProcess* child, const std::string& real_program,
                      const std::vector<std::string>& args);

 private:
  std::unique_ptr<TempDir> temp_;
  std::string machine_dir_;
};

extern const char* const kSimhostPath;
extern const char* const kCfgtoolPath;
extern const char* const kSimprocPath;
extern const char* const kUninstPath;
extern const char* const kSourceDir;

// Runs this test program again, with only the tests that filter names, as a
// program of the machine at machine_dir (none: the child makes its own)
// started the way a service is: LocalSystem in session 0. The child sees
// UNINST_TEST_CHILD set.
CommandResult RunTestChildAsSystem(const std::string& machine_dir, const std::string& filter);
// The same with the environment entries given ("NAME=value"), for another identity.
CommandResult RunTestChild(std::vector<std::string> env, const std::string& filter);
// Whether this process is such a child (a *Child test does nothing otherwise).
bool IsTestChild();
// For a test whose checks need LocalSystem (session tokens, SeTcbPrivilege):
// in the test's own process, runs the same test again as a LocalSystem child
// (see RunTestChildAsSystem), expects it to pass and returns false; in that
// child, returns true and the test goes on.
bool RunThisTestAsSystem();
