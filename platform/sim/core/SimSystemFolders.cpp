#include "platform/sim/core/SimSystemFolders.h"

#include <vector>

#include "platform/registry.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

const char16_t kNtVersion[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char16_t kProfileList[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// "C:\..." (or "C:" alone): the only form a system folder may take.
bool IsDrivePath(const std::u16string& path) {
  if (path.size() < 2 || path[1] != u':') return false;
  const char16_t letter = SimUpcase(path[0]);
  return letter >= u'A' && letter <= u'Z' && (path.size() == 2 || path[2] == u'\\');
}

std::u16string WithoutTrailingSlash(std::u16string path) {
  while (path.size() > 3 && path.back() == u'\\') path.pop_back();
  return path;
}

// A value that names a folder, expanded with what is known so far; the
// fallback when it is missing or does not name a drive path.
std::u16string FolderValue(const char16_t* key, const char16_t* name,
                           const SimSystemFolders& known, const std::u16string& fallback) {
  std::u16string text;
  if (!SimReadMachineText(key, name, &text)) return fallback;
  std::u16string path = WithoutTrailingSlash(SimExpandSystemVariables(text, known));
  return IsDrivePath(path) ? path : fallback;
}

}  // namespace

bool SimReadMachineText(const char16_t* key, const char16_t* name, std::u16string* text) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &handle) !=
      ERROR_SUCCESS)
    return false;
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(handle, name, nullptr, &type, nullptr, &size);
  std::vector<char16_t> buffer(size / sizeof(char16_t) + 1, u'\0');
  if (status == ERROR_SUCCESS)
    status = RegQueryValueExW(handle, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()),
                              &size);
  RegCloseKey(handle);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  text->assign(buffer.data(), size / sizeof(char16_t));
  while (!text->empty() && text->back() == u'\0') text->pop_back();
  return !text->empty();
}

namespace {

std::u16string ReadSystemRootNow() {
  auto machine = SimHost::Machine();
  std::u16string fallback_root = u"C:\\Windows";
  if (machine) {
    std::u16string fact = SimToUtf16(machine->Fact("system_root"));
    if (IsDrivePath(fact)) fallback_root = WithoutTrailingSlash(fact);
  }
  std::u16string root;
  if (!SimReadMachineText(kNtVersion, u"SystemRoot", &root) || !IsDrivePath(root)) root = fallback_root;
  return WithoutTrailingSlash(root);
}

}  // namespace

std::u16string SimSystemRoot() {
  auto machine = SimHost::Machine();
  return machine ? machine->BootSystemRoot(&ReadSystemRootNow) : ReadSystemRootNow();
}

SimSystemFolders SimReadSystemFolders() {
  SimSystemFolders folders;
  std::u16string root = SimSystemRoot();
  folders.system_root = WithoutTrailingSlash(root);
  folders.system_drive = folders.system_root.substr(0, 2);
  folders.system_drive[0] = SimUpcase(folders.system_drive[0]);
  const std::u16string drive = folders.system_drive;
  folders.profiles = FolderValue(kProfileList, u"ProfilesDirectory", folders, drive + u"\\Users");
  folders.default_profile =
      FolderValue(kProfileList, u"Default", folders, folders.profiles + u"\\Default");
  folders.public_profile =
      FolderValue(kProfileList, u"Public", folders, folders.profiles + u"\\Public");
  folders.program_data =
      FolderValue(kProfileList, u"ProgramData", folders, drive + u"\\ProgramData");
  return folders;
}

bool SimProfileOfSid(const std::string& sid, const SimSystemFolders& folders,
                     std::u16string* path) {
  if (sid.empty() || sid.find('\\') != std::string::npos) return false;
  const std::u16string key = std::u16string(kProfileList) + u"\\" + SimToUtf16(sid);
  std::u16string text;
  if (SimReadMachineText(key.c_str(), u"ProfileImagePath", &text)) {
    std::u16string expanded = WithoutTrailingSlash(SimExpandSystemVariables(text, folders));
    if (IsDrivePath(expanded)) {
      *path = expanded;
      return true;
    }
  }
  // A machine made before it had a profile list.
  if (sid == "S-1-5-18") {
    *path = folders.system_root + u"\\System32\\config\\systemprofile";
    return true;
  }
  auto machine = SimHost::Machine();
  if (!machine || SimUpper(SimToUtf16(sid)) != SimUpper(SimToUtf16(machine->Fact("user_sid"))))
    return false;
  const std::u16string user = SimToUtf16(machine->Fact("user_name"));
  if (user.empty() || user.find_first_of(u"\\/:") != std::u16string::npos) return false;
  *path = folders.profiles + u"\\" + user;
  return true;
}

std::u16string SimExpandSystemVariables(std::u16string_view text, const SimSystemFolders& folders,
                                        const std::u16string* user_profile) {
  const std::pair<const char16_t*, const std::u16string*> known[] = {
      {u"SYSTEMROOT", &folders.system_root},     {u"WINDIR", &folders.system_root},
      {u"SYSTEMDRIVE", &folders.system_drive},   {u"PROGRAMDATA", &folders.program_data},
      {u"ALLUSERSPROFILE", &folders.program_data}, {u"PUBLIC", &folders.public_profile},
      {u"USERPROFILE", user_profile},
  };
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    size_t open = text.find(u'%', i);
    size_t close = open == std::u16string_view::npos ? open : text.find(u'%', open + 1);
    if (close == std::u16string_view::npos) {
      out.append(text.substr(i));
      break;
    }
    out.append(text.substr(i, open - i));
    const std::u16string name = SimUpper(text.substr(open + 1, close - open - 1));
    const std::u16string* value = nullptr;
    for (const auto& [known_name, known_value] : known)
      if (name == known_name) value = known_value;
    if (value && !value->empty()) {
      out += *value;
      i = close + 1;
    } else {
      // Unknown: kept, and its closing '%' may open the next name, as Windows reads it.
      out.append(text.substr(open, close - open));
      i = close;
    }
  }
  return out;
}
