#include "platform/sim/core/SimAccessRules.h"

#include <sys/xattr.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/registry.h"
#include "platform/services.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimSystemFolders.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/processes/SimSessions.h"

namespace {

std::atomic<bool> g_host{false};
thread_local int t_host_scopes = 0;

// Who this process is, per machine: the identity and folders are read once,
// as a token and SystemRoot do not change while a process runs.
struct RulesState {
  std::weak_ptr<SimMachine> machine;
  bool apply = false;
  std::string sid;
  bool has_folders = false;
  std::u16string own_profile;  // upper case, no trailing "\"
  SimSystemFolders folders;    // upper case
};

std::mutex g_mutex;
std::shared_ptr<const RulesState> g_state;

std::u16string UpperNoSlash(std::u16string text) {
  while (!text.empty() && text.back() == u'\\') text.pop_back();
  return SimUpper(text);
}

void ReadFolders(RulesState* state) {
  SimSystemFolders f = SimReadSystemFolders();
  state->folders.system_root = UpperNoSlash(f.system_root);
  state->folders.system_drive = UpperNoSlash(f.system_drive);
  state->folders.profiles = UpperNoSlash(f.profiles);
  state->folders.default_profile = UpperNoSlash(f.default_profile);
  state->folders.public_profile = UpperNoSlash(f.public_profile);
  state->folders.program_data = UpperNoSlash(f.program_data);
  std::u16string profile;
  if (SimProfileOfSid(state->sid, f, &profile)) state->own_profile = UpperNoSlash(profile);
  state->has_folders = true;
}

// The rules' state for the current machine; nullptr when they do not apply.
// The folders are read only for a file's check: reading them reads the
// registry, whose own checks must not wait for them.
std::shared_ptr<const RulesState> Current(bool need_folders) {
  thread_local bool reading = false;
  if (reading || g_host.load(std::memory_order_relaxed) || t_host_scopes > 0) return nullptr;
  auto machine = SimHost::Machine();
  if (!machine) return nullptr;
  std::shared_ptr<const RulesState> state;
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    if (g_state && g_state->machine.lock() == machine) state = g_state;
  }
  if (!state) {
    auto fresh = std::make_shared<RulesState>();
    fresh->machine = machine;
    SimIdentity own = SimOwnIdentity();
    fresh->apply = own.kind != SimTokenKind::kElevated && own.user_sid != "S-1-5-18";
    fresh->sid = own.user_sid;
    state = fresh;
  }
  if (state->apply && need_folders && !state->has_folders) {
    auto fuller = std::make_shared<RulesState>(*state);
    reading = true;
    ReadFolders(fuller.get());
    reading = false;
    state = fuller;
  }
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_state = state;
  }
  return state->apply ? state : nullptr;
}

// True when path (upper case, no trailing "\") is folder or lies below it.
bool Within(const std::u16string& path, const std::u16string& folder) {
  if (folder.empty() || path.size() < folder.size()) return false;
  if (path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || path[folder.size()] == u'\\';
}

constexpr char kCreatorAttr[] = "user.simhost.creator";

std::string CreatorOf(const SimWinPath& path) {
  std::string real;
  if (SimResolveExisting(path, &real) != 0) return std::string();
  char text[256];
  ssize_t n = lgetxattr(real.c_str(), kCreatorAttr, text, sizeof(text));
  return n > 0 ? std::string(text, static_cast<size_t>(n)) : std::string();
}

// An entry this user made or was given (or one inside such a folder) is its own.
bool OwnedByUser(const RulesState& s, const SimWinPath& path) {
  if (s.sid.empty()) return false;
  for (SimWinPath at = path; at.parts.size() > 1; at = at.Parent())
    if (CreatorOf(at) == s.sid) return true;
  return false;
}

// Below ProgramData (and the Windows folder's Temp), what an administrator
// made is read-only for users; they may add entries outside the shared
// folders and change what they added.
bool ProgramDataDenies(const RulesState& s, const std::u16string& text, bool exists) {
  const std::u16string& data = s.folders.program_data;
  for (const char16_t* shared : {u"\\MICROSOFT\\WINDOWS\\START MENU", u"\\MICROSOFT\\WINDOWS\\TEMPLATES"})
    if (Within(text, data + shared)) return true;
  return text == data || exists;
}

bool DeniedByDefault(const RulesState& s, const SimWinPath& path, bool exists, bool directory) {
  const std::u16string text = UpperNoSlash(path.Text());
  const auto& f = s.folders;
  // Only the drive the system is on carries these folders.
  if (f.system_drive.empty() || text.compare(0, f.system_drive.size(), f.system_drive) != 0) return false;
  if (path.parts.empty()) return true;  // the drive's root itself
  // Users may add folders at the drive's root, not files.
  if (path.parts.size() == 1 && !exists) return !directory;
  if (Within(text, f.system_root + u"\\TEMP")) return text == f.system_root + u"\\TEMP" || exists;
  if (Within(text, f.system_root)) return true;
  for (const char16_t* programs : {u"\\PROGRAM FILES", u"\\PROGRAM FILES (X86)"})
    if (Within(text, f.system_drive + programs)) return true;
  if (Within(text, f.program_data)) return ProgramDataDenies(s, text, exists);
  if (Within(text, f.profiles)) {
    if (!s.own_profile.empty() && Within(text, s.own_profile)) return false;
    if (Within(text, f.public_profile))
      return Within(text, f.public_profile + u"\\DESKTOP") || text == f.public_profile;
    return true;  // C:\Users itself, Default and other users' profiles
  }
  return false;
}

bool PathDenied(const RulesState& s, const SimWinPath& path, bool exists, bool directory) {
  return DeniedByDefault(s, path, exists, directory) && !OwnedByUser(s, path);
}

}  // namespace

