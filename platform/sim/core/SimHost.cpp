#include "platform/sim/core/SimHost.h"
#include "platform/sim/files/SimCurrentDirectory.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/sim/files/SimPath.h"

std::shared_ptr<SimMachine> SimMachine::Open(const std::string& dir, std::string* error) {
  char resolved[PATH_MAX];
  if (!realpath(dir.c_str(), resolved)) {
    if (error) *error = "no such machine directory: " + dir;
    return nullptr;
  }
  auto machine = std::make_shared<SimMachine>();
  machine->dir_ = resolved;
  std::string db_path = machine->dir_ + "/machine.db";
  struct stat st;
  if (stat(db_path.c_str(), &st) != 0) {
    if (error) *error = "not a machine (no machine.db): " + dir;
    return nullptr;
  }
  machine->db_ = SimDb::Open(db_path, false, error);
  if (!machine->db_) return nullptr;
  machine->is64_ = machine->Fact("arch", "x64") == "x64";
  return machine;
}

std::string SimMachine::DriveDir(char16_t letter) const {
  if (letter >= u'A' && letter <= u'Z') letter = static_cast<char16_t>(letter + 32);
  if (letter < u'a' || letter > u'z') return std::string();
  return dir_ + "/drives/" + static_cast<char>(letter);
}

std::string SimMachine::Fact(const std::string& name, const std::string& fallback) {
  SimStatement st(*db_, "SELECT value FROM facts WHERE name=?1");
  st.Bind(1, name);
  return st.Step() ? st.Text(0) : fallback;
}

bool SimMachine::SetFact(const std::string& name, const std::string& value) {
  SimTransaction tx(*db_);
  SimStatement st(*db_, "INSERT OR REPLACE INTO facts(name, value) VALUES(?1, ?2)");
  st.Bind(1, name).Bind(2, value);
  st.Step();
  bool ok = !st.Failed() && tx.Commit();
  if (ok && name == "arch") is64_ = value == "x64";
  return ok;
}

SimHost& SimHost::Instance() {
  static SimHost host;
  return host;
}

std::string SimHost::ExecutablePath() {
  // The path the program was started from, as Windows keeps it: a later rename
  // of the running file does not change it.
  static const std::string* path = [] {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    return new std::string(n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string());
  }();
  return *path;
}

std::shared_ptr<SimMachine> SimHost::Machine() {
  SimHost& host = Instance();
  std::lock_guard<std::mutex> guard(host.mutex_);
  if (host.machine_ || host.searched_) return host.machine_;
  host.searched_ = true;
  if (const char* env = getenv("SIMHOST_MACHINE"); env && *env) {
    host.machine_ = SimMachine::Open(env, nullptr);
    return host.machine_;
  }
  std::string dir = ExecutablePath();
  while (!dir.empty()) {
    size_t slash = dir.rfind('/');
    if (slash == std::string::npos) break;
    dir.resize(slash);
    struct stat st;
    if (stat((dir.empty() ? std::string("/machine.db") : dir + "/machine.db").c_str(), &st) == 0) {
      host.machine_ = SimMachine::Open(dir.empty() ? "/" : dir, nullptr);
      break;
    }
  }
  return host.machine_;
}

bool SimHost::UseMachine(const std::string& dir, std::string* error) {
  auto machine = SimMachine::Open(dir, error);
  SimHost& host = Instance();
  std::lock_guard<std::mutex> guard(host.mutex_);
  host.machine_ = machine;
  host.searched_ = true;
  host.current_dir_.clear();
  return machine != nullptr;
}

void SimHost::ForgetMachine() {
  SimHost& host = Instance();
  std::lock_guard<std::mutex> guard(host.mutex_);
  host.machine_.reset();
  host.searched_ = true;
  host.current_dir_.clear();
  host.module_path_.clear();
  SimHoldCurrentDirectory(-1);
}

void SimHost::SetNativeProcess(bool native) {
  SimHost& host = Instance();
  std::lock_guard<std::mutex> guard(host.mutex_);
  host.native_ = native;
}

bool SimHost::IsWow64Process() {
  auto machine = Machine();
  SimHost& host = Instance();
  std::lock_guard<std::mutex> guard(host.mutex_);
  return machine && machine->Is64Bit() && !host.native_;
}

std::u16string SimHost::ModulePath() {
  {
    SimHost& host = Instance();
    std::lock_guard<std::mutex> guard(host.mutex_);
    if (!host.module_path_.empty()) return host.module_path_;
  }
  return SimWinPathFromReal(ExecutablePath());
}

void SimHost::SetModulePath(const std::u16string& path) {
  SimHost& host = Instance();
  std::lock_guard<std::mutex> guard(host.mutex_);
  host.module_path_ = path;
}

std::u16string SimHost::CurrentDirectory() {
  {
    SimHost& host = Instance();
    std::lock_guard<std::mutex> guard(host.mutex_);
    if (!host.current_dir_.empty()) return host.current_dir_;
  }
  // A program started inside the machine starts in its Linux working directory
  // when that lies in the machine; otherwise at the root of C:.
  char buffer[PATH_MAX];
  std::u16string dir;
  if (getcwd(buffer, sizeof(buffer))) dir = SimWinPathFromReal(buffer);
  if (dir.size() < 2 || dir[1] != u':') dir = u"C:\\";
  if (dir.back() != u'\\') dir += u'\\';
  return dir;
}

void SimHost::SetCurrentDirectory(const std::u16string& path) {
  SimHost& host = Instance();
  std::lock_guard<std::mutex> guard(host.mutex_);
  host.current_dir_ = path;
  if (!host.current_dir_.empty() && host.current_dir_.back() != u'\\') host.current_dir_ += u'\\';
}

std::u16string SimMachine::BootSystemRoot(std::u16string (*read)()) {
  std::lock_guard<std::mutex> lock(boot_mutex_);
  if (boot_system_root_.empty()) boot_system_root_ = read();
  return boot_system_root_;
}
