#include "engine/guard/ZKnownFolders.h"

#include <utility>

#include "engine/guard/ZPathNames.h"
#include "packet_public/ZText.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system_info.h"

namespace {

constexpr DWORD kNameChars = 256;

const char16_t kProfileList[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const char16_t kCurrentVersion[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char16_t kShellFolders[] =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// Known folders of a profile, relative to its root, as a fresh profile has them.
const char16_t* const kProfileFolders[] = {
    u"Desktop", u"Documents", u"Downloads", u"Music", u"Pictures", u"Videos", u"Favorites",
    u"Links", u"Contacts", u"Searches", u"Saved Games", u"OneDrive", u"3D Objects",
    u"AppData\\Roaming", u"AppData\\Local", u"AppData\\LocalLow", u"AppData\\Local\\Temp",
    u"AppData\\Local\\Microsoft\\Windows", u"AppData\\Roaming\\Microsoft\\Windows",
    u"AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
    u"AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs",
    u"AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
    u"AppData\\Roaming\\Microsoft\\Windows\\Templates",
    u"AppData\\Roaming\\Microsoft\\Windows\\SendTo",
    u"AppData\\Roaming\\Microsoft\\Windows\\Recent",
    u"AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch",
};

// The shell's folders of this user and of all users.
const int kShellCsidls[] = {
    CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_PROGRAMS, CSIDL_STARTMENU, CSIDL_STARTUP,
    CSIDL_FAVORITES, CSIDL_RECENT, CSIDL_SENDTO, CSIDL_MYMUSIC, CSIDL_MYVIDEO, CSIDL_MYPICTURES,
    CSIDL_TEMPLATES, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_PROFILE, CSIDL_FONTS,
    CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_STARTUP,
    CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_APPDATA, CSIDL_COMMON_DOCUMENTS,
    CSIDL_COMMON_MUSIC, CSIDL_COMMON_PICTURES, CSIDL_COMMON_VIDEO, CSIDL_COMMON_TEMPLATES,
    CSIDL_COMMON_FAVORITES, CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86,
};

// The program-files values of the machine; the 64-bit view holds them all.
const char16_t* const kProgramFilesValues[] = {
    u"ProgramFilesDir", u"ProgramFilesDir (x86)", u"ProgramW6432Dir",
    u"CommonFilesDir",  u"CommonFilesDir (x86)",  u"CommonW6432Dir",
};

// Full path without a trailing separator; empty for anything but "X:\...".
std::u16string Normalise(const std::u16string& path) {
  if (path.size() < 3 || path[1] != u':' || (path[2] != u'\\' && path[2] != u'/')) return u"";
  char16_t buffer[MAX_PATH] = {};
  DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0 || length >= MAX_PATH) return u"";
  std::u16string full(buffer, length);
  while (full.size() > 3 && full.back() == u'\\') full.pop_back();
  // The on-disk spelling, so that 8.3 aliases compare equal to long names.
  length = GetLongPathNameW(full.c_str(), buffer, MAX_PATH);
  if (length > 0 && length < MAX_PATH) full.assign(buffer, length);
  if (full[0] >= u'a' && full[0] <= u'z') full[0] = static_cast<char16_t>(full[0] - 32);
  return full;
}

bool ReadString(HKEY root, const std::u16string& key_path, const char16_t* name, REGSAM view,
                std::u16string* value) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, key_path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
    return false;
  char16_t buffer[MAX_PATH + 1] = {};
  DWORD type = 0;
  DWORD size = MAX_PATH * sizeof(char16_t);
  LSTATUS status =
      RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  value->assign(buffer, size / sizeof(char16_t));
  while (!value->empty() && value->back() == u'\0') value->pop_back();
  return !value->empty();
}

std::vector<std::u16string> SubkeyNames(HKEY root, const std::u16string& key_path, REGSAM view) {
  std::vector<std::u16string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, key_path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | view, &key) != ERROR_SUCCESS)
    return names;
  for (DWORD index = 0;; ++index) {
    char16_t name[kNameChars];
    DWORD length = kNameChars;
    LSTATUS status = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status == ERROR_SUCCESS) names.emplace_back(name, length);
    if (index > 100000) break;
  }
  RegCloseKey(key);
  return names;
}

