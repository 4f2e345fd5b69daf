#include "platform/sim/core/SimWindowsFolder.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <set>

#include "platform/files.h"
#include "platform/sim/files/SimFiles.h"
#include "platform/sim/files/SimPath.h"

namespace {

// Relative to C:\Windows; a trailing "/" names a folder.
const char* const kCommon[] = {
    "notepad.exe",
    "regedit.exe",
    "win.ini",
    "System32/kernel32.dll",
    "System32/ntdll.dll",
    "System32/user32.dll",
    "System32/advapi32.dll",
    "System32/shell32.dll",
    "System32/svchost.exe",
    "System32/services.exe",
    "System32/lsass.exe",
    "System32/winlogon.exe",
    "System32/cmd.exe",
    "System32/drivers/tcpip.sys",
    "System32/drivers/etc/hosts",
    "System32/drivers/etc/services",
    "System32/config/SYSTEM",
    "System32/config/SOFTWARE",
    "Fonts/arial.ttf",
    "INF/",
    "WinSxS/",
    "Temp/",
};
// The 32-bit system folder: what 32-bit programs reach as System32.
const char* const kWow64[] = {
    "SysWOW64/kernel32.dll",
    "SysWOW64/ntdll.dll",
    "SysWOW64/user32.dll",
    "SysWOW64/advapi32.dll",
    "SysWOW64/shell32.dll",
    "SysWOW64/svchost.exe",
    "SysWOW64/cmd.exe",
    "SysWOW64/drivers/",
};

bool EndsWith(const std::string& text, const char* tail) {
  size_t n = std::strlen(tail);
  return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// Each folder once: a repeated mkdir costs a failing system call.
bool MakeParents(const std::string& base, const std::string& rel, std::set<std::string>* made) {
  for (size_t slash = rel.find('/'); slash != std::string::npos;
       slash = rel.find('/', slash + 1)) {
    std::string folder = rel.substr(0, slash);
    if (!made->insert(folder).second) continue;
    if (mkdir((base + "/" + folder).c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// Small placeholder content: images start as images do, text files as text.
const char* Content(const std::string& rel) {
  if (EndsWith(rel, ".exe") || EndsWith(rel, ".dll") || EndsWith(rel, ".sys")) return "MZ";
  if (EndsWith(rel, "win.ini")) return "; for 16-bit app support\r\n[fonts]\r\n[extensions]\r\n";
  if (EndsWith(rel, "/hosts")) return "# localhost name resolution\r\n";
  if (EndsWith(rel, "/services")) return "echo 7/tcp\r\n";
  return "";
}

bool MakeEntry(const std::string& base, const std::string& rel, std::set<std::string>* made) {
  if (!MakeParents(base, rel, made)) return false;
  if (rel.back() == '/') return true;
  int fd = open((base + "/" + rel).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const char* text = Content(rel);
  size_t length = std::strlen(text);
  bool ok = write(fd, text, length) == static_cast<ssize_t>(length);
  close(fd);
  return ok;
}

// Marks path and everything beneath it (links are left alone). By path, not
// through descriptors: machine creation is on every test's path.
bool MarkTree(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return false;
  if (S_ISLNK(st.st_mode)) return true;
  if (!SimMarkOsFileAt(path, st.st_mode)) return false;
  if (!S_ISDIR(st.st_mode)) return true;
  DIR* d = opendir(path.c_str());
  if (!d) return false;
  bool ok = true;
  while (dirent* e = readdir(d)) {
    if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
    ok = MarkTree(path + "/" + e->d_name) && ok;
  }
  closedir(d);
  return ok;
}

}  // namespace

bool SimCreateWindowsFolder(const std::string& dir, bool x64, std::string* error) {
  const std::string base = dir + "/drives/c/Windows";
  bool ok = mkdir(base.c_str(), 0755) == 0 || errno == EEXIST;
  std::set<std::string> made;
  for (const char* rel : kCommon) ok = ok && MakeEntry(base, rel, &made);
  if (x64)
    for (const char* rel : kWow64) ok = ok && MakeEntry(base, rel, &made);
  ok = ok && MarkTree(base);
  if (!ok && error) *error = "cannot create the Windows folder in " + dir;
  return ok;
}

DWORD SimProtectPath(const std::u16string& path) {
  SimWinPath parsed;
  SimLocation at;
  if (DWORD error = SimParsePath(path.c_str(), &parsed)) return error;
  if (DWORD error = SimLocateExisting(parsed, &at)) return error;
  int fd = SimOpenBeneath(at, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return SimPathError(errno);
  bool ok = SimMarkOsFile(fd);
  int saved = errno;
  close(fd);
  return ok ? 0 : SimErrorFromErrno(saved);
}
