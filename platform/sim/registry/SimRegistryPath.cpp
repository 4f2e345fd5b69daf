#include "platform/sim/registry/SimRegistryPath.h"

#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/processes/SimSessions.h"

namespace {

// Keys below HKLM\SOFTWARE that both views share.
const char16_t* const kSharedSoftware[] = {
    u"CLASSES",
    u"MICROSOFT\\COM3",
    u"MICROSOFT\\CRYPTOGRAPHY\\CALAIS\\CURRENT",
    u"MICROSOFT\\CRYPTOGRAPHY\\CALAIS\\READERS",
    u"MICROSOFT\\CRYPTOGRAPHY\\SERVICES",
    u"MICROSOFT\\CTF\\SYSTEMSHARED",
    u"MICROSOFT\\CTF\\TIP",
    u"MICROSOFT\\DFS",
    u"MICROSOFT\\DRIVER SIGNING",
    u"MICROSOFT\\ENTERPRISECERTIFICATES",
    u"MICROSOFT\\EVENTSYSTEM",
    u"MICROSOFT\\MSMQ",
    u"MICROSOFT\\NON-DRIVER SIGNING",
    u"MICROSOFT\\NOTEPAD\\DEFAULTFONTS",
    u"MICROSOFT\\OLE",
    u"MICROSOFT\\RAS",
    u"MICROSOFT\\RPC",
    u"MICROSOFT\\SOFTWARE\\MICROSOFT\\SHARED TOOLS\\MSINFO",
    u"MICROSOFT\\SYSTEMCERTIFICATES",
    u"MICROSOFT\\TERMSERVLICENSING",
    u"MICROSOFT\\TRANSACTION SERVER",
    u"MICROSOFT\\WINDOWS\\CURRENTVERSION\\APP PATHS",
    u"MICROSOFT\\WINDOWS\\CURRENTVERSION\\CONTROL PANEL\\CURSORS\\SCHEMES",
    u"MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\AUTOPLAYHANDLERS",
    u"MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\DRIVEICONS",
    u"MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\KINDMAP",
    u"MICROSOFT\\WINDOWS\\CURRENTVERSION\\GROUP POLICY",
    u"MICROSOFT\\WINDOWS\\CURRENTVERSION\\POLICIES",
    u"MICROSOFT\\WINDOWS\\CURRENTVERSION\\PREVIEWHANDLERS",
    u"MICROSOFT\\WINDOWS\\CURRENTVERSION\\SETUP",
    u"MICROSOFT\\WINDOWS\\CURRENTVERSION\\TELEPHONY\\LOCATIONS",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\CONSOLE",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\FONTDPI",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\FONTLINK",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\FONTMAPPER",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\FONTS",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\FONTSUBSTITUTES",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\GRE_INITIALIZE",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\IMAGE FILE EXECUTION OPTIONS",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\LANGUAGEPACK",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\NETWORKCARDS",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\PERFLIB",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\PORTS",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\PRINT",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\PROFILELIST",
    u"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\TIME ZONES",
    u"POLICIES",
    u"REGISTEREDAPPLICATIONS",
};

// Subkeys of a Classes key that the 32-bit view keeps apart.
const char16_t* const kRedirectedClasses[] = {
    u"CLSID", u"DIRECTSHOW", u"INTERFACE", u"MEDIA TYPE", u"MEDIAFOUNDATION",
};

const char16_t kWowNode[] = u"WOW6432Node";

// True when parts[from...] starts with the "\"-separated upper-case prefix.
bool StartsWith(const std::vector<std::u16string>& parts, size_t from, std::u16string_view prefix) {
  size_t i = from;
  while (!prefix.empty()) {
    size_t sep = prefix.find(u'\\');
    std::u16string_view head = prefix.substr(0, sep);
    if (i >= parts.size() || SimUpper(parts[i]) != head) return false;
    ++i;
    prefix = sep == std::u16string_view::npos ? std::u16string_view() : prefix.substr(sep + 1);
  }
  return true;
}

// Redirects a Classes key that starts at parts[classes_at].
void RedirectClasses(std::vector<std::u16string>* parts, size_t classes_at) {
  size_t next = classes_at + 1;
  if (next >= parts->size()) return;
  if (SimUpper((*parts)[next]) == u"WOW6432NODE") return;
  for (const char16_t* name : kRedirectedClasses) {
    if (SimUpper((*parts)[next]) == name) {
      parts->insert(parts->begin() + static_cast<long>(next), kWowNode);
      return;
    }
  }
}

}  // namespace

