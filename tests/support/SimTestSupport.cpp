#include "tests/support/SimTestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>
#include <utility>

#include "platform/processes.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/processes/SimProcesses.h"
#include "platform/sim/processes/SimSessions.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "platform/sim/text/SimUnicode.h"

extern char** environ;

const char* const kSimhostPath = UNINST_SIMHOST_PATH;
const char* const kCfgtoolPath = UNINST_CFGTOOL_PATH;
const char* const kSimprocPath = UNINST_SIMPROC_PATH;
const char* const kUninstPath = UNINST_UNINST_PATH;
const char* const kSourceDir = UNINST_SOURCE_DIR;

namespace {

int RemoveEntry(const char* path, const struct stat*, int type, struct FTW*) {
  if (type == FTW_DP) rmdir(path);
  else unlink(path);
  return 0;
}

long long NowMs() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

std::vector<char*> BuildEnv(const std::vector<std::string>& extra, std::vector<std::string>* store) {
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    bool overridden = false;
    for (const auto& x : extra)
      if (x.substr(0, x.find('=')) == name) overridden = true;
    if (!overridden) store->push_back(entry);
  }
  for (const auto& x : extra) store->push_back(x);
  std::vector<char*> out;
  for (auto& s : *store) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// The temporary folders alive in this process, with the process that made
// them: a forked child must not remove its parent's.
std::mutex& LiveTempDirsMutex() {
  static std::mutex mutex;
  return mutex;
}
std::set<std::pair<pid_t, std::string>>& LiveTempDirs() {
  static std::set<std::pair<pid_t, std::string>> dirs;
  return dirs;
}

std::string ReadLink(const std::string& link) {
  char buffer[PATH_MAX];
  ssize_t n = readlink(link.c_str(), buffer, sizeof(buffer) - 1);
  if (n <= 0) return std::string();
  std::string target(buffer, static_cast<size_t>(n));
  const std::string deleted = " (deleted)";
  if (target.size() > deleted.size() &&
      target.compare(target.size() - deleted.size(), deleted.size(), deleted) == 0)
    target.resize(target.size() - deleted.size());
  return target;
}

bool Inside(const std::string& path, const std::string& dir) {
  return path == dir || (path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 &&
                         path[dir.size()] == '/');
}

// A zombie holds nothing any more; only its parent can take it away.
bool Gone(pid_t pid) {
  std::string stat = ReadTextFile("/proc/" + std::to_string(pid) + "/stat");
  if (stat.empty()) return true;
  size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

std::vector<pid_t> ProcessesUnder(const std::string& dir) {
  std::vector<pid_t> found;
  DIR* proc = opendir("/proc");
  if (!proc) return found;
  while (dirent* e = readdir(proc)) {
    char* end = nullptr;
    long pid = strtol(e->d_name, &end, 10);
    if (pid <= 0 || *end || pid == getpid()) continue;
    const std::string base = std::string("/proc/") + e->d_name;
    if (Inside(ReadLink(base + "/exe"), dir) || Inside(ReadLink(base + "/cwd"), dir))
      found.push_back(static_cast<pid_t>(pid));
  }
  closedir(proc);
  return found;
}

void RemoveTree(const std::string& dir) {
  if (dir.empty()) return;
  EndProcessesUnder(dir);
  nftw(dir.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace

void EndProcessesUnder(const std::string& dir) {
  if (dir.empty() || dir == "/") return;
  // A dying program may still start another: look again until none is found.
  const long long deadline = NowMs() + 10000;
  while (NowMs() < deadline) {
    std::vector<pid_t> found = ProcessesUnder(dir);
    std::vector<pid_t> alive;
    for (pid_t pid : found)
      if (!Gone(pid)) alive.push_back(pid);
    if (alive.empty()) return;
    for (pid_t pid : alive) kill(pid, SIGKILL);
    for (pid_t pid : alive)
      while (!Gone(pid) && NowMs() < deadline) usleep(1000);
  }
}

[[noreturn]] void ExitRemovingTempDirs(int code) {
  std::vector<std::string> mine;
  {
    std::lock_guard<std::mutex> lock(LiveTempDirsMutex());
    for (const auto& [owner, path] : LiveTempDirs())
      if (owner == getpid()) mine.push_back(path);
  }
  for (const auto& path : mine) RemoveTree(path);
  std::fflush(nullptr);
  std::_Exit(code);
}

TempDir::TempDir() {
  const char* tmp = getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/uninst-test-XXXXXX";
  char* made = mkdtemp(templ.data());
  if (!made) return;
  // Processes report their real paths: so must the folder they are matched with.
  char real[PATH_MAX];
  path_ = realpath(made, real) ? real : made;
  std::lock_guard<std::mutex> lock(LiveTempDirsMutex());
  LiveTempDirs().insert({getpid(), path_});
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  RemoveTree(path_);
  std::lock_guard<std::mutex> lock(LiveTempDirsMutex());
  LiveTempDirs().erase({getpid(), path_});
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && Running()) {
    Kill(9);
    Wait(5000);
  }
  if (out_ >= 0) close(out_);
  if (in_ >= 0) close(in_);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept { *this = std::move(other); }

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  std::swap(pid_, other.pid_);
  std::swap(out_, other.out_);
  std::swap(in_, other.in_);
  std::swap(buffer_, other.buffer_);
  return *this;
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& extra_env) {
  int out_pipe[2], in_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0) return false;
  if (pipe2(in_pipe, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
  std::vector<std::string> argv_store = {program};
  argv_store.insert(argv_store.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_store) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_store;
  std::vector<char*> env = BuildEnv(extra_env, &env_store);
  int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out_pipe[1]);
  close(in_pipe[0]);
  out_ = out_pipe[0];
  in_ = in_pipe[1];
  if (rc != 0) pid_ = -1;
  return rc == 0;
}

std::string ChildProcess::ReadLine(int timeout_ms) {
  long long deadline = NowMs() + timeout_ms;
  while (true) {
    size_t nl = buffer_.find('\n');
    if (nl != std::string::npos) {
      std::string line = buffer_.substr(0, nl);
      buffer_.erase(0, nl + 1);
      return line;
    }
    long long left = deadline - NowMs();
    if (left <= 0 || out_ < 0) return std::string();
    struct pollfd p = {out_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    char chunk[512];
    ssize_t n = read(out_, chunk, sizeof(chunk));
    if (n <= 0) {
      std::string rest = buffer_;
      buffer_.clear();
      return rest;
    }
    buffer_.append(chunk, n);
  }
}

bool ChildProcess::WriteLine(const std::string& line) {
  std::string text = line + "\n";
  return in_ >= 0 && write(in_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

void ChildProcess::Kill(int signal) {
  if (pid_ > 0) kill(pid_, signal);
}

int ChildProcess::Wait(int timeout_ms) {
  if (pid_ <= 0) return -1;
  long long deadline = NowMs() + timeout_ms;
  while (true) {
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (r < 0 || NowMs() > deadline) return -1;
    usleep(2000);
  }
}

bool ChildProcess::Running() const {
  if (pid_ <= 0) return false;
  siginfo_t info = {};
  if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;
  return info.si_pid == 0;  // no state change to report: still running
}

CommandResult RunCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extra_env, int timeout_ms) {
  CommandResult result;
  int out_pipe[2], err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::vector<std::string> argv_store(argv);
  std::vector<char*> args;
  for (auto& a : argv_store) args.push_back(a.data());
  args.push_back(nullptr);
  std::vector<std::string> env_store;
  std::vector<char*> env = BuildEnv(extra_env, &env_store);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out_pipe[1]);
  close(err_pipe[1]);
  if (rc != 0) {
    close(out_pipe[0]);
    close(err_pipe[0]);
    return result;
  }
  long long deadline = NowMs() + timeout_ms;
  struct pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  int open_count = 2;
  while (open_count > 0 && NowMs() < deadline) {
    if (poll(fds, 2, 100) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char chunk[4096];
      ssize_t n = read(fds[i].fd, chunk, sizeof(chunk));
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_count;
      } else {
        (i == 0 ? result.out : result.err).append(chunk, n);
      }
    }
  }
  for (auto& f : fds)
    if (f.fd >= 0) close(f.fd);
  int status = 0;
  while (true) {
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) break;
    if (NowMs() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.exit_code = -1;
      return result;
    }
    usleep(2000);
  }
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

std::string SampleTitle() {
  const std::string xml = ReadTextFile(std::string(kSourceDir) + "/resources/sample/installConfig.xml");
  const std::string key = "key=\"title\" value=\"";
  const size_t at = xml.find(key);
  if (at == std::string::npos) return std::string();
  const size_t end = xml.find('"', at + key.size());
  return end == std::string::npos ? std::string() : xml.substr(at + key.size(), end - at - key.size());
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<std::string> LogMessages(const std::string& log_path, const std::string& level) {
  std::vector<std::string> out;
  const std::string log = ReadTextFile(log_path);
  // The level stands right-aligned in seven columns: "|WARNING|", "|  ERROR|".
  const std::string marker =
      "|" + std::string(level.size() < 7 ? 7 - level.size() : 0, ' ') + level + "|";
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find("\r\n", start);
    if (end == std::string::npos) break;
    std::string line = log.substr(start, end - start);
    start = end + 2;
    size_t text = line.find("] ");
    if (line.find(marker) != std::string::npos && text != std::string::npos)
      out.push_back(line.substr(text + 2));
  }
  return out;
}

bool ProcessListed(long long pid) {
  std::vector<DWORD> ids(4096);
  DWORD returned = 0;
  if (!EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &returned))
    return false;
  ids.resize(returned / sizeof(DWORD));
  return std::find(ids.begin(), ids.end(), static_cast<DWORD>(pid)) != ids.end();
}

bool WriteTextFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
  return static_cast<bool>(out);
}

bool PathExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

void MachineTest::SetUp() {
  // HTTP in tests stays on the loopback interface: no proxy of the
  // surrounding machine may stand in between (programs started by the test
  // inherit this).
  for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                           "ALL_PROXY"})
    unsetenv(name);
  RecreateMachine(true);
}

