// Pieces shared by the simulated file system: where a Windows path lives on
// disk, opening strictly beneath a drive, Windows attributes and times.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/sim/files/SimPath.h"

// Descriptors of the drive folders of one machine, kept open while the
// machine is in use. Everything is reached relative to them so that a
// symbolic link can never lead out of the machine.
class SimDriveSet {
 public:
  explicit SimDriveSet(std::string drives_dir) : drives_dir_(std::move(drives_dir)) {}
  ~SimDriveSet();
  SimDriveSet(const SimDriveSet&) = delete;
  SimDriveSet& operator=(const SimDriveSet&) = delete;

  // O_PATH descriptor of drives/<letter>; -1 when the drive does not exist.
  int Root(char16_t letter);
  std::string DriveDir(char16_t letter) const;

 private:
  std::string drives_dir_;
  std::mutex mutex_;
  int fds_[26] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
};

// The drives of the current machine; null without a machine.
std::shared_ptr<SimDriveSet> SimCurrentDrives();

// An entry named relative to its drive's folder.
struct SimLocation {
  std::shared_ptr<SimDriveSet> drives;
  char16_t drive = 0;
  int root = -1;
  std::string rel;  // "." for the drive's root
  bool IsRoot() const { return rel == "."; }
  std::string Leaf() const;        // last component ("." for the root)
  std::string ParentRel() const;   // "." for entries in the root
  std::string Abs() const;         // real path, for messages and xattr reads
};

// The components as written, no case lookup. Fails only without the drive.
DWORD SimLocateExact(const SimWinPath& path, SimLocation* out);
// Case-insensitive lookup of an existing entry (see SimResolveExisting).
DWORD SimLocateExisting(const SimWinPath& path, SimLocation* out);
// Parent found ignoring case; the leaf is the existing entry in any case,
// else the name as given (see SimResolveForCreate).
DWORD SimLocateForCreate(const SimWinPath& path, SimLocation* out, bool* exists);

// openat2 beneath the drive root (no escape through links or ".."); -1 and
// errno on failure. O_CLOEXEC is always added.
int SimOpenBeneath(int root, const std::string& rel, int flags, mode_t mode = 0);
inline int SimOpenBeneath(const SimLocation& at, int flags, mode_t mode = 0) {
  return SimOpenBeneath(at.root, at.rel, flags, mode);
}
// O_PATH descriptor of the folder holding the entry.
int SimOpenParent(const SimLocation& at);
// Win32 error for a failed open or path operation (an escape is access denied).
DWORD SimPathError(int error);

// Windows attributes of an entry. "Stored" attributes (hidden, system, archive
// and the like) live in the user.winattr xattr; the sticky bit, which means
// nothing to a regular file here, marks an entry whose stored attributes
// differ from the default so that plain entries cost no xattr read.
constexpr DWORD kSimStoredFileMask = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY |
                                     0x00001000 /* OFFLINE */ | 0x00002000 /* NOT_INDEXED */;
constexpr DWORD kSimStoredDirMask = kSimStoredFileMask | FILE_ATTRIBUTE_READONLY;
constexpr mode_t kSimAttrMark = S_ISVTX;

// Stored attributes of an entry given its stat; path_for_xattr is only read
// when the mark is set (any path naming the same inode).
DWORD SimStoredAttributes(mode_t mode, const std::string& path_for_xattr);
DWORD SimAttributesFrom(mode_t mode, DWORD stored);
// Writes the stored attributes (and read-only through the mode) to an open
// entry; attributes the file system cannot keep are dropped.
bool SimApplyAttributes(int fd, mode_t mode, DWORD attributes);
DWORD SimDefaultStored(mode_t mode);

// Operating-system files: a bit of the stored value that is no Windows
// attribute, so a marked entry carries the sticky mark too and unmarked
// entries still cost no xattr read. Kept by the inode, like an ACL: hard
// links share it.
constexpr DWORD kSimOsFileBit = 0x80000000u;
// True when the entry (its stat's mode, any descriptor of it) is marked.
bool SimIsOsFile(mode_t mode, int fd);
bool SimIsOsFileAt(mode_t mode, const std::string& path);
// Marks the entry behind an open descriptor (not O_PATH), or by its path and
// stat mode (not a link).
bool SimMarkOsFile(int fd);
bool SimMarkOsFileAt(const std::string& path, mode_t mode);

FILETIME SimFileTime(int64_t seconds, int64_t nanoseconds);

// A link (the entry name in dir_fd) that names a folder: Windows reports it as
// a directory with a reparse point, removes it with RemoveDirectoryW and
// refuses DeleteFileW. A junction's target text ends with "/", so it counts
// even while its target is missing.
bool SimIsDirectoryLink(int dir_fd, const char* name);
bool SimIsDirectoryLinkAt(const SimLocation& at);
// Makes a junction at link (which must not exist) to the existing folder
// target on the same drive, as a link relative to its own folder so that
// lookups through it stay on the drive. 0 or a Win32 error code.
DWORD SimCreateJunction(const char16_t* link, const char16_t* target);

// GetFullPathNameW rules: current directory, "." and "..", separators, trailing
// dots and blanks. Empty with *error set when the path cannot be made full.
std::u16string SimFullPath(std::u16string_view path, DWORD* error);