bool SimRegRootPath(HKEY root, SimRegPath* out) {
  *out = SimRegPath();
  if (root == HKEY_LOCAL_MACHINE) {
    out->hive = u"HKEY_LOCAL_MACHINE";
  } else if (root == HKEY_USERS) {
    out->hive = u"HKEY_USERS";
  } else if (root == HKEY_CURRENT_USER) {
    // The key of the user the calling token belongs to.
    out->hive = u"HKEY_USERS";
    out->parts.push_back(SimUserHiveName(SimOwnIdentity().user_sid));
  } else if (root == HKEY_CLASSES_ROOT) {
    out->hive = u"HKEY_CLASSES_ROOT";  // resolved per key (SimClassesRoot.h)
  } else if (root == HKEY_CURRENT_CONFIG) {
    out->hive = u"HKEY_LOCAL_MACHINE";
    out->parts = {u"SYSTEM", u"CurrentControlSet", u"Hardware Profiles", u"Current"};
  } else {
    return false;
  }
  return true;
}

void SimRegAppend(SimRegPath* path, const char16_t* sub_key) {
  if (!sub_key) return;
  std::u16string_view text(sub_key);
  size_t i = 0;
  while (i <= text.size()) {
    size_t j = text.find(u'\\', i);
    if (j == std::u16string_view::npos) j = text.size();
    if (j > i) path->parts.emplace_back(text.substr(i, j - i));
    i = j + 1;
  }
}

std::u16string SimUserHiveName(const std::string& sid) {
  // The system account's hive is the one HKEY_USERS calls .DEFAULT.
  if (sid.empty() || sid == "S-1-5-18") return u".DEFAULT";
  return SimToUtf16(sid);
}

SimRegPath SimRegRedirect(const SimRegPath& logical, bool wow32) {
  SimRegPath physical = logical;
  auto& parts = physical.parts;
  if (logical.hive == u"HKEY_USERS" && !parts.empty() && parts[0] == u"S-1-5-18") parts[0] = u".DEFAULT";
  if (!wow32) return physical;
  if (logical.hive == u"HKEY_LOCAL_MACHINE") {
    if (parts.empty() || SimUpper(parts[0]) != u"SOFTWARE") return physical;
    if (parts.size() >= 2 && SimUpper(parts[1]) == u"WOW6432NODE") return physical;
    if (parts.size() >= 2 && SimUpper(parts[1]) == u"CLASSES") {
      RedirectClasses(&parts, 1);
      return physical;
    }
    for (const char16_t* shared : kSharedSoftware)
      if (StartsWith(parts, 1, shared)) return physical;
    parts.insert(parts.begin() + 1, kWowNode);
  } else if (logical.hive == u"HKEY_USERS") {
    // The user's own classes: HKEY_USERS\<sid>\Software\Classes and <sid>_Classes.
    if (parts.size() >= 3 && SimUpper(parts[1]) == u"SOFTWARE" && SimUpper(parts[2]) == u"CLASSES")
      RedirectClasses(&parts, 2);
    else if (parts.size() >= 1 && SimUpper(parts[0]).ends_with(u"_CLASSES"))
      RedirectClasses(&parts, 0);
  }
  return physical;
}

std::u16string SimRegPathText(const SimRegPath& path) {
  std::u16string text = path.hive;
  for (const auto& part : path.parts) {
    text += u'\\';
    text += part;
  }
  return text;
}