void MachineTest::RecreateMachine(bool x64) {
  SimMachineOptions options;
  options.x64 = x64;
  RecreateMachine(options);
}

void MachineTest::RecreateMachine(const SimMachineOptions& options) {
  if (temp_) {
    for (const auto& process : SimListMachineProcesses(machine_dir_)) kill(process.pid, SIGKILL);
  }
  temp_ = std::make_unique<TempDir>();
  machine_dir_ = temp_->Path() + "/machine";
  std::string error;
  ASSERT_TRUE(SimCreateMachine(machine_dir_, options, &error)) << error;
}

void MachineTest::TearDown() {
  // Whatever still runs from the machine (a service, a program a test left
  // behind) ends with it.
  for (const auto& process : SimListMachineProcesses(machine_dir_)) kill(process.pid, SIGKILL);
  SimHost::ForgetMachine();
  temp_.reset();
}

std::string MachineTest::Real(const std::string& relative_to_c) const {
  return machine_dir_ + "/drives/c/" + relative_to_c;
}

std::string MachineTest::InstallHelper(const std::u16string& windows_dir, const std::string& name) {
  std::string dir = SimToUtf8(windows_dir.substr(3));
  for (auto& c : dir)
    if (c == '\\') c = '/';
  std::string real_dir = Real(dir);
  RunCommand({"/bin/mkdir", "-p", real_dir});
  std::string target = real_dir + "/" + name;
  RunCommand({"/bin/cp", kSimprocPath, target});
  return target;
}

