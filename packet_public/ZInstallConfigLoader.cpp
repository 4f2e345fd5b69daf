#include "packet_public/ZInstallConfigLoader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "app/log/ZLog.h"
#include "packet_public/ZRegRootTable.h"
#include "packet_public/ZRegistryText.h"
#include "packet_public/ZText.h"
#include "packet_public/ZTime.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/xml.h"

namespace {

constexpr unsigned char kMagic[4] = {0x2E, 0x74, 0x6D, 0x70};  // ".tmp"
constexpr unsigned char kScrambleKey = 0xA7;
// Far above any real configuration; keeps a damaged or foreign file from
// making us allocate whatever its size says.
constexpr uint32_t kMaxConfigFileSize = 64u * 1024u * 1024u;

constexpr char16_t kConfigFileName[] = u"installConfig.dat";
constexpr char16_t kInstallSection[] = u"packet\\installcfg\\item";
constexpr char16_t kUpdockSection[] = u"packet\\updockcfg\\item";

class FileCloser {
 public:
  explicit FileCloser(HANDLE file) : file_(file) {}
  ~FileCloser() { CloseHandle(file_); }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  HANDLE file_;
};

class KeyCloser {
 public:
  explicit KeyCloser(HKEY key) : key_(key) {}
  ~KeyCloser() { RegCloseKey(key_); }
  KeyCloser(const KeyCloser&) = delete;
  KeyCloser& operator=(const KeyCloser&) = delete;

 private:
  HKEY key_;
};

// Whole 32-bit words first, then the tail; an empty buffer is refused.
bool Unscramble(char* data, uint32_t length) {
  if (!data || length == 0) return false;
  constexpr uint32_t kWordKey = 0x01010101u * kScrambleKey;
  uint32_t words = length / 4;
  for (uint32_t i = 0; i < words; ++i) {
    uint32_t word;
    std::memcpy(&word, data + i * 4, 4);
    word ^= kWordKey;
    std::memcpy(data + i * 4, &word, 4);
  }
  for (uint32_t i = words * 4; i < length; ++i)
    data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) ^ kScrambleKey);
  return true;
}

std::u16string ModuleDirectory() {
  std::vector<char16_t> buffer(MAX_PATH);
  DWORD length = 0;
  while (true) {
    length = GetModuleFileNameW(nullptr, AsWide(buffer.data()), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::u16string();
    if (length < buffer.size() || buffer.size() >= 32768) break;
    buffer.resize(buffer.size() * 2);
  }
  std::u16string path(buffer.data(), length);
  size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

std::vector<std::string> SplitSectionPath(const std::u16string& path) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(u"\\/", start);
    if (end == std::u16string::npos) end = path.size();
    if (end > start) names.push_back(Utf16ToUtf8(path.substr(start, end - start)));
    start = end + 1;
  }
  return names;
}

}  // namespace

bool ReadConfigBuffer(const char16_t* path, std::unique_ptr<char[]>* buffer, uint32_t* length) {
  if (!path || !*path || !buffer || !length) return false;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FileCloser closer(file);

  DWORD size_high = 0;
  DWORD size = GetFileSize(file, &size_high);
  if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  if (size_high != 0 || size > kMaxConfigFileSize || size == 0) return false;

  unsigned char magic[sizeof(kMagic)] = {};
  DWORD magic_read = 0;
  if (!ReadFile(file, magic, sizeof(magic), &magic_read, nullptr) || magic_read != sizeof(magic) ||
      std::memcmp(magic, kMagic, sizeof(kMagic)) != 0)
    return false;

  uint32_t body_length = static_cast<uint32_t>(size) - sizeof(kMagic);
  std::unique_ptr<char[]> body(new (std::nothrow) char[body_length + 1]());
  if (!body) return false;
  DWORD body_read = 0;
  bool read_ok =
      SetFilePointer(file, static_cast<LONG>(sizeof(kMagic)), nullptr, FILE_BEGIN) !=
          INVALID_SET_FILE_POINTER &&
      ReadFile(file, body.get(), static_cast<DWORD>(body_length), &body_read, nullptr);
  // An unreadable body is handed back zero-filled, which reads as empty text.
  if (read_ok && !Unscramble(body.get(), body_length)) return false;

  *buffer = std::move(body);
  *length = body_length;
  return true;
}

ZInstallConfigLoader::ZInstallConfigLoader() = default;

ZInstallConfigLoader::~ZInstallConfigLoader() = default;

ZInstallConfigLoader* ZInstallConfigLoader::GetInstance() {
  static ZInstallConfigLoader instance;
  return &instance;
}

