// The shell's special folders on the simulated host.
//
// As on Windows, a folder's current place is the "User Shell Folders" value
// of the user (HKEY_USERS\<SID of the token>) or of the machine, expanded with
// the folders the system records (the user's ProfileImagePath, ProgramData,
// Public, SystemRoot), never with the calling process's environment. Without
// that value it is the default place under the profile or ProgramData.
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimSystemFolders.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/processes/SimSessions.h"
#include "platform/sim/processes/SimTokens.h"

namespace {

enum class Scope {
  kUser,          // the user's "User Shell Folders" value
  kMachine,       // the machine's "User Shell Folders" value
  kFixed,         // always the default place
  kProgramFiles,  // a value of Windows\CurrentVersion, chosen by the program's bitness
};

struct FolderInfo {
  int csidl;
  Scope scope;
  const char16_t* value;     // value name, or null
  const char16_t* fallback;  // default place, with system variables
};

#define ROAMING u"%USERPROFILE%\\AppData\\Roaming"
#define START_MENU ROAMING u"\\Microsoft\\Windows\\Start Menu"
#define COMMON_START_MENU u"%ProgramData%\\Microsoft\\Windows\\Start Menu"

const FolderInfo kFolders[] = {
    {CSIDL_DESKTOP, Scope::kUser, u"Desktop", u"%USERPROFILE%\\Desktop"},
    {CSIDL_DESKTOPDIRECTORY, Scope::kUser, u"Desktop", u"%USERPROFILE%\\Desktop"},
    {CSIDL_PERSONAL, Scope::kUser, u"Personal", u"%USERPROFILE%\\Documents"},
    {CSIDL_FAVORITES, Scope::kUser, u"Favorites", u"%USERPROFILE%\\Favorites"},
    // Windows keeps one Favorites folder, the user's, for both.
    {CSIDL_COMMON_FAVORITES, Scope::kUser, u"Favorites", u"%USERPROFILE%\\Favorites"},
    {CSIDL_MYMUSIC, Scope::kUser, u"My Music", u"%USERPROFILE%\\Music"},
    {CSIDL_MYPICTURES, Scope::kUser, u"My Pictures", u"%USERPROFILE%\\Pictures"},
    {CSIDL_MYVIDEO, Scope::kUser, u"My Video", u"%USERPROFILE%\\Videos"},
    {CSIDL_PROGRAMS, Scope::kUser, u"Programs", START_MENU u"\\Programs"},
    {CSIDL_STARTMENU, Scope::kUser, u"Start Menu", START_MENU},
    {CSIDL_STARTUP, Scope::kUser, u"Startup", START_MENU u"\\Programs\\Startup"},
    {CSIDL_RECENT, Scope::kUser, u"Recent", ROAMING u"\\Microsoft\\Windows\\Recent"},
    {CSIDL_SENDTO, Scope::kUser, u"SendTo", ROAMING u"\\Microsoft\\Windows\\SendTo"},
    {CSIDL_TEMPLATES, Scope::kUser, u"Templates", ROAMING u"\\Microsoft\\Windows\\Templates"},
    {CSIDL_APPDATA, Scope::kUser, u"AppData", ROAMING},
    {CSIDL_LOCAL_APPDATA, Scope::kUser, u"Local AppData", u"%USERPROFILE%\\AppData\\Local"},
    {CSIDL_PROFILE, Scope::kFixed, nullptr, u"%USERPROFILE%"},
    {CSIDL_COMMON_PROGRAMS, Scope::kMachine, u"Common Programs", COMMON_START_MENU u"\\Programs"},
    {CSIDL_COMMON_STARTMENU, Scope::kMachine, u"Common Start Menu", COMMON_START_MENU},
    {CSIDL_COMMON_STARTUP, Scope::kMachine, u"Common Startup",
     COMMON_START_MENU u"\\Programs\\Startup"},
    {CSIDL_COMMON_TEMPLATES, Scope::kMachine, u"Common Templates",
     u"%ProgramData%\\Microsoft\\Windows\\Templates"},
    {CSIDL_COMMON_DESKTOPDIRECTORY, Scope::kMachine, u"Common Desktop", u"%PUBLIC%\\Desktop"},
    {CSIDL_COMMON_DOCUMENTS, Scope::kMachine, u"Common Documents", u"%PUBLIC%\\Documents"},
    {CSIDL_COMMON_MUSIC, Scope::kMachine, u"CommonMusic", u"%PUBLIC%\\Music"},
    {CSIDL_COMMON_PICTURES, Scope::kMachine, u"CommonPictures", u"%PUBLIC%\\Pictures"},
    {CSIDL_COMMON_VIDEO, Scope::kMachine, u"CommonVideo", u"%PUBLIC%\\Videos"},
    {CSIDL_COMMON_APPDATA, Scope::kMachine, u"Common AppData", u"%ProgramData%"},
    {CSIDL_WINDOWS, Scope::kFixed, nullptr, u"%SystemRoot%"},
    {CSIDL_SYSTEM, Scope::kFixed, nullptr, u"%SystemRoot%\\System32"},
    {CSIDL_SYSTEMX86, Scope::kFixed, nullptr, nullptr},
    {CSIDL_FONTS, Scope::kFixed, nullptr, u"%SystemRoot%\\Fonts"},
    {CSIDL_PROGRAM_FILES, Scope::kProgramFiles, nullptr, nullptr},
    {CSIDL_PROGRAM_FILESX86, Scope::kProgramFiles, nullptr, nullptr},
    {CSIDL_PROGRAM_FILES_COMMON, Scope::kProgramFiles, nullptr, nullptr},
    {CSIDL_PROGRAM_FILES_COMMONX86, Scope::kProgramFiles, nullptr, nullptr},
};

const char16_t kShellFolders[] =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char16_t kMachineShellFolders[] =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char16_t kCurrentVersion[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

const FolderInfo* Find(int csidl) {
  for (const auto& folder : kFolders)
    if (folder.csidl == csidl) return &folder;
  return nullptr;
}

// Whose folders a call asks for: the token's user, the calling process's
// user (no token) or the default profile ((HANDLE)-1), as the shell reads them.
struct Account {
  std::string sid;  // empty for the default profile
  bool default_profile = false;
};

bool AccountOf(HANDLE token, Account* account) {
  if (token == reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1))) {
    account->default_profile = true;
    return true;
  }
  if (!token) {
    account->sid = SimOwnIdentity().user_sid;
    return true;
  }
  auto object = SimHandles::GetAs<SimTokenObject>(token);
  if (!object || !object->Allows(TOKEN_QUERY)) return false;
  std::lock_guard<std::mutex> guard(object->State().mutex);
  account->sid = object->State().identity.user_sid;
  return true;
}

