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
  std::error_code error;
  if (!fs::is_directory(dir, error)) {
    std::fprintf(stderr, "skinview: %s is not a folder\n", dir.c_str());
    return false;
  }
  // The folder's files copied to C:\skinview\res\NAME (its subfolders too):
  // the DPI images of a resource folder are looked for under its name.
  const fs::path source = fs::path(dir).lexically_normal();
  std::string name = (source.has_filename() ? source : source.parent_path()).filename().string();
  bool ascii = !name.empty();
  for (char c : name) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (!ascii || name == "." || name == "..") name = "res";
  const fs::path program = fs::path(SimHost::Machine()->DriveDir(u'C')) / "skinview";
  const fs::path target = program / "res" / name;
  fs::remove_all(program / "res", error);
  fs::create_directories(target, error);
  fs::copy(dir, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
  if (error) {
    std::fprintf(stderr, "skinview: cannot copy %s: %s\n", dir.c_str(), error.message().c_str());
    return false;
  }
  // A product keeps them in ressrc\chs\dpiimg beside its res folder.
  const fs::path dpi_images = fs::absolute(source, error) / ".." / ".." / "ressrc" / "chs" / "dpiimg";
  fs::remove_all(program / "ressrc" / "chs" / "dpiimg", error);
  if (fs::is_directory(dpi_images, error)) {
    fs::create_directories(program / "ressrc" / "chs" / "dpiimg", error);
    fs::copy(dpi_images, program / "ressrc" / "chs" / "dpiimg",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
    if (error) std::fprintf(stderr, "skinview: cannot copy the DPI images: %s\n", error.message().c_str());
  }
  *windows_dir = u"C:\\skinview\\res\\" + std::u16string(name.begin(), name.end());
  return true;
}
