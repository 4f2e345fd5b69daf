#include "ui/resource/VuFileBytes.h"

#include "platform/files.h"
#include "platform/kernel.h"

VuReadResult VuReadWholeFile(const std::u16string& path, std::string* bytes, size_t max_size) {
  bytes->clear();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return VuReadResult::kMissing;
  VuReadResult result = VuReadResult::kRead;
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) {
    result = VuReadResult::kShortRead;
  } else if (size.QuadPart == 0) {
    result = VuReadResult::kEmpty;
  } else if (static_cast<unsigned long long>(size.QuadPart) > max_size) {
    result = VuReadResult::kTooLarge;
  } else {
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) ||
        read != bytes->size()) {
      bytes->clear();
      result = VuReadResult::kShortRead;
    }
  }
  CloseHandle(file);
  return result;
}

const char* VuDescribeReadResult(VuReadResult result) {
  switch (result) {
    case VuReadResult::kRead: return "read";
    case VuReadResult::kMissing: return "missing";
    case VuReadResult::kEmpty: return "empty";
    case VuReadResult::kTooLarge: return "too large";
    case VuReadResult::kShortRead: return "could not be read whole";
  }
  return "unknown";
}