bool ReadUserText(const std::string& sid, const char16_t* name, std::u16string* text) {
  const std::u16string key = SimToUtf16(sid) + u"\\" + kShellFolders;
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_USERS, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &handle) !=
      ERROR_SUCCESS)
    return false;
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(handle, name, nullptr, &type, nullptr, &size);
  std::u16string buffer(size / sizeof(char16_t) + 1, u'\0');
  if (status == ERROR_SUCCESS)
    status = RegQueryValueExW(handle, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()),
                              &size);
  RegCloseKey(handle);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  buffer.resize(size / sizeof(char16_t));
  while (!buffer.empty() && buffer.back() == u'\0') buffer.pop_back();
  *text = buffer;
  return !text->empty();
}

// The Program Files folders as this program sees them: a 32-bit program on a
// 64-bit system is given the (x86) ones for the plain CSIDLs.
void ProgramFilesPlace(int csidl, std::u16string* value, std::u16string* fallback) {
  auto machine = SimHost::Machine();
  const bool x64 = machine && machine->Is64Bit();
  const bool x86_csidl = csidl == CSIDL_PROGRAM_FILESX86 || csidl == CSIDL_PROGRAM_FILES_COMMONX86;
  const bool common = csidl == CSIDL_PROGRAM_FILES_COMMON || csidl == CSIDL_PROGRAM_FILES_COMMONX86;
  const bool x86_folder = x64 && (x86_csidl || SimHost::IsWow64Process());
  *value = common ? u"CommonFilesDir" : u"ProgramFilesDir";
  *fallback = x86_folder ? u"%SystemDrive%\\Program Files (x86)" : u"%SystemDrive%\\Program Files";
  if (x86_folder) *value += u" (x86)";
  if (common) *fallback += u"\\Common Files";
}

