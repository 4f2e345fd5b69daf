#include "ui/resource/VuUtf8.h"

#include <algorithm>
#include <cstddef>

#include "platform/kernel.h"

std::u16string VuUtf8ToUtf16(std::string_view text) {
  const int length = static_cast<int>(std::min<size_t>(text.size(), size_t{1} << 28));
  if (length == 0) return std::u16string();
  const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return std::u16string();
  std::u16string out(static_cast<size_t>(needed), u'\0');
  const int written = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, AsWide(out.data()), needed);
  out.resize(static_cast<size_t>(written > 0 ? written : 0));
  return out;
}

std::u16string VuUtf8ToUtf16(const char* text) {
  return text ? VuUtf8ToUtf16(std::string_view(text)) : std::u16string();
}

std::string VuUtf16ToUtf8(std::u16string_view text) {
  const int length = static_cast<int>(std::min<size_t>(text.size(), size_t{1} << 28));
  if (length == 0) return std::string();
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, AsWide(text.data()), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string out(static_cast<size_t>(needed), '\0');
  const int written = WideCharToMultiByte(CP_UTF8, 0, AsWide(text.data()), length, out.data(),
                                          needed, nullptr, nullptr);
  out.resize(static_cast<size_t>(written > 0 ? written : 0));
  return out;
}
