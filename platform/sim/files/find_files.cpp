// Directory enumeration (FindFirstFileW and friends) on the simulated host.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/sim/files/SimFiles.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/files/SimPathChecks.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

// What a search reports of one entry; the caller's WIN32_FIND_DATAW is only
// filled when the entry is handed out, which keeps the list small to sort.
struct FoundEntry {
  std::u16string name;
  std::u16string key;  // upper-cased name: the order NTFS reports
  DWORD attributes;
  FILETIME created;
  FILETIME accessed;
  FILETIME written;
  uint64_t size;
};

class SimFindObject : public SimObject {
 public:
  explicit SimFindObject(std::vector<FoundEntry> entries) : entries_(std::move(entries)) {}
  bool Next(WIN32_FIND_DATAW* data) {
    if (next_ >= entries_.size()) return false;
    const FoundEntry& entry = entries_[next_++];
    std::memset(data, 0, sizeof(*data));
    data->dwFileAttributes = entry.attributes;
    data->ftCreationTime = entry.created;
    data->ftLastAccessTime = entry.accessed;
    data->ftLastWriteTime = entry.written;
    data->nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(entry.size);
    size_t length = std::min<size_t>(entry.name.size(), MAX_PATH - 1);
    std::memcpy(data->cFileName, entry.name.data(), length * sizeof(char16_t));
    return true;
  }

 private:
  std::vector<FoundEntry> entries_;
  size_t next_ = 0;
};

bool IsSep(char16_t c) { return c == u'\\' || c == u'/'; }

void Fill(std::u16string name, const struct statx& st, DWORD stored, FoundEntry* out) {
  out->attributes = SimAttributesFrom(st.stx_mode, stored);
  bool has_birth = st.stx_mask & STATX_BTIME;
  out->created = has_birth ? SimFileTime(st.stx_btime.tv_sec, st.stx_btime.tv_nsec)
                           : SimFileTime(st.stx_ctime.tv_sec, st.stx_ctime.tv_nsec);
  out->accessed = SimFileTime(st.stx_atime.tv_sec, st.stx_atime.tv_nsec);
  out->written = SimFileTime(st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec);
  out->size = S_ISREG(st.stx_mode) ? st.stx_size : 0;
  out->key = SimUpper(name);
  out->name = std::move(name);
}

bool StatAt(int dir, const char* name, struct statx* st) {
  return statx(dir, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
               STATX_BASIC_STATS | STATX_BTIME, st) == 0;
}

}  // namespace

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
  if (!pattern || !data) return SimFailWith<HANDLE>(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  // Directory part and name pattern: the name may hold wildcards, which the
  // path parser refuses.
  std::u16string_view text(pattern);
  std::u16string dir_text;
  std::u16string_view wildcard;
  size_t sep = text.size();
  while (sep > 0 && !IsSep(text[sep - 1])) --sep;
  if (sep > 0) {
    dir_text.assign(text.substr(0, sep));
    wildcard = text.substr(sep);
  } else if (text.size() >= 2 && text[1] == u':') {
    dir_text.assign(text.substr(0, 2));
    wildcard = text.substr(2);
  } else {
    dir_text = u".";
    wildcard = text;
  }
  if (wildcard.empty()) return SimFailWith<HANDLE>(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  if (DWORD error = SimCheckWin32Path(text)) return SimFailWith<HANDLE>(error, INVALID_HANDLE_VALUE);

  SimWinPath dir_path;
  if (DWORD error = SimParsePath(dir_text.c_str(), &dir_path))
    return SimFailWith<HANDLE>(error, INVALID_HANDLE_VALUE);
  SimLocation at;
  if (SimLocateExisting(dir_path, &at) != 0)
    return SimFailWith<HANDLE>(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
  int fd = SimOpenBeneath(at, O_RDONLY | O_DIRECTORY | O_NONBLOCK);
  if (fd < 0) {
    DWORD error = errno == ENOTDIR ? ERROR_DIRECTORY
                  : errno == ENOENT ? ERROR_PATH_NOT_FOUND
                                    : SimPathError(errno);
    return SimFailWith<HANDLE>(error, INVALID_HANDLE_VALUE);
  }
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return SimFailWith<HANDLE>(ERROR_NOT_ENOUGH_MEMORY, INVALID_HANDLE_VALUE);
  }

  // The whole directory is read here; later changes do not show.
  const std::string dir_abs = at.Abs();
  std::vector<FoundEntry> entries;
  entries.reserve(64);
  while (dirent* e = readdir(dir)) {
    const char* name = e->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    std::u16string wide = SimToUtf16(name);
    if (!SimWildcardMatch(wildcard, wide)) continue;
    struct statx st;
    if (!StatAt(fd, name, &st)) continue;  // gone meanwhile
    DWORD stored = (st.stx_mode & kSimAttrMark)
                       ? SimStoredAttributes(st.stx_mode, dir_abs + "/" + name)
                       : SimDefaultStored(st.stx_mode);
    entries.emplace_back();
    Fill(std::move(wide), st, stored, &entries.back());
    if (S_ISLNK(st.stx_mode) && SimIsDirectoryLink(fd, name))
      entries.back().attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  }
  std::sort(entries.begin(), entries.end(),
            [](const FoundEntry& a, const FoundEntry& b) { return a.key < b.key; });

  // "." and ".." come first in every folder but a drive's root.
  if (!at.IsRoot()) {
    std::vector<FoundEntry> dots;
    const char* const names[] = {".", ".."};
    for (const char* name : names) {
      std::u16string wide = SimToUtf16(name);
      struct statx st;
      if (!SimWildcardMatch(wildcard, wide) || !StatAt(fd, name, &st)) continue;
      dots.emplace_back();
      Fill(std::move(wide), st, SimDefaultStored(st.stx_mode), &dots.back());
    }
    entries.insert(entries.begin(), std::make_move_iterator(dots.begin()),
                   std::make_move_iterator(dots.end()));
  }
  closedir(dir);

  if (entries.empty()) return SimFailWith<HANDLE>(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  auto object = std::make_shared<SimFindObject>(std::move(entries));
  object->Next(data);
  return SimHandles::Add(std::move(object));
}

BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data) {
  auto object = SimHandles::GetAs<SimFindObject>(find);
  if (!object) return SimFail(ERROR_INVALID_HANDLE);
  if (!data) return SimFail(ERROR_INVALID_PARAMETER);
  if (!object->Next(data)) return SimFail(ERROR_NO_MORE_FILES);
  return TRUE;
}

BOOL FindClose(HANDLE find) {
  if (!SimHandles::GetAs<SimFindObject>(find) || !SimHandles::Remove(find))
    return SimFail(ERROR_INVALID_HANDLE);
  return TRUE;
}
