#include "platform/sim/core/SimMachineSetup.h"

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/sim/core/SimAccessRules.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimProfiles.h"
#include "platform/sim/processes/SimSessions.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/core/SimWindowsFolder.h"

namespace {

const char* const kUserSid = "S-1-5-21-1004336348-1177238915-682003330-1001";

bool MakeDirs(const std::string& path) {
  std::string partial;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || (path[i] == '/' && i > 0)) {
      partial = path.substr(0, i);
      if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
  }
  return true;
}

bool SetString(HKEY root, const std::u16string& key, const std::u16string& name,
               const std::u16string& value, REGSAM view = 0) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS)
    return false;
  LSTATUS status = ERROR_SUCCESS;
  if (!name.empty() || !value.empty())
    status = RegSetValueExW(handle, name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

bool CopyProgram(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  if (!in || !out) return false;
  out << in.rdbuf();
  out.close();
  return static_cast<bool>(out) && chmod(to.c_str(), 0755) == 0;
}

}  // namespace

int SimDefaultBuild(int platform, int major, int minor) {
  struct Release {
    int platform, major, minor, build;
  };
  static const Release kReleases[] = {
      {1, 4, 0, 950},   {1, 4, 10, 1998}, {1, 4, 90, 3000}, {2, 3, 51, 1057},
      {2, 4, 0, 1381},  {2, 5, 0, 2195},  {2, 5, 1, 2600},  {2, 5, 2, 3790},
      {2, 6, 0, 6002},  {2, 6, 1, 7601},  {2, 6, 2, 9200},  {2, 6, 3, 9600},
      {2, 6, 4, 9841},  {2, 10, 0, 19045},
  };
  for (const auto& r : kReleases)
    if (r.platform == platform && r.major == major && r.minor == minor) return r.build;
  return 0;
}

