#include "platform/sim/core/SimProfiles.h"

#include <sys/stat.h>
#include <time.h>

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/core/SimDb.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

// Rows written straight into the registry tables: the machine is not selected
// yet and everything has to land in the caller's one transaction.
class RegistryRows {
 public:
  RegistryRows(SimDb& db) : db_(db), now_(static_cast<int64_t>(time(nullptr))) {}

  // The key's id, created with its missing parents ("HKEY_USERS\S-1-5-18\...").
  int64_t Key(const std::u16string& path) {
    auto cached = ids_.find(SimUpper(path));
    if (cached != ids_.end()) return cached->second;
    size_t slash = path.find_last_of(u'\\');
    int64_t parent = slash == std::u16string::npos ? 0 : Key(path.substr(0, slash));
    if (slash != std::u16string::npos && !parent) return 0;
    const std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
    const std::string uname = SimToUtf8(SimUpper(name));
    int64_t id = 0;
    SimStatement find(db_, "SELECT id FROM reg_keys WHERE parent=?1 AND uname=?2");
    find.Bind(1, parent).Bind(2, uname);
    if (find.Step()) {
      id = find.Int(0);
    } else {
      SimStatement insert(db_,
                          "INSERT INTO reg_keys(parent, name, uname, mtime) VALUES(?1, ?2, ?3, ?4)");
      insert.Bind(1, parent).Bind(2, SimToUtf8(name)).Bind(3, uname).Bind(4, now_);
      insert.Step();
      if (insert.Failed()) return 0;
      id = db_.LastInsertId();
    }
    ids_[SimUpper(path)] = id;
    return id;
  }

  void Text(const std::u16string& key, const std::u16string& name, const std::u16string& value,
            DWORD type = REG_SZ) {
    Put(key, name, type, value.c_str(), (value.size() + 1) * sizeof(char16_t));
  }
  void Expand(const std::u16string& key, const std::u16string& name, const std::u16string& value) {
    Text(key, name, value, REG_EXPAND_SZ);
  }
  void Number(const std::u16string& key, const std::u16string& name, DWORD value) {
    Put(key, name, REG_DWORD, &value, sizeof(value));
  }
  bool Ok() const { return ok_; }

 private:
  void Put(const std::u16string& key, const std::u16string& name, DWORD type, const void* data,
           size_t size) {
    int64_t id = ok_ ? Key(key) : 0;
    if (!id) {
      ok_ = false;
      return;
    }
    SimStatement st(db_, "INSERT OR REPLACE INTO reg_values(key, name, uname, type, data) "
                         "VALUES(?1, ?2, ?3, ?4, ?5)");
    st.Bind(1, id).Bind(2, SimToUtf8(name)).Bind(3, SimToUtf8(SimUpper(name)));
    st.Bind(4, static_cast<int64_t>(type)).BindBlob(5, data, size);
    st.Step();
    if (st.Failed()) ok_ = false;
  }

  SimDb& db_;
  int64_t now_;
  std::map<std::u16string, int64_t> ids_;  // by upper-case path
  bool ok_ = true;
};

// Parents first only when missing: one mkdir per new folder keeps creation fast.
bool MakeDirs(const std::string& path) {
  if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return true;
  size_t slash = path.find_last_of('/');
  if (errno != ENOENT || slash == std::string::npos || slash == 0) return false;
  return MakeDirs(path.substr(0, slash)) && (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST);
}