std::vector<std::u16string> ValueStrings(HKEY root, const std::u16string& key_path, REGSAM view) {
  std::vector<std::u16string> values;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, key_path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
    return values;
  for (DWORD index = 0;; ++index) {
    char16_t name[kNameChars];
    DWORD name_length = kNameChars;
    char16_t data[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH * sizeof(char16_t);
    DWORD type = 0;
    LSTATUS status = RegEnumValueW(key, index, name, &name_length, nullptr, &type,
                                   reinterpret_cast<LPBYTE>(data), &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
      std::u16string text(data, size / sizeof(char16_t));
      while (!text.empty() && text.back() == u'\0') text.pop_back();
      if (!text.empty()) values.push_back(std::move(text));
    }
    if (index > 100000) break;
  }
  RegCloseKey(key);
  return values;
}

// Expands the few variables the system writes into these values, each from
// the system's own answer; a value naming any other variable is not used.
class SystemVariables {
 public:
  void Set(std::u16string name, std::u16string value) {
    if (!value.empty()) names_.emplace_back(std::move(name), std::move(value));
  }
  std::u16string Expand(const std::u16string& text, const std::u16string& profile = u"") const {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
      if (text[i] != u'%') {
        out += text[i++];
        continue;
      }
      size_t end = text.find(u'%', i + 1);
      if (end == std::u16string::npos) return u"";
      std::u16string name = text.substr(i + 1, end - i - 1);
      std::u16string value;
      if (PathEqualNoCase(name, u"USERPROFILE")) value = profile;
      for (const auto& [known, known_value] : names_)
        if (value.empty() && PathEqualNoCase(name, known)) value = known_value;
      if (value.empty()) return u"";
      out += value;
      i = end + 1;
    }
    return out;
  }

 private:
  std::vector<std::pair<std::u16string, std::u16string>> names_;
};

template <typename Get>
std::u16string SystemFolder(Get get) {
  char16_t buffer[MAX_PATH] = {};
  UINT length = get(buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::u16string(buffer, length) : std::u16string();
}

}  // namespace

void ZKnownFolders::Add(const std::u16string& path) {
  std::u16string full = Normalise(path);
  if (full.empty()) return;
  for (const auto& known : folders_)
    if (PathEqualNoCase(known, full)) return;
  folders_.push_back(std::move(full));
}

void ZKnownFolders::AddProfile(const std::u16string& root) {
  std::u16string full = Normalise(root);
  if (full.empty() || full.size() <= 3) return;
  Add(full);
  for (const auto& known : profiles_)
    if (PathEqualNoCase(known, full)) return;
  profiles_.push_back(full);
  for (const char16_t* relative : kProfileFolders) Add(ChildPath(full, relative));
}

