#include "engine/ZProtectedFolders.h"

#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/shell.h"

namespace {

std::u16string Expand(const char16_t* text) {
  char16_t buffer[MAX_PATH] = {};
  DWORD needed = ExpandEnvironmentStringsW(text, buffer, MAX_PATH);
  if (needed == 0 || needed > MAX_PATH) return std::u16string();
  std::u16string value = buffer;
  // An unknown variable stays unexpanded.
  return value.find(u'%') == std::u16string::npos ? value : std::u16string();
}

// Full path, "\" separators, no trailing "\" except after a drive, upper case.
std::u16string Comparable(const std::u16string& path) {
  if (path.empty()) return path;
  char16_t buffer[MAX_PATH] = {};
  DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
  std::u16string full = length > 0 && length < MAX_PATH ? std::u16string(buffer, length) : path;
  for (auto& c : full) {
    if (c == u'/') c = u'\\';
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  }
  while (full.size() > 3 && full.back() == u'\\') full.pop_back();
  return full;
}

std::u16string Parent(const std::u16string& path) {
  size_t cut = path.find_last_of(u"\\/");
  return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut);
}

std::vector<std::u16string> ProtectedFolders() {
  const std::u16string profile = Expand(u"%USERPROFILE%");
  const std::u16string program_data = Expand(u"%ProgramData%");
  const std::u16string app_data = Expand(u"%APPDATA%");
  const std::u16string local_app_data = Expand(u"%LOCALAPPDATA%");
  const std::u16string system_root = Expand(u"%SystemRoot%");
  std::vector<std::u16string> folders = {
      system_root,
      Expand(u"%windir%"),
      Expand(u"%ProgramFiles%"),
      Expand(u"%ProgramFiles(x86)%"),
      Expand(u"%ProgramW6432%"),
      Expand(u"%CommonProgramFiles%"),
      program_data,
      Expand(u"%ALLUSERSPROFILE%"),
      Expand(u"%PUBLIC%"),
      profile,
      Parent(profile),  // the Users folder
      app_data,
      local_app_data,
      Expand(u"%TEMP%"),
      Expand(u"%TMP%"),
  };
  if (!system_root.empty()) folders.push_back(system_root.substr(0, 2) + u"\\Program Files");
  if (!profile.empty()) {
    folders.push_back(profile + u"\\Desktop");
    folders.push_back(profile + u"\\Documents");
  }
  if (!program_data.empty())
    folders.push_back(program_data + u"\\Microsoft\\Windows\\Start Menu\\Programs");
  if (!app_data.empty()) folders.push_back(app_data + u"\\Microsoft\\Windows\\Start Menu\\Programs");
  // The shell's folders where the profile has moved them.
  for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_PROGRAMS, CSIDL_STARTMENU,
                    CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_DESKTOPDIRECTORY}) {
    char16_t shell_folder[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, shell_folder) == S_OK)
      folders.push_back(shell_folder);
  }
  std::vector<std::u16string> out;
  for (const auto& folder : folders)
    if (!folder.empty()) out.push_back(Comparable(folder));
  return out;
}

}  // namespace

bool IsProtectedFolder(const std::u16string& path, std::u16string* which) {
  std::u16string candidate = Comparable(path);
  if (candidate.empty()) return false;
  // A drive root, given as "C:" or "C:\".
  if (candidate.size() <= 3 && candidate.size() >= 2 && candidate[1] == u':') {
    if (which) *which = candidate;
    return true;
  }
  for (const auto& folder : ProtectedFolders()) {
    // The folder itself, or a folder that contains it.
    bool same = candidate == folder;
    bool contains = folder.size() > candidate.size() && folder.compare(0, candidate.size(), candidate) == 0 &&
                    folder[candidate.size()] == u'\\';
    if (same || contains) {
      if (which) *which = folder;
      return true;
    }
  }
  return false;
}