bool MachineTest::StartInMachine(ChildProcess* child, const std::string& real_program,
                                 const std::vector<std::string>& args) {
  return child->Start(real_program, args, {"SIMHOST_MACHINE=" + machine_dir_});
}

std::vector<std::string> ReadTextLines(const std::string& path) {
  std::vector<std::string> lines;
  const std::string text = ReadTextFile(path);
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string JsonField(const std::string& json, const std::string& object, const std::string& name) {
  const size_t at = json.find("\"" + object + "\":{");
  if (at == std::string::npos) return "";
  const std::string rest = json.substr(at);
  std::smatch m;
  const std::regex field("\"" + name + "\":(\"(?:[^\"\\\\]|\\\\.)*\"|[0-9]+)");
  return std::regex_search(rest, m, field) ? m[1].str() : "";
}

CommandResult RunTestChild(std::vector<std::string> env, const std::string& filter) {
  env.push_back("UNINST_TEST_CHILD=1");
  return RunCommand({SimHost::ExecutablePath(), "--gtest_filter=" + filter}, env);
}

CommandResult RunTestChildAsSystem(const std::string& machine_dir, const std::string& filter) {
  std::vector<std::string> env = SimIdentityEnvironment(SimSystemIdentity());
  if (!machine_dir.empty()) env.push_back("SIMHOST_MACHINE=" + machine_dir);
  return RunTestChild(env, filter);
}

bool IsTestChild() { return getenv("UNINST_TEST_CHILD") != nullptr; }

bool RunThisTestAsSystem() {
  if (IsTestChild()) return true;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = std::string(info->test_suite_name()) + "." + info->name();
  CommandResult child = RunTestChildAsSystem(std::string(), name);
  EXPECT_EQ(child.exit_code, 0) << child.out << child.err;
  EXPECT_NE(child.out.find("[  PASSED  ] 1 test"), std::string::npos) << child.out;
  return false;
}
