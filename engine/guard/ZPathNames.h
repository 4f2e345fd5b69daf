// Comparing full paths the way the file system compares names: letter case
// ignored across all of Unicode, "\" as the only separator.
#pragma once

#include <string>
#include <string_view>

// Same path, letter case aside.
bool PathEqualNoCase(std::u16string_view a, std::u16string_view b);

// True when path lies strictly below folder ("C:\a\b" is below "C:\a" and
// below "C:\"; "C:\ab" is not below "C:\a").
bool PathIsBelow(std::u16string_view path, std::u16string_view folder);

// path equals folder or lies below it.
inline bool PathIsSameOrBelow(std::u16string_view path, std::u16string_view folder) {
  return PathEqualNoCase(path, folder) || PathIsBelow(path, folder);
}

// The folder part of a full path ("C:\a" for "C:\a\b", "C:\" for "C:\a");
// empty for a drive root.
std::u16string ParentPath(std::u16string_view path);

// folder + "\" + name, without doubling the separator after a drive root.
std::u16string ChildPath(std::u16string_view folder, std::u16string_view name);
