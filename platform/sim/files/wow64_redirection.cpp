// WOW64 file-system redirection on the simulated host. It runs where a parsed
// Windows path is about to name a real file, so every file function sees it;
// text-only functions (GetFullPathNameW) and registry records never do.
#include "platform/sim/files/SimWow64Redirection.h"

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimSystemFolders.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

thread_local bool t_disabled = false;

// Folders of System32 that both kinds of program share.
const char16_t* const kShared[] = {u"catroot", u"catroot2", u"driverstore", u"logfiles",
                                   u"spool"};

bool Same(const std::u16string& a, const char16_t* b) { return SimEqualNoCase(a, b); }

bool Exempt(const SimWinPath& path, size_t system32) {
  const auto& parts = path.parts;
  if (parts.size() <= system32 + 1) return false;
  const std::u16string& below = parts[system32 + 1];
  for (const char16_t* name : kShared)
    if (Same(below, name)) return true;
  return Same(below, u"drivers") && parts.size() > system32 + 2 &&
         Same(parts[system32 + 2], u"etc");
}

bool Redirected(const std::u16string& name) {
  return Same(name, u"System32") || Same(name, u"Sysnative") || Same(name, u"regedit.exe") ||
         Same(name, u"lastgood");
}

// True when the first `count` parts of path are the Windows folder.
bool InWindowsFolder(const SimWinPath& path, size_t count) {
  SimWinPath windows;
  if (SimParseUnredirected(SimSystemRoot().c_str(), &windows) || windows.drive != path.drive ||
      windows.parts.size() != count)
    return false;
  for (size_t i = 0; i < count; ++i)
    if (!SimEqualNoCase(windows.parts[i], path.parts[i])) return false;
  return true;
}

}  // namespace

void SimRedirectWow64(SimWinPath* path) {
  if (t_disabled) return;
  // Cheap test first: this runs for every path of every file call.
  size_t at = 0;
  while (at < path->parts.size() && at < 8 && !Redirected(path->parts[at])) ++at;
  if (at == 0 || at >= path->parts.size() || at >= 8) return;
  if (!SimHost::IsWow64Process() || !InWindowsFolder(*path, at)) return;
  std::u16string& folder = path->parts[at];
  if (Same(folder, u"Sysnative")) {
    folder = u"System32";
  } else if (Same(folder, u"System32")) {
    if (!Exempt(*path, at)) folder = u"SysWOW64";
  } else if (Same(folder, u"regedit.exe")) {
    if (path->parts.size() == at + 1)
      path->parts.insert(path->parts.begin() + static_cast<std::ptrdiff_t>(at), u"SysWOW64");
  } else if (path->parts.size() > at + 1 && Same(path->parts[at + 1], u"System32")) {
    path->parts[at + 1] = u"SysWOW64";  // lastgood\System32
  }
}

bool SimRedirectsLeaf(const char16_t* path) {
  SimWinPath written;
  if (SimParseUnredirected(path, &written) || written.parts.empty()) return false;
  SimWinPath seen = written;
  SimRedirectWow64(&seen);
  return seen.parts.size() != written.parts.size() || seen.Leaf() != written.Leaf();
}

BOOL Wow64DisableWow64FsRedirection(PVOID* old_value) {
  auto machine = SimHost::Machine();
  if (!machine || !machine->Is64Bit()) return SimFail(ERROR_INVALID_FUNCTION);
  if (!old_value) return SimFail(ERROR_NOACCESS);
  *old_value = reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(t_disabled ? 1 : 0));
  t_disabled = true;
  return TRUE;
}

BOOL Wow64RevertWow64FsRedirection(PVOID old_value) {
  auto machine = SimHost::Machine();
  if (!machine || !machine->Is64Bit()) return SimFail(ERROR_INVALID_FUNCTION);
  t_disabled = old_value != nullptr;
  return TRUE;
}

SimNativePathScope::SimNativePathScope() : was_disabled_(t_disabled) { t_disabled = true; }
SimNativePathScope::~SimNativePathScope() { t_disabled = was_disabled_; }

BOOL IsWow64Process(HANDLE process, PBOOL wow64_process) {
  if (process != GetCurrentProcess()) return SimFail(ERROR_INVALID_HANDLE);
  if (!wow64_process) return SimFail(ERROR_NOACCESS);
  *wow64_process = SimHost::IsWow64Process() ? TRUE : FALSE;
  return TRUE;
}
