// ZCanvas::SavePng on both back ends: the PNG bytes written through the
// layer's files (a Windows path; inside a machine on the simulated host).
#include <vector>

#include "platform/canvas.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/types.h"

bool ZCanvas::SavePng(const std::u16string& path) const {
  std::vector<uint8_t> png;
  if (!EncodePng(&png)) return false;
  HANDLE file = CreateFileW(AsWide(path.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr) &&
                  written == png.size();
  CloseHandle(file);
  return ok;
}
