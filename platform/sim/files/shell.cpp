// Shell file operations on the simulated host, built on the file functions
// so that they follow the same Windows rules.
#include "platform/shell.h"

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/sim/files/SimFiles.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

bool IsSep(char16_t c) { return c == u'\\' || c == u'/'; }

std::vector<std::u16string> SplitList(PCWSTR list) {
  std::vector<std::u16string> out;
  if (!list) return out;
  while (*list) {
    std::u16string item(list);
    list += item.size() + 1;
    out.push_back(std::move(item));
  }
  return out;
}

std::u16string TrimSeparators(std::u16string path) {
  while (path.size() > 3 && IsSep(path.back())) path.pop_back();
  return path;
}

std::u16string LeafOf(const std::u16string& path) {
  size_t i = path.size();
  while (i > 0 && !IsSep(path[i - 1])) --i;
  return path.substr(i);
}

std::u16string ParentOf(const std::u16string& path) {
  size_t i = path.size();
  while (i > 0 && !IsSep(path[i - 1])) --i;
  if (i == 0) return std::u16string();
  return TrimSeparators(path.substr(0, i));
}

std::u16string Join(const std::u16string& dir, const std::u16string& name) {
  if (!dir.empty() && IsSep(dir.back())) return dir + name;
  return dir + u"\\" + name;
}

bool HasWildcard(const std::u16string& path) {
  return LeafOf(path).find_first_of(u"*?") != std::u16string::npos;
}

bool IsDirectory(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// True when path is inside (or is) dir; both are full paths.
bool IsWithin(const std::u16string& path, const std::u16string& dir) {
  if (SimEqualNoCase(path, dir)) return true;
  std::u16string prefix = Join(dir, u"");
  return path.size() > prefix.size() &&
         SimEqualNoCase(std::u16string_view(path).substr(0, prefix.size()), prefix);
}

// Calls fn for every entry of dir except "." and ".."; stops at the first error.
template <class Fn>
DWORD ForEachEntry(const std::u16string& dir, Fn fn) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Join(dir, u"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? 0 : error;
  }
  DWORD error = 0;
  do {
    std::u16string name(data.cFileName);
    if (name == u"." || name == u"..") continue;
    error = fn(name, data.dwFileAttributes);
  } while (!error && FindNextFileW(find, &data));
  FindClose(find);
  return error;
}

// The paths a source names: itself, or the matches of a wildcard.
DWORD Expand(const std::u16string& source, bool files_only, std::vector<std::u16string>* out) {
  if (!HasWildcard(source)) {
    out->push_back(source);
    return 0;
  }
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(source.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? 0 : error;
  }
  std::u16string dir = ParentOf(source);
  do {
    std::u16string name(data.cFileName);
    if (name == u"." || name == u"..") continue;
    if (files_only && IsDirectory(data.dwFileAttributes)) continue;
    out->push_back(Join(dir, name));
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return 0;
}

// Creates a folder and every missing parent; an existing folder is fine.
DWORD EnsureDirectory(const std::u16string& path) {
  if (IsDirectory(GetFileAttributesW(path.c_str()))) return 0;
  if (CreateDirectoryW(path.c_str(), nullptr)) return 0;
  DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS) return IsDirectory(GetFileAttributesW(path.c_str())) ? 0 : error;
  if (error != ERROR_PATH_NOT_FOUND) return error;
  std::u16string parent = ParentOf(path);
  if (parent.empty() || parent.size() >= path.size()) return error;
  if (DWORD e = EnsureDirectory(parent)) return e;
  if (CreateDirectoryW(path.c_str(), nullptr)) return 0;
  return GetLastError();
}

DWORD CopyOneFile(const std::u16string& from, const std::u16string& to) {
  if (CopyFileW(from.c_str(), to.c_str(), FALSE)) return 0;
  DWORD error = GetLastError();
  if (error == ERROR_PATH_NOT_FOUND) {
    if (DWORD e = EnsureDirectory(ParentOf(to))) return e;
  } else if (error == ERROR_ACCESS_DENIED) {
    // Without confirmation a read-only, hidden or system target is overwritten.
    DWORD attributes = GetFileAttributesW(to.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || IsDirectory(attributes)) return error;
    SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
  } else {
    return error;
  }
  return CopyFileW(from.c_str(), to.c_str(), FALSE) ? 0 : GetLastError();
}

