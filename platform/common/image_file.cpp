// ZImage::LoadFile on both back ends: the file read through the layer's files.
#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/image.h"
#include "platform/types.h"

bool ZImage::LoadFile(const std::u16string& path) {
  Reset();
  HANDLE file = CreateFileW(AsWide(path.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  std::vector<uint8_t> bytes;
  bool read = GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
              static_cast<uint64_t>(size.QuadPart) <= kImageMaxFileBytes;
  if (read) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    read = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
           got == bytes.size();
  }
  CloseHandle(file);
  return read && LoadBytes(bytes.data(), bytes.size());
}
