// MAX_PATH and DOS device names: what Win32 settles from the path text alone.
#include <fcntl.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/files/SimFileObject.h"
#include "platform/sim/files/SimPathChecks.h"

namespace {

bool IsSep(char16_t c) { return c == u'\\' || c == u'/'; }

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? c - 32 : c; }

bool Is(std::u16string_view name, const char16_t* word) {
  for (size_t i = 0; i < name.size(); ++i)
    if (!word[i] || AsciiUpper(name[i]) != word[i]) return false;
  return word[name.size()] == 0;
}

// "\\?\" and "\??\" hand the rest to the file system as it is.
bool IsLiteral(std::u16string_view path) {
  return path.size() >= 4 && path[0] == u'\\' && (path[1] == u'\\' || path[1] == u'?') &&
         path[2] == u'?' && path[3] == u'\\';
}

// The split of a drive path as GetFullPathNameW reads it; false for the
// literal and network forms, which neither limit nor device names touch.
bool SplitDrivePath(std::u16string_view path, SimFullPathParts* split) {
  if (path.empty() || IsLiteral(path)) return false;
  if (path.size() >= 2 && IsSep(path[0]) && IsSep(path[1])) return false;
  SimSplitFullPath(path, split);
  return split->prefix.size() == 2 && split->prefix[1] == u':';
}

// Characters below MAX_PATH that CreateDirectoryW keeps free for an 8.3 name.
constexpr size_t kShortNameRoom = 12;

}  // namespace

bool SimIsDosDeviceName(std::u16string_view name) {
  size_t end = 0;
  while (end < name.size() && name[end] != u'.' && name[end] != u':') ++end;
  while (end > 0 && name[end - 1] == u' ') --end;
  std::u16string_view base = name.substr(0, end);
  if (base.size() == 3)
    return Is(base, u"CON") || Is(base, u"PRN") || Is(base, u"AUX") || Is(base, u"NUL");
  if (base.size() == 4 && base[3] >= u'1' && base[3] <= u'9')
    return Is(base.substr(0, 3), u"COM") || Is(base.substr(0, 3), u"LPT");
  return false;
}

std::u16string SimDosDeviceOf(std::u16string_view path) {
  SimFullPathParts split;
  if (!SplitDrivePath(path, &split) || split.trailing || split.parts.empty()) return {};
  const std::u16string& last = split.parts.back();
  if (!SimIsDosDeviceName(last)) return {};
  std::u16string device;
  for (char16_t c : last) {
    if (c == u'.' || c == u':' || c == u' ') break;
    device += c;
  }
  return device;
}

size_t SimFullPathLength(const SimFullPathParts& split) {
  size_t length = split.prefix.size() + 1;  // "C:\"
  for (size_t i = 0; i < split.parts.size(); ++i) length += split.parts[i].size() + (i ? 1 : 0);
  if (split.trailing && !split.parts.empty()) ++length;
  return length;
}

DWORD SimCheckWin32Path(std::u16string_view path) {
  SimFullPathParts split;
  if (!SplitDrivePath(path, &split)) return 0;
  if (!split.trailing && !split.parts.empty() && SimIsDosDeviceName(split.parts.back()))
    return ERROR_FILE_NOT_FOUND;
  if (SimFullPathLength(split) >= MAX_PATH) return ERROR_PATH_NOT_FOUND;
  return 0;
}

DWORD SimCheckNewDirectoryPath(std::u16string_view path) {
  SimFullPathParts split;
  if (!SplitDrivePath(path, &split)) return 0;
  if (SimFullPathLength(split) >= MAX_PATH - kShortNameRoom) return ERROR_FILENAME_EXCED_RANGE;
  return 0;
}

DWORD SimCheckCurrentDirectoryPath(std::u16string_view full) {
  const size_t length = full.size() + (!full.empty() && full.back() == u'\\' ? 0 : 1);
  return length >= MAX_PATH ? ERROR_FILENAME_EXCED_RANGE : 0;
}

HANDLE SimOpenDosDevice(const std::u16string& device, DWORD access) {
  if (!Is(device, u"NUL")) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  int fd = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = SimHandles::Add(
      std::make_shared<SimFileObject>(fd, -1, access, false, false, std::string()));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

DWORD SimDosDeviceAttributes(const std::u16string& device) {
  if (Is(device, u"NUL")) return FILE_ATTRIBUTE_ARCHIVE;
  SetLastError(ERROR_FILE_NOT_FOUND);
  return INVALID_FILE_ATTRIBUTES;
}
