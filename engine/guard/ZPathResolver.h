// The one resolution of a path the uninstaller is about to touch. The guard
// judges the result and the removal works on that same result, so the two can
// never look at different paths.
#pragma once

#include <string>

enum class ZPathProblem {
  kNone,
  kEmpty,
  kNotLocal,     // network, device or otherwise not "X:\..."
  kBadName,      // wildcards, streams, control characters, names ending in "." or " "
  kTooLong,
  kLink,         // a component is a link, junction or other reparse point
};

struct ZResolvedPath {
  std::u16string path;  // "X:\a\b" (a drive root as "X:\"); empty unless ok
  ZPathProblem problem = ZPathProblem::kNone;
  bool exists = false;
  bool is_directory = false;
  bool ok() const { return problem == ZPathProblem::kNone; }
};

// Makes path full (GetFullPathNameW rules, "\\?\" and "\??\" prefixes
// removed), spells it as the file system does (long names, letter case of the
// entries that exist) and refuses it when any existing component is a
// reparse point.
ZResolvedPath ResolveTouchedPath(const std::u16string& path);

// The English words for a problem, for WARNING lines.
const char16_t* DescribePathProblem(ZPathProblem problem);
