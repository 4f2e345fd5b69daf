#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "tools/skinview/SkinviewHost.h"

namespace fs = std::filesystem;

struct SkinviewHost::State {
  std::string own_dir;  // a throw-away machine's folder, removed at the end
};

SkinviewHost::SkinviewHost() : state_(std::make_unique<State>()) {}

SkinviewHost::~SkinviewHost() {
  if (state_->own_dir.empty()) return;
  SimHost::ForgetMachine();
  std::error_code ignored;
  fs::remove_all(state_->own_dir, ignored);
}

bool SkinviewHost::Prepare() {
  if (const char* env = std::getenv("SIMHOST_MACHINE"); env && *env) {
    if (!SimHost::Machine()) {
      std::fprintf(stderr, "skinview: SIMHOST_MACHINE=%s is no machine\n", env);
      return false;
    }
  } else {
    std::string pattern = (fs::temp_directory_path() / "skinview-machine-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return false;
    state_->own_dir = pattern;
    SimMachineOptions options;
    std::string error;
    if (!SimCreateMachine(state_->own_dir + "/machine", options, &error)) {
      std::fprintf(stderr, "skinview: cannot make a machine: %s\n", error.c_str());
      return false;
    }
  }
  SimHost::SetNativeProcess(true);
  SimHost::SetModulePath(u"C:\\skinview\\skinview.exe");
  return true;
}

void SkinviewHost::SetDpi(int dpi) {
  if (dpi <= 0) return;  // the machine's own screen
  auto machine = SimHost::Machine();
  machine->SetFact("dpi", std::to_string(dpi));
  const fs::path settings = fs::path(machine->DriveDir(u'C')) / "skinview" / "ressrc" / "chs";
  std::error_code error;
  fs::create_directories(settings, error);
  std::ofstream(settings / "dpisetting.ini")
      << "[basesetting]\r\ndebug=1\r\ndebugdpi=" << dpi << "\r\nsupportprocess=skinview\r\n";
}

bool SkinviewHost::ResourceDirectory(const std::string& dir, std::u16string* windows_dir) {
  if (dir.size() >= 2 && std::isalpha(static_cast<unsigned char>(dir[0])) && dir[1] == ':') {
    windows_dir->assign(dir.begin(), dir.end());  // Windows paths given here are ASCII
    return true;
  }
  // The folder's files copied to C:\skinview\res (its subfolders too).
  const fs::path target = fs::path(SimHost::Machine()->DriveDir(u'C')) / "skinview" / "res";
  std::error_code error;
  if (!fs::is_directory(dir, error)) {
    std::fprintf(stderr, "skinview: %s is not a folder\n", dir.c_str());
    return false;
  }
  fs::remove_all(target, error);
  fs::create_directories(target, error);
  fs::copy(dir, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
  if (error) {
    std::fprintf(stderr, "skinview: cannot copy %s: %s\n", dir.c_str(), error.message().c_str());
    return false;
  }
  *windows_dir = u"C:\\skinview\\res";
  return true;
}