bool ZInstallConfigLoader::DecryptConfigFile(const char16_t* path, std::string* text) {
  std::unique_ptr<char[]> buffer;
  uint32_t length = 0;
  if (!text || !ReadConfigBuffer(path, &buffer, &length)) {
    ZLOG(kLogError) << u"decrypt install config file failed, lpDecryptBuffer = null";
    return false;
  }
  text->assign(buffer.get(), std::find(buffer.get(), buffer.get() + length, '\0'));
  return true;
}

bool ZInstallConfigLoader::Load(const char16_t* path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (loaded_) return true;

  std::u16string file_path =
      (path && *path) ? std::u16string(path) : ModuleDirectory() + kConfigFileName;
  if (GetFileAttributesW(file_path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    ZLOG(kLogError) << u"install config file not exist, file path : " << file_path;
    return false;
  }

  std::string text;
  if (!DecryptConfigFile(file_path.c_str(), &text)) {
    ZLOG(kLogError) << u"decrypt install config file failed";
    return false;
  }

  ZXmlDocument document;
  if (!document.Parse(text.c_str())) {
    ZLOG(kLogError) << u"parse config data failed, wrong format";
    return false;
  }
  if (!ReadSectionLocked(document, kInstallSection)) {
    ZLOG(kLogError) << u"parse install config failed";
    return false;
  }
  if (!ReadSectionLocked(document, kUpdockSection)) {
    ZLOG(kLogError) << u"parse updock config failed";
    return false;
  }
  loaded_ = true;
  return true;
}

bool ZInstallConfigLoader::IsLoaded() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return loaded_;
}

bool ZInstallConfigLoader::ReadSection(const ZXmlDocument& document,
                                       const std::u16string& section_path) {
  std::lock_guard<std::mutex> lock(mutex_);
  return ReadSectionLocked(document, section_path);
}

bool ZInstallConfigLoader::ReadSectionLocked(const ZXmlDocument& document,
                                             const std::u16string& section_path) {
  std::vector<std::string> names = SplitSectionPath(section_path);
  if (names.empty()) return false;
  ZXmlElement element = document.FirstChildElement();
  if (!element || std::strcmp(element.Name(), names[0].c_str()) != 0) return false;
  for (size_t i = 1; i < names.size(); ++i) {
    element = element.FirstChildElement(names[i].c_str());
    if (!element) return false;
  }
  // Every element from the first item on counts, whatever its name.
  for (; element; element = element.NextSiblingElement()) {
    const char* key = element.Attribute("key");
    const char* value = element.Attribute("value");
    if (!key || !value) continue;
    values_[Utf8ToUtf16(key)] = Utf8ToUtf16(value);
  }
  return true;
}

std::u16string ZInstallConfigLoader::GetValue(const std::u16string& key) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = values_.find(key);
  return it == values_.end() ? std::u16string() : it->second;
}

int32_t ZInstallConfigLoader::GetCheckboxValue(int n) const {
  std::string number = std::to_string(n);
  return ParseLenientInt(GetValue(u"checkbox_" + std::u16string(number.begin(), number.end())));
}

int32_t ZInstallConfigLoader::GetTryNo() const { return ParseLenientInt(GetValue(u"tryno")); }

bool ZInstallConfigLoader::OpenInstallTimeKey(HKEY* key) const {
  HKEY root = nullptr;
  if (!LookupRootKey(GetValue(u"install_time_root_key"), &root)) return false;
  std::u16string sub_key = GetValue(u"install_time_sub_key");
  return RegOpenKeyW(root, sub_key.c_str(), key) == ERROR_SUCCESS;
}

int32_t ZInstallConfigLoader::GetInstallDays() const {
  if (!IsLoaded()) return 0;
  HKEY key = nullptr;
  if (!OpenInstallTimeKey(&key)) return 0;
  KeyCloser closer(key);

  std::u16string value_name = GetValue(u"install_time_value");
  DWORD type = REG_NONE;
  DWORD data = 0;
  DWORD data_size = sizeof(data);
  if (RegQueryValueExW(key, value_name.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(&data),
                       &data_size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return 0;

  // The value is signed; a negative time stands for "unknown" and counts from
  // the start of 2000.
  const ZTime installed(static_cast<int32_t>(static_cast<uint32_t>(data)));
  return static_cast<int32_t>((ZTime::Now() - installed).Days());
}

std::u16string ZInstallConfigLoader::GetInstallIdValue(const std::u16string& name) const {
  HKEY key = nullptr;
  if (!OpenInstallTimeKey(&key)) return u"0";
  KeyCloser closer(key);
  std::u16string text;
  return ReadRegistryString(key, name, &text) ? text : u"0";
}
