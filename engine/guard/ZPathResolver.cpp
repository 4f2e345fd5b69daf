#include "engine/guard/ZPathResolver.h"

#include <vector>

#include "platform/files.h"

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool StartsWith(const std::u16string& text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && std::u16string_view(text).substr(0, prefix.size()) == prefix;
}

// Characters no file name of a local volume holds; several of them are
// wildcards to the enumeration functions.
bool IsForbiddenInName(char16_t c) {
  return c < 32 || c == u'*' || c == u'?' || c == u'<' || c == u'>' || c == u'"' || c == u'|' ||
         c == u':';
}

// CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, also with blanks or an extension
// after them: Win32 opens a device for such a name, never the file, and makes
// no folder of it.
bool IsDeviceName(const std::u16string& name) {
  size_t end = name.find_first_of(u".:");
  if (end == std::u16string::npos) end = name.size();
  while (end > 0 && name[end - 1] == u' ') --end;
  std::u16string base;
  for (size_t i = 0; i < end; ++i)
    base += name[i] >= u'a' && name[i] <= u'z' ? static_cast<char16_t>(name[i] - 32) : name[i];
  if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, u"COM") == 0 || base.compare(0, 3, u"LPT") == 0) &&
         base[3] >= u'1' && base[3] <= u'9';
}

std::vector<std::u16string> SplitComponents(const std::u16string& full) {
  std::vector<std::u16string> parts;
  size_t i = 3;
  while (i < full.size()) {
    size_t j = full.find(u'\\', i);
    if (j == std::u16string::npos) j = full.size();
    if (j > i) parts.push_back(full.substr(i, j - i));
    i = j + 1;
  }
  return parts;
}

ZResolvedPath Fail(ZPathProblem problem) {
  ZResolvedPath out;
  out.problem = problem;
  return out;
}

// The long, on-disk spelling of an existing path; the path itself when the
// system cannot give it.
std::u16string LongSpelling(const std::u16string& path) {
  char16_t buffer[MAX_PATH] = {};
  DWORD length = GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return path;
  return std::u16string(buffer, length);
}

}  // namespace

ZResolvedPath ResolveTouchedPath(const std::u16string& input) {
  if (input.empty()) return Fail(ZPathProblem::kEmpty);
  std::u16string path = input;
  for (auto& c : path)
    if (c == u'/') c = u'\\';
  // What follows the prefix must itself be a drive path: a network path
  // ("UNC\...") or Wine's view of the host ("unix\...") is not.
  if (StartsWith(path, u"\\\\?\\") || StartsWith(path, u"\\??\\")) path.erase(0, 4);
  if (path.size() < 2 || !(path[1] == u':') ||
      !((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z')))
    return Fail(ZPathProblem::kNotLocal);
  // "C:" and "C:name" mean the drive's current folder: never a listed path.
  if (path.size() < 3 || !IsSeparator(path[2])) return Fail(ZPathProblem::kNotLocal);
  for (size_t i = 2; i < path.size(); ++i)
    if (IsForbiddenInName(path[i])) return Fail(ZPathProblem::kBadName);
  for (const auto& part : SplitComponents(path))
    if (IsDeviceName(part)) return Fail(ZPathProblem::kBadName);

  char16_t buffer[MAX_PATH] = {};
  DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0) return Fail(ZPathProblem::kBadName);
  if (length >= MAX_PATH) return Fail(ZPathProblem::kTooLong);
  std::u16string full(buffer, length);
  if (full.size() < 3 || full[1] != u':' || full[2] != u'\\') return Fail(ZPathProblem::kNotLocal);
  if (full[0] >= u'a' && full[0] <= u'z') full[0] = static_cast<char16_t>(full[0] - 32);
  while (full.size() > 3 && full.back() == u'\\') full.pop_back();

  // A name ending in a dot or a blank means one thing to a path that ends
  // there and another to a path that goes on through it: never guess which.
  std::vector<std::u16string> parts = SplitComponents(full);
  for (const auto& part : parts)
    if (part.back() == u'.' || part.back() == u' ') return Fail(ZPathProblem::kBadName);

  // Every existing component, the drive's root excepted, must be a plain
  // file or folder: a link in the middle would carry the removal elsewhere.
  ZResolvedPath out;
  std::u16string prefix = full.substr(0, 3);
  std::u16string existing = prefix;
  size_t existing_parts = 0;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  for (const auto& part : parts) {
    if (prefix.back() != u'\\') prefix += u'\\';
    prefix += part;
    attributes = GetFileAttributesW(prefix.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) break;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return Fail(ZPathProblem::kLink);
    existing = prefix;
    ++existing_parts;
  }
  out.exists = existing_parts == parts.size();
  if (out.exists) {
    if (parts.empty()) attributes = GetFileAttributesW(full.c_str());
    out.is_directory = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  // Short (8.3) names and letter case as stored, for the part that exists.
  std::u16string spelled = existing_parts ? LongSpelling(existing) : existing;
  if (spelled.size() < 3 || spelled.compare(1, 2, u":\\") != 0 ||
      (spelled[0] | 0x20) != (existing[0] | 0x20))
    spelled = existing;
  spelled[0] = existing[0];
  for (const auto& part : SplitComponents(spelled))
    if (part.back() == u'.' || part.back() == u' ') return Fail(ZPathProblem::kBadName);
  for (size_t i = existing_parts; i < parts.size(); ++i) {
    if (spelled.back() != u'\\') spelled += u'\\';
    spelled += parts[i];
  }
  if (spelled.size() >= MAX_PATH) return Fail(ZPathProblem::kTooLong);
  out.path = spelled;
  return out;
}

const char16_t* DescribePathProblem(ZPathProblem problem) {
  switch (problem) {
    case ZPathProblem::kNone: return u"";
    case ZPathProblem::kEmpty: return u"empty path";
    case ZPathProblem::kNotLocal: return u"not a path on a local drive";
    case ZPathProblem::kBadName: return u"name the file system would read otherwise";
    case ZPathProblem::kTooLong: return u"path too long";
    case ZPathProblem::kLink: return u"path runs through a link";
  }
  return u"";
}