bool SimAccessRulesApply() { return Current(false) != nullptr; }

void SimActAsHost() { g_host = true; }

SimHostAccessScope::SimHostAccessScope() { ++t_host_scopes; }
SimHostAccessScope::~SimHostAccessScope() { --t_host_scopes; }

DWORD SimFileChangeDenied(const SimWinPath& path, bool exists, bool change, bool directory) {
  if (!change) return 0;
  auto state = Current(true);
  if (!state) return 0;
  return PathDenied(*state, path, exists, directory) ? ERROR_ACCESS_DENIED : 0;
}

LSTATUS SimKeyAccessDenied(const std::u16string& hive, REGSAM desired, bool maximum_allowed,
                           REGSAM* granted) {
  *granted = desired;
  constexpr REGSAM kWrites = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE |
                             WRITE_DAC | WRITE_OWNER;
  if (!(desired & kWrites) || hive != u"HKEY_LOCAL_MACHINE" || !Current(false)) return ERROR_SUCCESS;
  if (maximum_allowed) {
    *granted = desired & ~kWrites;
    return ERROR_SUCCESS;
  }
  return (desired & kWrites) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

LSTATUS SimKeyChangeDenied(const std::u16string& hive) {
  REGSAM granted = 0;
  return SimKeyAccessDenied(hive, KEY_CREATE_SUB_KEY | DELETE, false, &granted);
}

DWORD SimManagerAccessDenied(DWORD access) {
  constexpr DWORD kUsers = SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE |
                           SC_MANAGER_QUERY_LOCK_STATUS | STANDARD_RIGHTS_READ;
  if ((access & ~kUsers) == 0 || !Current(false)) return 0;
  return ERROR_ACCESS_DENIED;
}

DWORD SimServiceAccessDenied(DWORD access) {
  constexpr DWORD kUsers = SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS |
                           SERVICE_ENUMERATE_DEPENDENTS | SERVICE_INTERROGATE |
                           SERVICE_USER_DEFINED_CONTROL | STANDARD_RIGHTS_READ;
  if ((access & ~kUsers) == 0 || !Current(false)) return 0;
  return ERROR_ACCESS_DENIED;
}

void SimNoteCreator(const SimWinPath& path) {
  auto state = Current(true);
  const std::u16string text = UpperNoSlash(path.Text());
  if (!state || (!Within(text, state->folders.program_data) &&
                 !Within(text, state->folders.system_root + u"\\TEMP")))
    return;
  SimGiveToUser(path, state->sid);
}

bool SimGiveToUser(const SimWinPath& path, const std::string& sid) {
  std::string real;
  if (SimResolveExisting(path, &real) != 0) return false;
  return lsetxattr(real.c_str(), kCreatorAttr, sid.data(), sid.size(), 0) == 0;
}