ZKnownFolders ZKnownFolders::Read() {
  ZKnownFolders known;
  known.windows_ = Normalise(
      SystemFolder([](char16_t* buffer, UINT size) { return GetWindowsDirectoryW(buffer, size); }));
  const std::u16string system =
      SystemFolder([](char16_t* buffer, UINT size) { return GetSystemDirectoryW(buffer, size); });
  if (known.windows_.empty()) known.windows_ = ParentPath(Normalise(system));
  known.Add(known.windows_);
  known.Add(system);
  known.Add(SystemFolder(
      [](char16_t* buffer, UINT size) { return GetSystemWow64DirectoryW(buffer, size); }));
  if (!known.windows_.empty()) {
    for (const char16_t* child : {u"Temp", u"Fonts", u"WinSxS", u"INF", u"Installer"})
      known.Add(ChildPath(known.windows_, child));
  }

  SystemVariables variables;
  const std::u16string drive = known.windows_.size() >= 2 ? known.windows_.substr(0, 2) : u"";
  variables.Set(u"SystemDrive", drive);
  variables.Set(u"SystemRoot", known.windows_);
  variables.Set(u"windir", known.windows_);

  // The profile list: where profiles live, the default and public ones, every
  // account's own profile.
  std::u16string text;
  if (ReadString(HKEY_LOCAL_MACHINE, kProfileList, u"ProfilesDirectory", KEY_WOW64_64KEY, &text))
    known.profiles_folder_ = Normalise(variables.Expand(text));
  if (known.profiles_folder_.empty() && !drive.empty())
    known.profiles_folder_ = Normalise(drive + u"\\Users");
  known.Add(known.profiles_folder_);
  std::u16string program_data, public_profile;
  if (ReadString(HKEY_LOCAL_MACHINE, kProfileList, u"ProgramData", KEY_WOW64_64KEY, &text))
    program_data = Normalise(variables.Expand(text));
  if (ReadString(HKEY_LOCAL_MACHINE, kProfileList, u"Public", KEY_WOW64_64KEY, &text))
    public_profile = Normalise(variables.Expand(text));
  variables.Set(u"ProgramData", program_data);
  variables.Set(u"ALLUSERSPROFILE", program_data);
  variables.Set(u"PUBLIC", public_profile);
  known.Add(program_data);
  known.AddProfile(public_profile);
  if (ReadString(HKEY_LOCAL_MACHINE, kProfileList, u"Default", KEY_WOW64_64KEY, &text))
    known.AddProfile(variables.Expand(text));
  std::vector<std::pair<std::u16string, std::u16string>> accounts;  // SID, profile
  for (const auto& sid : SubkeyNames(HKEY_LOCAL_MACHINE, kProfileList, KEY_WOW64_64KEY)) {
    if (!ReadString(HKEY_LOCAL_MACHINE, std::u16string(kProfileList) + u"\\" + sid,
                    u"ProfileImagePath", KEY_WOW64_64KEY, &text))
      continue;
    std::u16string root = Normalise(variables.Expand(text));
    known.AddProfile(root);
    accounts.emplace_back(sid, root);
  }
  // A folder in the profiles folder is someone's profile, listed or not.
  if (!known.profiles_folder_.empty()) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(ChildPath(known.profiles_folder_, u"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::u16string name = AsU16(data.cFileName);
        if (name == u"." || name == u".." || !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          continue;
        known.AddProfile(ChildPath(known.profiles_folder_, name));
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
  }

  // Where each loaded profile has moved its shell folders.
  for (const auto& sid : SubkeyNames(HKEY_USERS, u"", KEY_WOW64_64KEY)) {
    std::u16string profile;
    for (const auto& [account, root] : accounts)
      if (PathEqualNoCase(account, sid)) profile = root;
    for (const auto& value : ValueStrings(HKEY_USERS, sid + u"\\" + kShellFolders, KEY_WOW64_64KEY))
      known.Add(variables.Expand(value, profile));
  }
  for (const auto& value : ValueStrings(HKEY_LOCAL_MACHINE, kShellFolders, KEY_WOW64_64KEY))
    known.Add(variables.Expand(value));

  // Both program-files folders and their common files.
  for (const char16_t* name : kProgramFilesValues)
    if (ReadString(HKEY_LOCAL_MACHINE, kCurrentVersion, name, KEY_WOW64_64KEY, &text))
      known.Add(variables.Expand(text));

  // And the shell's answers for this user and for all users.
  for (int csidl : kShellCsidls) {
    char16_t buffer[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer) == S_OK)
      known.Add(buffer);
    if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_DEFAULT, buffer) == S_OK)
      known.Add(buffer);
  }
  return known;
}

bool ZKnownFolders::IsOrHolds(const std::u16string& folder, std::u16string* which) const {
  for (const auto& known : folders_) {
    if (PathIsSameOrBelow(known, folder)) {
      if (which) *which = known;
      return true;
    }
  }
  return false;
}

bool ZKnownFolders::IsInWindowsFolder(const std::u16string& path) const {
  return !windows_.empty() && PathIsSameOrBelow(path, windows_);
}

bool ZKnownFolders::IsInProfileOrDriveRoot(const std::u16string& path) const {
  std::u16string parent = ParentPath(path);
  if (parent.size() == 3) return true;
  if (!profiles_folder_.empty() && PathEqualNoCase(parent, profiles_folder_)) return true;
  for (const auto& profile : profiles_)
    if (PathEqualNoCase(parent, profile)) return true;
  return false;
}