// The folder's path, expanded; false when it cannot be determined.
bool Resolve(const FolderInfo& folder, const Account& account, bool current, std::u16string* path) {
  const SimSystemFolders system = SimReadSystemFolders();
  std::u16string text = folder.fallback ? folder.fallback : u"";
  std::u16string redirect;
  switch (folder.scope) {
    case Scope::kUser:
      if (current && !account.default_profile && ReadUserText(account.sid, folder.value, &redirect))
        text = redirect;
      break;
    case Scope::kMachine:
      if (current && SimReadMachineText(kMachineShellFolders, folder.value, &redirect))
        text = redirect;
      break;
    case Scope::kFixed:
      if (folder.csidl == CSIDL_SYSTEMX86) {
        auto machine = SimHost::Machine();
        text = machine && machine->Is64Bit() ? u"%SystemRoot%\\SysWOW64" : u"%SystemRoot%\\System32";
      }
      break;
    case Scope::kProgramFiles: {
      std::u16string name;
      ProgramFilesPlace(folder.csidl, &name, &text);
      if (current && SimReadMachineText(kCurrentVersion, name.c_str(), &redirect)) text = redirect;
      break;
    }
  }
  std::u16string profile = system.default_profile;
  const bool has_profile =
      account.default_profile || SimProfileOfSid(account.sid, system, &profile);
  path->assign(SimExpandSystemVariables(text, system, has_profile ? &profile : nullptr));
  if (path->find(u'%') != std::u16string::npos) return false;  // a variable the system lacks
  while (path->size() > 3 && path->back() == u'\\') path->pop_back();
  return path->size() >= 3 && (*path)[1] == u':' && (*path)[2] == u'\\' && path->size() < MAX_PATH;
}

bool IsDirectory(const std::u16string& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates the folder and its missing parents.
bool CreateWithParents(const std::u16string& path) {
  if (IsDirectory(path)) return true;
  size_t slash = path.find_last_of(u'\\');
  if (slash != std::u16string::npos && slash > 2 && !CreateWithParents(path.substr(0, slash)))
    return false;
  return CreateDirectoryW(path.c_str(), nullptr) || IsDirectory(path);
}

HRESULT GetFolder(int csidl, HANDLE token, bool current, bool create, LPWSTR out) {
  if (!out) return E_INVALIDARG;
  out[0] = u'\0';
  const FolderInfo* folder = Find(csidl & ~CSIDL_FLAG_MASK);
  if (!folder) return E_INVALIDARG;
  Account account;
  if (!AccountOf(token, &account)) return E_INVALIDARG;
  std::u16string path;
  if (!Resolve(*folder, account, current, &path)) return E_FAIL;
  if (!IsDirectory(path) && !(create && CreateWithParents(path))) return E_FAIL;
  std::memcpy(out, path.c_str(), (path.size() + 1) * sizeof(char16_t));
  return S_OK;
}

}  // namespace

BOOL SHGetSpecialFolderPathW(HWND, LPWSTR path, int csidl, BOOL create) {
  return GetFolder(csidl, nullptr, true, create != FALSE, path) == S_OK ? TRUE : FALSE;
}

HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE token, DWORD flags, LPWSTR path) {
  if (flags != SHGFP_TYPE_CURRENT && flags != SHGFP_TYPE_DEFAULT) return E_INVALIDARG;
  return GetFolder(csidl, token, flags == SHGFP_TYPE_CURRENT, (csidl & CSIDL_FLAG_CREATE) != 0,
                   path);
}
