// The shell's special folders on the simulated host.
//
// As on Windows, a folder's current place is the "User Shell Folders" value
// of the user (HKCU) or of the machine (HKLM), expanded; without that value
// it is the default place under the profile or ProgramData.
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace {

struct FolderInfo {
  int csidl;
  bool per_machine;          // HKLM rather than HKCU
  const char16_t* value;     // "User Shell Folders" value name, or null
  const char16_t* fallback;  // default place, with environment variables
};

const FolderInfo kFolders[] = {
    {CSIDL_DESKTOP, false, u"Desktop", u"%USERPROFILE%\\Desktop"},
    {CSIDL_DESKTOPDIRECTORY, false, u"Desktop", u"%USERPROFILE%\\Desktop"},
    {CSIDL_PERSONAL, false, u"Personal", u"%USERPROFILE%\\Documents"},
    {CSIDL_PROGRAMS, false, u"Programs", u"%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs"},
    {CSIDL_STARTMENU, false, u"Start Menu", u"%APPDATA%\\Microsoft\\Windows\\Start Menu"},
    {CSIDL_APPDATA, false, u"AppData", u"%USERPROFILE%\\AppData\\Roaming"},
    {CSIDL_LOCAL_APPDATA, false, u"Local AppData", u"%USERPROFILE%\\AppData\\Local"},
    {CSIDL_COMMON_PROGRAMS, true, u"Common Programs",
     u"%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs"},
    {CSIDL_COMMON_STARTMENU, true, u"Common Start Menu",
     u"%ProgramData%\\Microsoft\\Windows\\Start Menu"},
    {CSIDL_COMMON_DESKTOPDIRECTORY, true, u"Common Desktop", u"%PUBLIC%\\Desktop"},
    {CSIDL_COMMON_APPDATA, true, u"Common AppData", u"%ProgramData%"},
    {CSIDL_WINDOWS, true, nullptr, u"%SystemRoot%"},
    {CSIDL_SYSTEM, true, nullptr, u"%SystemRoot%\\System32"},
    {CSIDL_PROGRAM_FILES, true, nullptr, u"%ProgramFiles%"},
};

const char16_t kShellFolders[] =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

const FolderInfo* Find(int csidl) {
  for (const auto& folder : kFolders)
    if (folder.csidl == csidl) return &folder;
  return nullptr;
}

// The redirected place, if the profile names one.
bool ReadRedirect(const FolderInfo& folder, std::u16string* text) {
  if (!folder.value) return false;
  HKEY key = nullptr;
  if (RegOpenKeyExW(folder.per_machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kShellFolders, 0,
                    KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
    return false;
  char16_t buffer[MAX_PATH] = {};
  DWORD type = 0;
  DWORD size = sizeof(buffer) - sizeof(char16_t);
  LSTATUS status = RegQueryValueExW(key, folder.value, nullptr, &type,
                                    reinterpret_cast<LPBYTE>(buffer), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  text->assign(buffer, size / sizeof(char16_t));
  while (!text->empty() && text->back() == u'\0') text->pop_back();
  return !text->empty();
}

// The folder's path, expanded; false when it cannot be determined.
bool Resolve(const FolderInfo& folder, bool current, std::u16string* path) {
  std::u16string text;
  if (!current || !ReadRedirect(folder, &text)) text = folder.fallback;
  char16_t expanded[MAX_PATH] = {};
  DWORD length = ExpandEnvironmentStringsW(text.c_str(), expanded, MAX_PATH);
  if (length == 0 || length > MAX_PATH) return false;
  path->assign(expanded);
  if (path->find(u'%') != std::u16string::npos) return false;  // a variable the machine lacks
  while (path->size() > 3 && path->back() == u'\\') path->pop_back();
  return path->size() >= 3 && (*path)[1] == u':';
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

HRESULT GetFolder(int csidl, bool current, bool create, LPWSTR out) {
  if (!out) return E_INVALIDARG;
  out[0] = u'\0';
  const FolderInfo* folder = Find(csidl & ~CSIDL_FLAG_MASK);
  if (!folder) return E_INVALIDARG;
  std::u16string path;
  if (!Resolve(*folder, current, &path)) return E_FAIL;
  if (!IsDirectory(path) && !(create && CreateWithParents(path))) return E_FAIL;
  std::memcpy(out, path.c_str(), (path.size() + 1) * sizeof(char16_t));
  return S_OK;
}

}  // namespace

BOOL SHGetSpecialFolderPathW(HWND, LPWSTR path, int csidl, BOOL create) {
  return GetFolder(csidl, true, create != FALSE, path) == S_OK ? TRUE : FALSE;
}

HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD flags, LPWSTR path) {
  if (flags != SHGFP_TYPE_CURRENT && flags != SHGFP_TYPE_DEFAULT) return E_INVALIDARG;
  return GetFolder(csidl, flags == SHGFP_TYPE_CURRENT, (csidl & CSIDL_FLAG_CREATE) != 0, path);
}
