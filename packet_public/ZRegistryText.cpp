#include "packet_public/ZRegistryText.h"

#include <algorithm>
#include <vector>

#include "platform/registry.h"

bool ReadRegistryString(HKEY key, const std::u16string& name, std::u16string* text) {
  text->clear();
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return false;
  std::vector<char16_t> buffer(size / 2 + 1, u'\0');
  DWORD buffer_size = size;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()),
                       &buffer_size) != ERROR_SUCCESS)
    return false;
  text->assign(buffer.data(), std::find(buffer.begin(), buffer.end(), u'\0') - buffer.begin());
  return true;
}
