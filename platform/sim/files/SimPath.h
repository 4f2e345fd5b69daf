// Windows paths on the simulated host: parsing with the Win32 rules, and
// case-insensitive lookup of the real file that a Windows path names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

struct SimWinPath {
  char16_t drive = 0;                  // upper-case drive letter
  std::vector<std::u16string> parts;   // components, "." and ".." resolved
  std::u16string Text() const;         // "C:\a\b", the root as "C:\"
  std::u16string Leaf() const { return parts.empty() ? std::u16string() : parts.back(); }
  SimWinPath Parent() const;
};

// GetFullPathNameW's reading of a path that has no "\\?\" prefix: the current
// directory, "." and "..", "/" as "\", one trailing dot removed from every
// name, and all trailing dots and blanks from the last one unless the path
// ends with a separator. prefix is "C:" or "\\server\share".
struct SimFullPathParts {
  std::u16string prefix;
  std::vector<std::u16string> parts;
  bool trailing = false;  // ends with a separator
};
void SimSplitFullPath(std::u16string_view path, SimFullPathParts* out);

// Parses a full or relative Windows path as GetFullPathNameW reads it (see
// SimSplitFullPath), so "C:\x \" names "x ", never "x"; "\\?\" paths are
// taken literally, "\??\" is dropped. Returns 0 or a Win32 error code.
// A 32-bit program on a 64-bit system then meets the WOW64 redirector.
DWORD SimParsePath(const char16_t* path, SimWinPath* out);
// The same reading as a native program has it (the service manager, for one).
DWORD SimParseUnredirected(const char16_t* path, SimWinPath* out);

// The real path with the components as written (no case lookup); empty when
// the machine or the drive does not exist.
std::string SimExactRealPath(const SimWinPath& path);

// Finds the existing entry the path names, ignoring letter case. Returns 0,
// ERROR_FILE_NOT_FOUND (the last component is missing) or ERROR_PATH_NOT_FOUND.
DWORD SimResolveExisting(const SimWinPath& path, std::string* real);

// For creating an entry: the parent must exist (found ignoring case); the leaf
// keeps the case given unless an entry of the same name in another case exists,
// which *exists then reports. Returns 0 or ERROR_PATH_NOT_FOUND.
DWORD SimResolveForCreate(const SimWinPath& path, std::string* real, bool* exists);

// Parses and resolves an existing entry in one step.
DWORD SimResolveExistingW(const char16_t* path, std::string* real, SimWinPath* parsed = nullptr);

// Windows path of a real path: "C:\..." inside the current machine; outside it
// the Linux path with "\" separators and no drive.
std::u16string SimWinPathFromReal(const std::string& real);

// Win32 error for an errno value.
DWORD SimErrorFromErrno(int error);

// Name comparison of the file system (case-insensitive) and wildcard matching
// of FindFirstFileW patterns ("*" and "?"; "*.*" matches every name).
bool SimWildcardMatch(std::u16string_view pattern, std::u16string_view name);
