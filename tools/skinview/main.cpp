// skinview: a skin resource folder loaded as the uninstaller loads it, one
// of its layouts laid out and drawn, and every problem the loaders met.
//   skinview DIR LAYOUT_ID [--dpi N] [--out FILE.png] [--elements] [--notify [--disable ID]...]
// DIR is a folder of this computer (copied into the machine) or a Windows
// path of the machine. With --out the dialog is drawn headless into a PNG;
// without it, it is shown in a window of the machine until closed. The
// machine is SIMHOST_MACHINE, else a throw-away one. --dpi N gives the
// machine a screen of N DPI and lets the dialog scale for it. --elements
// prints one JSON line per element after layout. --notify runs the window
// modally and prints what its view tells the application (NotifyDialog.h);
// --disable ID gives element ID the disabled state first.
// Problems go to standard error as "DOCUMENT:LINE: MESSAGE".
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "tools/skinview/ElementDump.h"
#include "tools/skinview/NotifyDialog.h"
#include "ui/dialog/CVuDialogImpl.h"
#include "ui/dialog/VuFramework.h"
#include "ui/element/CVuWindow.h"
#include "ui/resource/VuResourceLocator.h"

namespace fs = std::filesystem;

namespace {

struct Options {
  std::string dir;
  int layout_id = 0;
  int dpi = 0;
  std::string out;
  bool elements = false;
  bool notify = false;
  std::vector<int> disabled;
};

int Usage() {
  std::fprintf(stderr,
               "usage: skinview DIR LAYOUT_ID [--dpi N] [--out FILE.png] [--elements] "
               "[--notify [--disable ID]...]\n");
  return 2;
}

bool ParseArgs(int argc, char** argv, Options* o) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dpi" && i + 1 < argc) {
      o->dpi = std::atoi(argv[++i]);
      if (o->dpi < 48 || o->dpi > 960) return false;
    } else if (arg == "--out" && i + 1 < argc) {
      o->out = argv[++i];
    } else if (arg == "--elements") {
      o->elements = true;
    } else if (arg == "--notify") {
      o->notify = true;
    } else if (arg == "--disable" && i + 1 < argc) {
      o->disabled.push_back(std::atoi(argv[++i]));
    } else if (!arg.empty() && arg[0] != '-') {
      positional.push_back(arg);
    } else {
      return false;
    }
  }
  if (positional.size() != 2) return false;
  o->dir = positional[0];
  char* end = nullptr;
  o->layout_id = static_cast<int>(std::strtol(positional[1].c_str(), &end, 10));
  return end && *end == 0 && o->layout_id > 0;
}

bool IsWindowsPath(const std::string& path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

std::u16string Widen(const std::string& text) {
  std::u16string out;
  for (unsigned char c : text) out.push_back(c);  // Windows paths given here are ASCII
  return out;
}

// A machine of its own, removed at exit.
struct ThrowAwayMachine {
  std::string dir;
  ~ThrowAwayMachine() {
    if (dir.empty()) return;
    SimHost::ForgetMachine();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
};

bool PrepareMachine(ThrowAwayMachine* own) {
  if (const char* env = std::getenv("SIMHOST_MACHINE"); env && *env) {
    if (SimHost::Machine()) return true;
    std::fprintf(stderr, "skinview: SIMHOST_MACHINE=%s is no machine\n", env);
    return false;
  }
  std::string pattern = (fs::temp_directory_path() / "skinview-machine-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return false;
  own->dir = pattern;
  SimMachineOptions options;
  std::string error;
  if (!SimCreateMachine(own->dir + "/machine", options, &error)) {
    std::fprintf(stderr, "skinview: cannot make a machine: %s\n", error.c_str());
    return false;
  }
  return true;
}

// The folder's files copied to C:\skinview\res (its subfolders too).
bool CopyIntoMachine(const std::string& dir, std::u16string* windows_dir) {
  auto machine = SimHost::Machine();
  const fs::path target = fs::path(machine->DriveDir(u'C')) / "skinview" / "res";
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

// The screen's DPI and the settings that let this program scale for it.
void SetDpi(int dpi) {
  auto machine = SimHost::Machine();
  machine->SetFact("dpi", std::to_string(dpi));
  const fs::path settings = fs::path(machine->DriveDir(u'C')) / "skinview" / "ressrc" / "chs";
  std::error_code error;
  fs::create_directories(settings, error);
  std::ofstream(settings / "dpisetting.ini")
      << "[basesetting]\r\ndebug=1\r\ndebugdpi=" << dpi << "\r\nsupportprocess=skinview\r\n";
}

bool WritePng(const ZCanvas& canvas, const std::string& path) {
  std::vector<uint8_t> png;
  std::ofstream file(path, std::ios::binary);
  return canvas.EncodePng(&png) &&
         file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArgs(argc, argv, &options)) return Usage();
  ThrowAwayMachine own;
  if (!PrepareMachine(&own)) return 1;
  SimHost::SetNativeProcess(true);
  // The DPI settings are read next to the program, as the uninstaller's are.
  SimHost::SetModulePath(u"C:\\skinview\\skinview.exe");
  if (options.dpi) SetDpi(options.dpi);

  std::u16string resource_dir;
  if (IsWindowsPath(options.dir))
    resource_dir = Widen(options.dir);
  else if (!CopyIntoMachine(options.dir, &resource_dir))
    return 1;

  VuResourceLocator::Instance().SetProblemSink([](const VuLoadProblem& problem) {
    std::fprintf(stderr, "%s:%d: %s\n", problem.document.empty() ? "-" : problem.document.c_str(),
                 problem.line, problem.message.c_str());
  });
  VuFramework::Initialize(resource_dir);

  if (options.notify && options.out.empty()) {
    NotifyDialog dialog(options.layout_id, stdout);
    if (!dialog.LoadLayout()) {
      std::fprintf(stderr, "skinview: layout %d did not load\n", options.layout_id);
      return 1;
    }
    for (int id : options.disabled)
      if (CVuWindow* element = dialog.FindItem(id)) element->ModifyState(kVuStateDisabled, 0);
    dialog.DoModal(nullptr);
    return 0;
  }
  CVuDialogImpl dialog(options.layout_id);
  if (!dialog.LoadLayout()) {
    std::fprintf(stderr, "skinview: layout %d did not load\n", options.layout_id);
    return 1;
  }
  dialog.EnableFrameBorder(true);
  const VuLayoutAttributes& a = dialog.Layout().Attributes();
  const int cx = a.width < a.min_width ? a.min_width : a.width;
  const int cy = a.height < a.min_height ? a.min_height : a.height;

  int status = 0;
  if (!options.out.empty()) {
    if (cx <= 0 || cy <= 0) {
      std::fprintf(stderr, "skinview: layout %d has no size (%d x %d)\n", options.layout_id, cx, cy);
      return 1;
    }
    dialog.LayoutView(cx, cy);
    ZCanvas canvas;
    dialog.PaintClient(&canvas, cx, cy, nullptr);
    if (!WritePng(canvas, options.out)) {
      std::fprintf(stderr, "skinview: cannot write %s\n", options.out.c_str());
      return 1;
    }
    if (options.elements) PrintElements(dialog.Layout(), stdout);
  } else {
    if (!dialog.Create(nullptr)) {
      std::fprintf(stderr, "skinview: no window for layout %d\n", options.layout_id);
      return 1;
    }
    if (options.elements) PrintElements(dialog.Layout(), stdout);
    std::fflush(stdout);
    // Until the window is closed (its close button ends the dialog).
    dialog.RunModalLoop();
  }
  std::fflush(stdout);
  return status;
}
