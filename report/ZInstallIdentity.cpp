#include "report/ZInstallIdentity.h"

#include "packet_public/ZInstallConfigLoader.h"
#include "packet_public/ZRegistryText.h"
#include "packet_public/ZText.h"
#include "platform/registry.h"

namespace {

const ZInstallConfigLoader* Config(const ZInstallConfigLoader* config) {
  return config ? config : ZInstallConfigLoader::GetInstance();
}

constexpr DWORD kServerIdChars = 260;
constexpr size_t kServerIdLength = 32;

}  // namespace

ZUUIDGenerator* ZUUIDGenerator::GetInstance() {
  static ZUUIDGenerator instance;
  return &instance;
}

std::u16string ZUUIDGenerator::GetUuid(const ZInstallConfigLoader* config) const {
  config = Config(config);
  HKEY key = nullptr;
  if (RegOpenKeyW(HKEY_CLASSES_ROOT, config->GetValue(u"uuid_reg_path").c_str(), &key) !=
      ERROR_SUCCESS)
    return std::u16string();
  std::u16string text;
  ReadRegistryString(key, config->GetValue(u"uuid_reg_key"), &text);
  RegCloseKey(key);
  return UpperCase(text);
}

std::u16string ReadServerId(const ZInstallConfigLoader* config) {
  config = Config(config);
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, config->GetValue(u"svrid_reg_path").c_str(), 0,
                    KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
    return std::u16string();
  char16_t buffer[kServerIdChars] = {};
  DWORD size = sizeof(buffer) - sizeof(char16_t);  // room for a terminator of our own
  DWORD type = REG_NONE;
  LSTATUS status = RegQueryValueExW(key, config->GetValue(u"svrid_reg_key").c_str(), nullptr, &type,
                                    reinterpret_cast<LPBYTE>(buffer), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::u16string();
  std::u16string text(buffer);
  return text.size() == kServerIdLength ? text : std::u16string();
}
