// GetLongPathNameW on the simulated host. The volumes have 8.3 name creation
// disabled (a legal Windows setting), so no name has a short alias and the
// long form is each component as it is spelt on disk.
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/files/SimWow64Redirection.h"

namespace {

bool IsSep(char16_t c) { return c == u'\\' || c == u'/'; }

// Length of what is kept as written: "\\?\", "C:", the separator of the root.
size_t PrefixLength(std::u16string_view path) {
  size_t i = 0;
  if (path.size() >= 4 && IsSep(path[0]) && (IsSep(path[1]) || path[1] == u'?') &&
      path[2] == u'?' && IsSep(path[3]))
    i = 4;
  if (path.size() >= i + 2 && path[i + 1] == u':') i += 2;
  while (i < path.size() && IsSep(path[i])) ++i;
  return i;
}

std::u16string OnDiskLeaf(const std::string& real) {
  size_t slash = real.rfind('/');
  return SimToUtf16(slash == std::string::npos ? real : real.substr(slash + 1));
}

}  // namespace

DWORD GetLongPathNameW(LPCWSTR short_path, LPWSTR long_path, DWORD size) {
  if (!short_path) return SimFailWith<DWORD>(ERROR_INVALID_PARAMETER, 0);
  const std::u16string_view path(short_path);
  if (path.empty()) return SimFailWith<DWORD>(ERROR_PATH_NOT_FOUND, 0);
  std::string real;
  if (DWORD error = SimResolveExistingW(short_path, &real))
    return SimFailWith<DWORD>(error, 0);

  // Each component in turn: the text up to it names an existing entry, whose
  // name on disk replaces the component as written.
  const size_t prefix = PrefixLength(path);
  std::u16string out(path.substr(0, prefix));
  size_t i = prefix;
  while (i < path.size()) {
    size_t j = i;
    while (j < path.size() && !IsSep(path[j])) ++j;
    std::u16string_view part = path.substr(i, j - i);
    if (part == u"." || part == u"..") {
      out += part;
    } else {
      std::u16string upto(path.substr(0, j));
      std::string found;
      if (DWORD error = SimResolveExistingW(upto.c_str(), &found))
        return SimFailWith<DWORD>(error, 0);
      // A folder the redirector swaps keeps its own name, as the parent lists it.
      out += SimRedirectsLeaf(upto.c_str()) ? std::u16string(part) : OnDiskLeaf(found);
    }
    while (j < path.size() && IsSep(path[j])) out += path[j++];
    i = j;
  }
  if (!long_path || size <= out.size()) return static_cast<DWORD>(out.size() + 1);
  std::memcpy(long_path, out.c_str(), (out.size() + 1) * sizeof(char16_t));
  return static_cast<DWORD>(out.size());
}