DWORD CopyTree(const std::u16string& from, const std::u16string& to) {
  DWORD attributes = GetFileAttributesW(from.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
  if (!IsDirectory(attributes)) return CopyOneFile(from, to);
  if (DWORD error = EnsureDirectory(to)) return error;
  return ForEachEntry(from, [&](const std::u16string& name, DWORD) {
    return CopyTree(Join(from, name), Join(to, name));
  });
}

DWORD DeleteTree(const std::u16string& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return RemoveDirectoryW(path.c_str()) ? 0 : GetLastError();  // the link, not its target
  if (IsDirectory(attributes)) {
    DWORD error = ForEachEntry(path, [&](const std::u16string& name, DWORD) {
      return DeleteTree(Join(path, name));
    });
    if (error) return error;
    if (attributes & FILE_ATTRIBUTE_READONLY)
      SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return RemoveDirectoryW(path.c_str()) ? 0 : GetLastError();
  }
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  return DeleteFileW(path.c_str()) ? 0 : GetLastError();
}

std::u16string FullPath(const std::u16string& path, DWORD* error) {
  return TrimSeparators(SimFullPath(path, error));
}

// Where a source goes for FO_COPY and FO_MOVE: into an existing folder under
// its own name; a single source onto a new name; several into a new folder.
DWORD TargetFor(const std::u16string& source, const std::u16string& destination, bool single,
                std::u16string* target) {
  if (IsDirectory(GetFileAttributesW(destination.c_str()))) {
    *target = Join(destination, LeafOf(source));
  } else if (single) {
    *target = destination;
  } else {
    if (DWORD error = EnsureDirectory(destination)) return error;
    *target = Join(destination, LeafOf(source));
  }
  return 0;
}

int CopyOrMove(const std::vector<std::u16string>& sources,
               const std::vector<std::u16string>& destinations, bool multi, bool single,
               bool move) {
  for (size_t i = 0; i < sources.size(); ++i) {
    const std::u16string& source = sources[i];
    DWORD attributes = GetFileAttributesW(source.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return static_cast<int>(GetLastError());
    std::u16string target;
    if (multi) {
      target = destinations[i];
    } else if (DWORD error = TargetFor(source, destinations[0], single, &target)) {
      return static_cast<int>(error);
    }
    if (SimEqualNoCase(source, target)) return DE_SAMEFILE;
    if (IsDirectory(attributes) && IsWithin(target, source)) return DE_DESTSUBTREE;
    if (move) {
      if (MoveFileExW(source.c_str(), target.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
        continue;
      // Folders that must merge or cross drives are copied, then removed.
      if (DWORD error = CopyTree(source, target)) return static_cast<int>(error);
      if (DWORD error = DeleteTree(source)) return static_cast<int>(error);
    } else if (DWORD error = CopyTree(source, target)) {
      return static_cast<int>(error);
    }
  }
  return 0;
}

}  // namespace

BOOL PathFileExistsW(LPCWSTR path) {
  if (!path) return FALSE;
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

int SHFileOperationW(LPSHFILEOPSTRUCTW operation) {
  if (!operation) return ERROR_INVALID_PARAMETER;
  operation->fAnyOperationsAborted = FALSE;
  const FILEOP_FLAGS flags = operation->fFlags;
  std::vector<std::u16string> sources;
  bool wildcard = false;
  for (const auto& item : SplitList(operation->pFrom)) {
    DWORD error = 0;
    std::u16string full = FullPath(item, &error);
    if (error) return static_cast<int>(error);
    wildcard = wildcard || HasWildcard(full);
    if (DWORD e = Expand(full, (flags & FOF_FILESONLY) != 0, &sources)) return static_cast<int>(e);
  }
  if (sources.empty()) return wildcard ? 0 : DE_INVALIDFILES;

  std::vector<std::u16string> destinations;
  for (const auto& item : SplitList(operation->pTo)) {
    DWORD error = 0;
    destinations.push_back(FullPath(item, &error));
    if (error) return static_cast<int>(error);
  }

  switch (operation->wFunc) {
    case FO_COPY:
    case FO_MOVE: {
      if (destinations.empty()) {
        DWORD error = 0;
        destinations.push_back(FullPath(u".", &error));
      }
      bool multi = (flags & FOF_MULTIDESTFILES) && destinations.size() == sources.size();
      bool single = sources.size() == 1 && !wildcard;
      return CopyOrMove(sources, destinations, multi, single, operation->wFunc == FO_MOVE);
    }
    case FO_DELETE:
      for (const auto& source : sources)
        if (DWORD error = DeleteTree(source)) return static_cast<int>(error);
      return 0;
    case FO_RENAME:
      if (sources.size() != 1 || destinations.empty()) return DE_INVALIDFILES;
      if (!MoveFileExW(sources[0].c_str(), destinations[0].c_str(), 0))
        return static_cast<int>(GetLastError());
      return 0;
    default:
      return ERROR_INVALID_PARAMETER;
  }
}
