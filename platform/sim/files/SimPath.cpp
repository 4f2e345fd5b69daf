#include "platform/sim/files/SimPath.h"
#include "platform/sim/files/SimWow64Redirection.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/files/SimPathChecks.h"

namespace {

bool IsSep(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsInvalidNameChar(char16_t c) {
  return c < 32 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|' || c == u'?' ||
         c == u'*';
}

bool IsLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// A component as the file system accepts it.
DWORD CheckName(const std::u16string& part) {
  for (char16_t c : part)
    if (IsInvalidNameChar(c)) return ERROR_INVALID_NAME;
  if (part.size() > 255) return ERROR_FILENAME_EXCED_RANGE;
  return 0;
}

// A folder, or a link that lookups follow into one (as Windows follows a
// junction in the middle of a path; opening stays beneath the drive).
bool IsFolder(const std::string& dir, const std::string& name, mode_t mode) {
  if (!S_ISLNK(mode)) return S_ISDIR(mode);
  struct stat st;
  return stat((dir + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Looks for name in the real directory dir, exact spelling first.
bool FindEntry(const std::string& dir, const std::u16string& name, std::string* actual,
               bool* is_dir) {
  std::string exact = SimToUtf8(name);
  struct stat st;
  if (fstatat(AT_FDCWD, (dir + "/" + exact).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    *actual = exact;
    *is_dir = IsFolder(dir, exact, st.st_mode);
    return true;
  }
  DIR* d = opendir(dir.c_str());
  if (!d) return false;
  bool found = false;
  std::u16string upper = SimUpper(name);
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0)))
      continue;
    if (SimUpper(SimToUtf16(e->d_name)) == upper) {
      *actual = e->d_name;
      if (fstatat(AT_FDCWD, (dir + "/" + *actual).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      *is_dir = IsFolder(dir, *actual, st.st_mode);
      found = true;
      break;
    }
  }
  closedir(d);
  return found;
}

std::string DriveRoot(char16_t drive) {
  auto machine = SimHost::Machine();
  if (!machine) return std::string();
  std::string root = machine->DriveDir(drive);
  struct stat st;
  if (root.empty() || stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::string();
  return root;
}

}  // namespace

std::u16string SimWinPath::Text() const {
  std::u16string out;
  out += drive;
  out += u":\\";
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += u'\\';
    out += parts[i];
  }
  return out;
}

SimWinPath SimWinPath::Parent() const {
  SimWinPath p = *this;
  if (!p.parts.empty()) p.parts.pop_back();
  return p;
}

void SimSplitFullPath(std::u16string_view path, SimFullPathParts* out) {
  out->prefix.clear();
  out->parts.clear();
  out->trailing = false;
  // Only relative forms need the current directory (a lock, maybe getcwd).
  std::u16string current;
  auto cwd = [&current]() -> const std::u16string& {
    if (current.empty()) current = SimHost::CurrentDirectory();  // ends with "\"
    return current;
  };
  std::u16string combined;  // everything after the prefix
  if (path.size() >= 2 && IsSep(path[0]) && IsSep(path[1])) {
    // UNC: the server and share names form the root.
    size_t i = 2;
    int names = 0;
    while (i < path.size() && names < 2) {
      size_t j = i;
      while (j < path.size() && !IsSep(path[j])) ++j;
      ++names;
      i = j < path.size() && names < 2 ? j + 1 : j;
    }
    out->prefix = u"\\\\" + std::u16string(path.substr(2, i - 2));
    for (auto& c : out->prefix)
      if (c == u'/') c = u'\\';
    combined = std::u16string(path.substr(i));
  } else if (path.size() >= 2 && path[1] == u':') {
    out->prefix = std::u16string{SimUpcase(path[0]), u':'};
    std::u16string_view rest = path.substr(2);
    if (!rest.empty() && IsSep(rest[0])) {
      combined = std::u16string(rest);
    } else if (cwd().size() >= 2 && SimUpcase(cwd()[0]) == out->prefix[0]) {
      combined = cwd().substr(2);
      // "C:" alone names the current directory itself, without a trailing "\".
      if (rest.empty() && combined.size() > 1) combined.pop_back();
      combined += rest;
    } else {
      combined = u"\\" + std::u16string(rest);
    }
  } else if (!path.empty() && IsSep(path[0])) {
    out->prefix = cwd().substr(0, 2);
    combined = std::u16string(path);
  } else {
    out->prefix = cwd().substr(0, 2);
    combined = cwd().substr(2) + std::u16string(path);
  }

  out->trailing = !combined.empty() && IsSep(combined.back());
  std::vector<std::u16string>& parts = out->parts;
  size_t i = 0;
  while (i < combined.size()) {
    size_t j = i;
    while (j < combined.size() && !IsSep(combined[j])) ++j;
    std::u16string part = combined.substr(i, j - i);
    i = j + 1;
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    // One trailing dot goes from every name; "..." and the like stay.
    if (part.size() >= 2 && part.back() == u'.' && part[part.size() - 2] != u'.')
      part.pop_back();
    parts.push_back(std::move(part));
  }
  if (!out->trailing && !parts.empty()) {
    std::u16string& last = parts.back();
    while (!last.empty() && (last.back() == u'.' || last.back() == u' ')) last.pop_back();
    if (last.empty()) {
      parts.pop_back();
      out->trailing = true;
    }
  }
}

DWORD SimParsePath(const char16_t* path, SimWinPath* out) {
  DWORD error = SimParseUnredirected(path, out);
  if (!error) SimRedirectWow64(out);
  return error;
}

DWORD SimParseUnredirected(const char16_t* path, SimWinPath* out) {
  if (!path || !*path) return ERROR_PATH_NOT_FOUND;
  std::u16string_view text(path);
  *out = SimWinPath();
  // Only "\\?\" spelt with backslashes is literal; "//?/" is read as Win32 reads
  // any path.
  const bool literal = text.size() >= 4 && text[0] == u'\\' && text[1] == u'\\' &&
                       text[2] == u'?' && text[3] == u'\\';
  // "\??\" already names the object: no device names, no MAX_PATH.
  const bool object_name = text.size() >= 4 && text[0] == u'\\' && text[1] == u'?' &&
                           text[2] == u'?' && text[3] == u'\\';
  if (literal ||
      (text.size() >= 4 && IsSep(text[0]) && (IsSep(text[1]) || text[1] == u'?') &&
       text[2] == u'?' && IsSep(text[3])))
    text.remove_prefix(4);
  if (text.empty()) return ERROR_INVALID_NAME;
  if (text.size() >= 2 && IsSep(text[0]) && IsSep(text[1])) return ERROR_BAD_NETPATH;
  if (text.size() >= 2 && text[1] == u':' && !IsLetter(text[0])) return ERROR_INVALID_NAME;

  if (literal) {
    // Nothing is trimmed or resolved: "x." and "x " are names of their own,
    // "/" is no separator and "." or ".." no step, so all three are invalid.
    if (text.size() < 2 || text[1] != u':' || (text.size() > 2 && text[2] != u'\\'))
      return ERROR_INVALID_NAME;
    out->drive = SimUpcase(text[0]);
    size_t i = 3;
    while (i < text.size()) {
      size_t j = i;
      while (j < text.size() && text[j] != u'\\') ++j;
      std::u16string part(text.substr(i, j - i));
      i = j + 1;
      if (part.empty() && j == text.size()) break;  // one trailing separator
      if (part.empty() || part == u"." || part == u"..") return ERROR_INVALID_NAME;
      if (part.find(u'/') != std::u16string::npos) return ERROR_INVALID_NAME;
      if (DWORD error = CheckName(part)) return error;
      out->parts.push_back(std::move(part));
    }
    return 0;
  }

  SimFullPathParts split;
  SimSplitFullPath(text, &split);
  if (split.prefix.size() != 2 || split.prefix[1] != u':' || !IsLetter(split.prefix[0]))
    return ERROR_PATH_NOT_FOUND;
  if (!object_name) {
    if (!split.trailing && !split.parts.empty() && SimIsDosDeviceName(split.parts.back()))
      return ERROR_FILE_NOT_FOUND;  // a device: no file of that name may answer
    if (SimFullPathLength(split) >= MAX_PATH) return ERROR_PATH_NOT_FOUND;
  }
  out->drive = split.prefix[0];
  for (auto& part : split.parts) {
    if (DWORD error = CheckName(part)) return error;
  }
  out->parts = std::move(split.parts);
  return 0;
}

std::string SimExactRealPath(const SimWinPath& path) {
  auto machine = SimHost::Machine();
  if (!machine) return std::string();
  std::string real = machine->DriveDir(path.drive);
  if (real.empty()) return real;
  for (const auto& part : path.parts) {
    real += '/';
    real += SimToUtf8(part);
  }
  return real;
}

DWORD SimResolveExisting(const SimWinPath& path, std::string* real) {
  std::string exact = SimExactRealPath(path);
  struct stat st;
  if (!exact.empty() && lstat(exact.c_str(), &st) == 0) {
    *real = exact;
    return 0;
  }
  std::string dir = DriveRoot(path.drive);
  if (dir.empty()) return ERROR_PATH_NOT_FOUND;
  for (size_t i = 0; i < path.parts.size(); ++i) {
    std::string actual;
    bool is_dir = false;
    bool last = i + 1 == path.parts.size();
    if (!FindEntry(dir, path.parts[i], &actual, &is_dir))
      return last ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    if (!last && !is_dir) return ERROR_PATH_NOT_FOUND;
    dir += '/';
    dir += actual;
  }
  *real = dir;
  return 0;
}

DWORD SimResolveForCreate(const SimWinPath& path, std::string* real, bool* exists) {
  *exists = false;
  if (path.parts.empty()) {
    std::string root = DriveRoot(path.drive);
    if (root.empty()) return ERROR_PATH_NOT_FOUND;
    *real = root;
    *exists = true;
    return 0;
  }
  std::string parent;
  SimWinPath parent_path = path.Parent();
  DWORD error = SimResolveExisting(parent_path, &parent);
  if (error) return ERROR_PATH_NOT_FOUND;
  struct stat st;
  if (stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
  std::string actual;
  bool is_dir = false;
  if (FindEntry(parent, path.parts.back(), &actual, &is_dir)) {
    *exists = true;
    *real = parent + "/" + actual;
  } else {
    *real = parent + "/" + SimToUtf8(path.parts.back());
  }
  return 0;
}

DWORD SimResolveExistingW(const char16_t* path, std::string* real, SimWinPath* parsed) {
  SimWinPath local;
  SimWinPath* p = parsed ? parsed : &local;
  DWORD error = SimParsePath(path, p);
  if (error) return error;
  return SimResolveExisting(*p, real);
}

std::u16string SimWinPathFromReal(const std::string& real) {
  auto machine = SimHost::Machine();
  if (machine) {
    std::string drives = machine->DrivesDir() + "/";
    if (real.compare(0, drives.size(), drives) == 0 && real.size() > drives.size()) {
      char letter = real[drives.size()];
      if (letter >= 'a' && letter <= 'z' &&
          (real.size() == drives.size() + 1 || real[drives.size() + 1] == '/')) {
        std::u16string out;
        out += static_cast<char16_t>(letter - 32);
        out += u":\\";
        std::u16string rest = SimToUtf16(real.substr(std::min(real.size(), drives.size() + 2)));
        for (auto& c : rest)
          if (c == u'/') c = u'\\';
        return out + rest;
      }
    }
  }
  std::u16string out = SimToUtf16(real);
  for (auto& c : out)
    if (c == u'/') c = u'\\';
  return out;
}

DWORD SimErrorFromErrno(int error) {
  switch (error) {
    case 0: return 0;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ETXTBSY:
    case EBUSY: return ERROR_SHARING_VIOLATION;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EAGAIN: return ERROR_LOCK_VIOLATION;
    default: return ERROR_INVALID_FUNCTION;
  }
}

bool SimWildcardMatch(std::u16string_view pattern, std::u16string_view name) {
  if (pattern == u"*" || pattern == u"*.*") return true;
  size_t p = 0, n = 0, star = std::u16string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == u'?' || SimUpcase(pattern[p]) == SimUpcase(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      mark = n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}