std::vector<std::string> Folders(const std::string& user, bool x64) {
  const std::string home = "Users/" + user + "/";
  const std::string roaming_windows = home + "AppData/Roaming/Microsoft/Windows/";
  std::vector<std::string> folders;
  for (const char* name : {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos",
                           "Favorites", "AppData/Roaming", "AppData/Local", "AppData/LocalLow"})
    folders.push_back(std::string("Users/Default/") + name);
  for (const char* name : {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos"})
    folders.push_back(std::string("Users/Public/") + name);
  for (const char* name : {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos",
                           "Favorites", "Links", "Saved Games", "Contacts", "Searches",
                           "AppData/Local/Temp", "AppData/LocalLow"})
    folders.push_back(home + name);
  for (const char* name : {"Start Menu/Programs/Startup", "Templates", "SendTo", "Recent"})
    folders.push_back(roaming_windows + name);
  folders.push_back("ProgramData/Microsoft/Windows/Start Menu/Programs/Startup");
  folders.push_back("ProgramData/Microsoft/Windows/Templates");
  folders.push_back("Program Files/Common Files");
  if (x64) folders.push_back("Program Files (x86)/Common Files");
  folders.push_back("Windows/System32/config/systemprofile");
  // What 32-bit programs of an x64 system reach under that name.
  if (x64) folders.push_back("Windows/SysWOW64/config/systemprofile");
  folders.push_back("Windows/ServiceProfiles/LocalService");
  folders.push_back("Windows/ServiceProfiles/NetworkService");
  folders.push_back("Windows/Fonts");
  return folders;
}

const char16_t kSoftware[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\";
const char16_t kWow[] = u"WOW6432Node\\";
const char16_t kNtVersion[] = u"Microsoft\\Windows NT\\CurrentVersion";
const char16_t kVersion[] = u"Microsoft\\Windows\\CurrentVersion";
const char16_t kShellFolders[] = u"\\Explorer\\User Shell Folders";

void WriteProfileList(RegistryRows& rows, const std::u16string& user, const std::u16string& sid) {
  const std::u16string list = kSoftware + std::u16string(kNtVersion) + u"\\ProfileList";
  rows.Expand(list, u"ProfilesDirectory", u"%SystemDrive%\\Users");
  rows.Expand(list, u"Default", u"%SystemDrive%\\Users\\Default");
  rows.Expand(list, u"Public", u"%SystemDrive%\\Users\\Public");
  rows.Expand(list, u"ProgramData", u"%SystemDrive%\\ProgramData");
  const std::pair<const char16_t*, const char16_t*> services[] = {
      {u"S-1-5-18", u"%systemroot%\\system32\\config\\systemprofile"},
      {u"S-1-5-19", u"%systemroot%\\ServiceProfiles\\LocalService"},
      {u"S-1-5-20", u"%systemroot%\\ServiceProfiles\\NetworkService"},
  };
  for (const auto& [service_sid, path] : services) {
    rows.Expand(list + u"\\" + service_sid, u"ProfileImagePath", path);
    rows.Number(list + u"\\" + service_sid, u"Flags", service_sid == services[0].first ? 12 : 0);
    rows.Number(list + u"\\" + service_sid, u"State", 0);
  }
  rows.Expand(list + u"\\" + sid, u"ProfileImagePath", u"C:\\Users\\" + user);
  rows.Number(list + u"\\" + sid, u"Flags", 0);
  rows.Number(list + u"\\" + sid, u"State", 0);
  rows.Number(list + u"\\" + sid, u"FullProfile", 1);
}

// Windows\CurrentVersion of one view: a 32-bit program is shown the (x86) folders.
void WriteProgramFiles(RegistryRows& rows, const std::u16string& key, bool x64, bool wow_view) {
  const std::u16string native = u"C:\\Program Files";
  const std::u16string x86 = u"C:\\Program Files (x86)";
  const std::u16string own = wow_view ? x86 : native;
  rows.Text(key, u"ProgramFilesDir", own);
  rows.Text(key, u"CommonFilesDir", own + u"\\Common Files");
  if (!x64) return;
  rows.Text(key, u"ProgramFilesDir (x86)", x86);
  rows.Text(key, u"CommonFilesDir (x86)", x86 + u"\\Common Files");
  rows.Text(key, u"ProgramW6432Dir", native);
  rows.Text(key, u"CommonW6432Dir", native + u"\\Common Files");
}

void WriteCommonShellFolders(RegistryRows& rows, const std::u16string& key) {
  const std::pair<const char16_t*, const char16_t*> values[] = {
      {u"Common AppData", u"%ProgramData%"},
      {u"Common Desktop", u"%PUBLIC%\\Desktop"},
      {u"Common Documents", u"%PUBLIC%\\Documents"},
      {u"Common Programs", u"%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs"},
      {u"Common Start Menu", u"%ProgramData%\\Microsoft\\Windows\\Start Menu"},
      {u"Common Startup", u"%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
      {u"Common Templates", u"%ProgramData%\\Microsoft\\Windows\\Templates"},
      {u"CommonMusic", u"%PUBLIC%\\Music"},
      {u"CommonPictures", u"%PUBLIC%\\Pictures"},
      {u"CommonVideo", u"%PUBLIC%\\Videos"},
  };
  for (const auto& [name, value] : values) rows.Expand(key, name, value);
}

void WriteUserShellFolders(RegistryRows& rows, const std::u16string& key) {
  const std::u16string windows = u"%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\";
  const std::pair<const char16_t*, std::u16string> values[] = {
      {u"AppData", u"%USERPROFILE%\\AppData\\Roaming"},
      {u"Desktop", u"%USERPROFILE%\\Desktop"},
      {u"Favorites", u"%USERPROFILE%\\Favorites"},
      {u"Local AppData", u"%USERPROFILE%\\AppData\\Local"},
      {u"My Music", u"%USERPROFILE%\\Music"},
      {u"My Pictures", u"%USERPROFILE%\\Pictures"},
      {u"My Video", u"%USERPROFILE%\\Videos"},
      {u"Personal", u"%USERPROFILE%\\Documents"},
      {u"Programs", windows + u"Start Menu\\Programs"},
      {u"Recent", windows + u"Recent"},
      {u"SendTo", windows + u"SendTo"},
      {u"Start Menu", windows + u"Start Menu"},
      {u"Startup", windows + u"Start Menu\\Programs\\Startup"},
      {u"Templates", windows + u"Templates"},
      {u"{374DE290-123F-4565-9164-39C4925E467B}", u"%USERPROFILE%\\Downloads"},
  };
  for (const auto& [name, value] : values) rows.Expand(key, name, value);
}

}  // namespace

bool SimAddProfiles(SimDb& db, const std::string& drive_c, const SimMachineOptions& options,
                    const std::string& user_sid, std::string* error) {
  for (const auto& folder : Folders(options.user_name, options.x64)) {
    if (!MakeDirs(drive_c + "/" + folder)) {
      if (error) *error = "cannot create " + drive_c + "/" + folder;
      return false;
    }
  }
  RegistryRows rows(db);
  const std::u16string user = SimToUtf16(options.user_name);
  const std::u16string sid = SimToUtf16(user_sid);
  // Views: the 64-bit one, and on x64 the 32-bit one that Windows keeps apart.
  std::vector<std::u16string> views = {kSoftware};
  if (options.x64) views.push_back(kSoftware + std::u16string(kWow));
  for (const auto& view : views) {
    rows.Text(view + kNtVersion, u"SystemRoot", u"C:\\Windows");
    WriteProgramFiles(rows, view + kVersion, options.x64, view != views.front());
    WriteCommonShellFolders(rows, view + kVersion + kShellFolders);
  }
  WriteProfileList(rows, user, sid);
  WriteUserShellFolders(rows, u"HKEY_USERS\\" + sid + u"\\Software\\" + kVersion + kShellFolders);
  if (!rows.Ok() && error) *error = "cannot write the profiles to the registry";
  return rows.Ok();
}