bool SimCreateMachine(const std::string& dir, const SimMachineOptions& options,
                      std::string* error) {
  SimHostAccessScope as_maker;  // the machine is made as an administrator would
  struct stat st;
  if (stat((dir + "/machine.db").c_str(), &st) == 0) {
    if (error) *error = "a machine already exists in " + dir;
    return false;
  }
  const std::string user = options.user_name;
  const std::string profile = "Users/" + user;
  std::vector<std::string> folders = {
      "Windows/System32",
      "Windows/Temp",
      "Program Files",
      "ProgramData/Microsoft/Windows/Start Menu/Programs",
      "Users/Public/Desktop",
      profile + "/Desktop",
      profile + "/AppData/Local/Temp",
      profile + "/AppData/Roaming/Microsoft/Windows/Start Menu/Programs",
  };
  if (options.x64) {
    folders.push_back("Program Files (x86)");
    folders.push_back("Windows/SysWOW64");
  }
  if (!MakeDirs(dir + "/run")) {
    if (error) *error = "cannot create " + dir;
    return false;
  }
  for (const auto& folder : folders) {
    if (!MakeDirs(dir + "/drives/c/" + folder)) {
      if (error) *error = "cannot create folders in " + dir;
      return false;
    }
  }
  // The kernel image: its version resource is what tells the real kernel version.
  if (FILE* kernel = std::fopen((dir + "/drives/c/Windows/System32/ntoskrnl.exe").c_str(), "wb")) {
    std::fputs("MZ", kernel);
    std::fclose(kernel);
  } else {
    if (error) *error = "cannot create files in " + dir;
    return false;
  }
  {
    auto db = SimDb::Open(dir + "/machine.db", true, error);
    if (!db) return false;
    SimTransaction tx(*db);
    const std::vector<std::pair<std::string, std::string>> facts = {
        {"arch", options.x64 ? "x64" : "x86"},
        {"os_platform", std::to_string(options.os_platform)},
        {"os_major", std::to_string(options.os_major)},
        {"os_minor", std::to_string(options.os_minor)},
        {"os_build", std::to_string(options.os_build)},
        {"os_product_type", std::to_string(options.os_product_type)},
        {"os_csd", ""},
        {"computer_name", options.computer_name},
        {"user_name", user},
        {"user_sid", kUserSid},
        {"firewall", "on"},
    };
    for (const auto& [name, value] : facts) {
      SimStatement f(*db, "INSERT INTO facts(name, value) VALUES(?1, ?2)");
      f.Bind(1, name).Bind(2, value);
      f.Step();
    }
    SimStatement v(*db, "INSERT INTO volumes(letter, device) VALUES('C', ?1)");
    v.Bind(1, std::string("\\Device\\HarddiskVolume2"));
    v.Step();
    const std::string home = "C:\\Users\\" + user;
    std::vector<std::pair<std::string, std::string>> env = {
        {"SystemDrive", "C:"},
        {"SystemRoot", "C:\\Windows"},
        {"windir", "C:\\Windows"},
        {"ProgramData", "C:\\ProgramData"},
        {"ALLUSERSPROFILE", "C:\\ProgramData"},
        {"PUBLIC", "C:\\Users\\Public"},
        {"USERNAME", user},
        {"COMPUTERNAME", options.computer_name},
        {"USERPROFILE", home},
        {"HOMEDRIVE", "C:"},
        {"HOMEPATH", "\\Users\\" + user},
        {"APPDATA", home + "\\AppData\\Roaming"},
        {"LOCALAPPDATA", home + "\\AppData\\Local"},
        {"TEMP", home + "\\AppData\\Local\\Temp"},
        {"TMP", home + "\\AppData\\Local\\Temp"},
        {"ProgramFiles", options.x64 ? "C:\\Program Files (x86)" : "C:\\Program Files"},
        {"CommonProgramFiles",
         options.x64 ? "C:\\Program Files (x86)\\Common Files" : "C:\\Program Files\\Common Files"},
        {"ComSpec", "C:\\Windows\\System32\\cmd.exe"},
        {"PATHEXT", ".COM;.EXE;.BAT;.CMD"},
        {"Path", "C:\\Windows\\System32;C:\\Windows"},
        {"OS", "Windows_NT"},
        {"PROCESSOR_ARCHITECTURE", "x86"},
    };
    if (options.x64) {
      env.push_back({"ProgramW6432", "C:\\Program Files"});
      env.push_back({"ProgramFiles(x86)", "C:\\Program Files (x86)"});
      env.push_back({"CommonProgramW6432", "C:\\Program Files\\Common Files"});
      env.push_back({"CommonProgramFiles(x86)", "C:\\Program Files (x86)\\Common Files"});
      env.push_back({"PROCESSOR_ARCHITEW6432", "AMD64"});
    }
    // The interactive user and the built-in system account; session 0 hosts
    // the services, session 1 is the console.
    {
      SimStatement u(*db, "INSERT INTO users(name, sid, admin, split_token) VALUES(?1, ?2, ?3, ?4)");
      u.Bind(1, user).Bind(2, std::string(kUserSid)).Bind(3, options.standard_user ? 0 : 1)
          .Bind(4, options.standard_user ? 0 : 1);
      u.Step();
      SimStatement system(*db, "INSERT INTO users(name, sid, admin, split_token) "
                               "VALUES('SYSTEM', 'S-1-5-18', 1, 0)");
      system.Step();
      SimStatement s0(*db, "INSERT INTO sessions(id, station, state, user) "
                           "VALUES(0, 'Services', 4, '')");  // WTSDisconnected
      s0.Step();
      SimStatement s1(*db, "INSERT INTO sessions(id, station, state, user) VALUES(1, 'Console', ?1, ?2)");
      s1.Bind(1, options.active_session ? 0 : 1)  // WTSActive, WTSConnected
          .Bind(2, options.active_session ? user : std::string());
      s1.Step();
    }
    for (const auto& [name, value] : env) {
      SimStatement e(*db, "INSERT INTO environment(name, value) VALUES(?1, ?2)");
      e.Bind(1, name).Bind(2, value);
      e.Step();
    }
    if (!SimAddProfiles(*db, dir + "/drives/c", options, kUserSid, error)) return false;
    if (!tx.Commit()) {
      if (error) *error = "cannot write machine.db: " + db->LastError();
      return false;
    }
  }
  if (!SimHost::UseMachine(dir, error)) return false;

  // Base registry content, written as a 64-bit program would see it.
  const std::u16string sid = SimToUtf16(kUserSid);
  const std::u16string user16 = SimToUtf16(user);
  bool ok = SetString(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes", u"", u"", KEY_WOW64_64KEY) &&
            SetString(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                      u"ProductName", u"Windows 10 Pro", KEY_WOW64_64KEY) &&
            SetString(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                      u"CurrentBuildNumber", u"19045", KEY_WOW64_64KEY) &&
            SetString(HKEY_LOCAL_MACHINE,
                      u"SYSTEM\\CurrentControlSet\\Control\\Session Manager", u"", u"",
                      KEY_WOW64_64KEY) &&
            SetString(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Services", u"", u"",
                      KEY_WOW64_64KEY) &&
            SetString(HKEY_USERS, sid + u"\\Software", u"", u"", KEY_WOW64_64KEY) &&
            SetString(HKEY_USERS, sid + u"\\Volatile Environment", u"USERNAME", user16,
                      KEY_WOW64_64KEY);
  if (ok && options.x64)
    ok = SetString(HKEY_LOCAL_MACHINE, u"SOFTWARE\\WOW6432Node", u"", u"", KEY_WOW64_64KEY);
  if (!ok && error) *error = "cannot write the base registry";
  if (ok && !options.explorer_program.empty()) {
    const std::string target = dir + "/drives/c/Windows/explorer.exe";
    ok = CopyProgram(options.explorer_program, target);
    if (!ok && error) *error = "cannot copy " + options.explorer_program + " to " + target;
    if (ok && options.start_explorer) SimStartExplorer(*SimHost::Machine());
  }
  if (ok) ok = SimCreateWindowsFolder(dir, options.x64, error);
  return ok;
}
