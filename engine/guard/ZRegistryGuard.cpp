#include "engine/guard/ZRegistryGuard.h"

#include <vector>

#include "engine/guard/ZPathNames.h"

namespace {

std::vector<std::u16string> Components(const std::u16string& key, bool* malformed) {
  std::vector<std::u16string> parts;
  *malformed = false;
  size_t i = 0;
  while (i <= key.size()) {
    size_t j = key.find(u'\\', i);
    if (j == std::u16string::npos) j = key.size();
    std::u16string part = key.substr(i, j - i);
    // An empty name inside the path is no key a product could have made.
    if (part.empty() && j != key.size() && i != 0) *malformed = true;
    if (!part.empty()) parts.push_back(part);
    i = j + 1;
  }
  return parts;
}

bool NameIs(const std::u16string& name, std::initializer_list<const char16_t*> names) {
  for (const char16_t* candidate : names)
    if (PathEqualNoCase(name, candidate)) return true;
  return false;
}

// The key path from its first part on equals or lies below prefix.
bool Below(const std::vector<std::u16string>& parts, std::initializer_list<const char16_t*> prefix) {
  if (parts.size() < prefix.size()) return false;
  size_t i = 0;
  for (const char16_t* name : prefix)
    if (!PathEqualNoCase(parts[i++], name)) return false;
  return true;
}

}  // namespace

bool IsProtectedRegistryKey(const std::u16string& root_name, const std::u16string& sub_key) {
  bool malformed = false;
  std::vector<std::u16string> parts = Components(sub_key, &malformed);
  if (malformed || parts.empty()) return true;
  // The top of a user's hive: what Windows keeps there for every user.
  const std::vector<std::u16string> user_keys(
      root_name == u"hkus" ? parts.begin() + 1 : parts.begin(), parts.end());
  if (root_name == u"hkcu" || root_name == u"hkus") {
    if (user_keys.empty()) return true;  // a user's whole hive
    if (user_keys.size() == 1 &&
        NameIs(user_keys[0], {u"Software", u"Environment", u"Control Panel", u"Console",
                              u"Keyboard Layout", u"Printers", u"Network", u"AppEvents",
                              u"System", u"Volatile Environment", u"EUDC", u"Identities"}))
      return true;
  }
  if (root_name == u"hklm") {
    // Every key right below HKLM is a hive of the system.
    if (parts.size() < 2) return true;
    // The system's own hives, and the services and boot settings in SYSTEM
    // (services go through the service action, never through values).
    if (NameIs(parts[0], {u"SYSTEM", u"SAM", u"SECURITY", u"HARDWARE", u"BCD00000000"}))
      return true;
  }
  // What logon and the shell read to start a session.
  for (size_t at = 0; at + 1 < parts.size(); ++at) {
    std::vector<std::u16string> rest(parts.begin() + at, parts.end());
    if (Below(rest, {u"Microsoft", u"Windows NT", u"CurrentVersion", u"Winlogon"})) return true;
  }
  // The classes, seen through HKEY_CLASSES_ROOT or where it keeps them.
  std::vector<std::u16string> classes;
  if (root_name == u"hkcr") classes = parts;
  else if (Below(user_keys, {u"Software", u"Classes"}))
    classes.assign(user_keys.begin() + 2, user_keys.end());
  if (root_name == u"hklm" && Below(parts, {u"SOFTWARE", u"Classes"}))
    classes.assign(parts.begin() + 2, parts.end());
  if (!classes.empty()) {
    const std::vector<std::u16string>& parts = classes;
    // The classes every program start and every folder window depends on.
    if (NameIs(parts[0], {u"exefile", u"batfile", u"cmdfile", u"comfile", u"lnkfile", u"piffile",
                          u"regfile", u"dllfile", u"sysfile", u"Directory", u"Drive", u"Folder",
                          u"*", u"AllFilesystemObjects", u".exe", u".bat", u".cmd", u".com",
                          u".lnk", u".pif", u".reg", u".dll", u".sys", u".msi", u"Msi.Package"}))
      return true;
    if (parts.size() < 2 && NameIs(parts[0], {u"CLSID", u"Interface", u"TypeLib", u"AppID"}))
      return true;
  }
  return false;
}
