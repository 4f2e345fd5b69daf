// Path text helpers of the shell: joining and canonicalising without touching
// the file system.
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/shell.h"
#include "platform/sim/core/SimHandles.h"

namespace {

bool IsUnc(std::u16string_view p) { return p.size() >= 2 && p[0] == u'\\' && p[1] == u'\\'; }

// Length of the part that ".." never removes: "X:\", "X:", "\" or "\\server\share\".
size_t RootLength(std::u16string_view p) {
  if (IsUnc(p)) {
    size_t server_end = p.find(u'\\', 2);
    if (server_end == std::u16string_view::npos) return p.size();
    size_t share_end = p.find(u'\\', server_end + 1);
    return share_end == std::u16string_view::npos ? p.size() : share_end + 1;
  }
  if (p.size() >= 2 && p[1] == u':') return p.size() >= 3 && p[2] == u'\\' ? 3 : 2;
  if (!p.empty() && p[0] == u'\\') return 1;
  return 0;
}

std::u16string Canonical(std::u16string_view path) {
  if (path.empty()) return u"\\";
  size_t root_length = RootLength(path);
  std::u16string root(path.substr(0, root_length));
  std::u16string_view rest = path.substr(root_length);
  std::vector<std::u16string_view> parts;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find(u'\\', start);
    if (end == std::u16string_view::npos) end = rest.size();
    std::u16string_view part = rest.substr(start, end - start);
    bool last = end == rest.size();
    if (part == u".") {
    } else if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() || !last) {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::u16string out = root;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += u'\\';
    out += parts[i];
  }
  // A path given with a trailing separator keeps it.
  if (!parts.empty() && !rest.empty() && rest.back() == u'\\' && out.back() != u'\\') out += u'\\';
  if (out.size() == 2 && out[1] == u':') out += u'\\';
  return out;
}

bool CopyOut(const std::u16string& text, LPWSTR destination) {
  if (text.size() >= MAX_PATH) {
    destination[0] = 0;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  std::memcpy(destination, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  return true;
}

}  // namespace

BOOL PathIsRelativeW(LPCWSTR path) {
  if (!path || !*path) return TRUE;
  if (path[0] == u'\\') return FALSE;
  return path[1] == u':' ? FALSE : TRUE;
}

BOOL PathCanonicalizeW(LPWSTR destination, LPCWSTR path) {
  if (!destination || !path) return SimFail(ERROR_INVALID_PARAMETER);
  return CopyOut(Canonical(path), destination) ? TRUE : FALSE;
}

LPWSTR PathCombineW(LPWSTR destination, LPCWSTR directory, LPCWSTR file) {
  if (!destination) return nullptr;
  if (!directory && !file) {
    destination[0] = 0;
    return nullptr;
  }
  std::u16string dir = directory ? directory : u"";
  std::u16string name = file ? file : u"";
  std::u16string joined;
  if (name.empty()) {
    joined = dir;
  } else if (dir.empty() || !PathIsRelativeW(name.c_str())) {
    if (dir.empty() || name[0] != u'\\' || IsUnc(name)) {
      joined = name;
    } else {
      // "\name" is relative to the root of directory's drive.
      joined = dir.substr(0, RootLength(dir));
      if (joined.empty() || joined.back() != u'\\') joined += u'\\';
      joined += name.substr(1);
    }
  } else {
    joined = dir;
    if (joined.back() != u'\\') joined += u'\\';
    joined += name;
  }
  if (joined.size() >= MAX_PATH) {
    destination[0] = 0;
    return nullptr;
  }
  return CopyOut(Canonical(joined), destination) ? destination : nullptr;
}

BOOL PathAppendW(LPWSTR path, LPCWSTR more) {
  if (!path || !more) return FALSE;
  if (!IsUnc(more))
    while (*more == u'\\') ++more;
  return PathCombineW(path, path, more) ? TRUE : FALSE;
}
