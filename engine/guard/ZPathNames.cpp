#include "engine/guard/ZPathNames.h"

#include "platform/kernel.h"

namespace {

bool SameNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  if (a.empty()) return true;
  return CompareStringOrdinal(reinterpret_cast<LPCWCH>(a.data()), static_cast<int>(a.size()),
                              reinterpret_cast<LPCWCH>(b.data()), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

}  // namespace

bool PathEqualNoCase(std::u16string_view a, std::u16string_view b) { return SameNoCase(a, b); }

bool PathIsBelow(std::u16string_view path, std::u16string_view folder) {
  while (folder.size() > 3 && folder.back() == u'\\') folder.remove_suffix(1);
  if (folder.empty() || path.size() <= folder.size()) return false;
  if (!SameNoCase(path.substr(0, folder.size()), folder)) return false;
  // A drive root ends in "\" already; any other folder needs one after it.
  if (folder.back() == u'\\') return true;
  return path[folder.size()] == u'\\' && path.size() > folder.size() + 1;
}

std::u16string ParentPath(std::u16string_view path) {
  while (path.size() > 3 && path.back() == u'\\') path.remove_suffix(1);
  size_t cut = path.find_last_of(u'\\');
  if (cut == std::u16string_view::npos || path.size() <= 3) return std::u16string();
  // "C:\a" has the root "C:\" as its parent, separator kept.
  if (cut == 2) return std::u16string(path.substr(0, 3));
  return std::u16string(path.substr(0, cut));
}

std::u16string ChildPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string out(folder);
  if (out.empty() || out.back() != u'\\') out += u'\\';
  out += name;
  return out;
}
