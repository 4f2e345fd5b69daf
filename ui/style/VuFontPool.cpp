#include "ui/style/VuFontPool.h"

#include <cstddef>

#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/registry.h"
#include "ui/dpi/VuDpiManager.h"

namespace {

const char16_t kFontsKey[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char16_t kYaHeiChinese[] = u"\u5FAE\u8F6F\u96C5\u9ED1";  // 微软雅黑
const char16_t kSongChinese[] = u"\u5B8B\u4F53";                // 宋体
const char16_t kYaHei[] = u"Microsoft YaHei";
const char16_t kSimSun[] = u"SimSun";
constexpr int kInitialHeight = -12;
constexpr size_t kFaceLimit = 31;  // LOGFONT's face name holds 32 characters with its end

bool IsYaHei(const std::u16string& face) { return face == kYaHeiChinese || face == kYaHei; }

}  // namespace

VuFontPool& VuFontPool::Instance() {
  static VuFontPool* pool = new VuFontPool();  // lives until the process ends
  return *pool;
}

VuFontPool::VuFontPool() : face_(kSongChinese) {}

std::u16string VuFontPool::ChooseDefaultFace() {
  struct Choice {
    const char16_t* value;
    const char16_t* face;
  };
  static const Choice kChoices[] = {
      {u"\u5FAE\u8F6F\u96C5\u9ED1 (TrueType)", kYaHeiChinese},
      {u"Microsoft YaHei (TrueType)", kYaHei},
      {u"Microsoft YaHei (TrueType) & Microsoft YaHei UI (TrueType)", kYaHei},
      {u"Microsoft YaHei & Microsoft YaHei UI (TrueType)", kYaHei},
      {u"\u5B8B\u4F53 & \u65B0\u5B8B\u4F53 (TrueType)", kSongChinese},
      {u"SimSun & NSimSun (TrueType)", kSimSun},
  };
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return kSongChinese;
  std::u16string face = kSongChinese;
  for (const Choice& choice : kChoices) {
    if (RegQueryValueExW(key, choice.value, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      face = choice.face;
      break;
    }
  }
  RegCloseKey(key);
  return face;
}

std::u16string VuFontPool::PrivateFontFile(const std::u16string& base_dir,
                                           const std::u16string& face) {
  const char16_t* file = nullptr;
  if (IsYaHei(face)) {
    file = u"msyh.ttf";
  } else if (face == kSongChinese) {
    file = u"simsun.ttc";
  } else if (face == kSimSun) {
    file = u"SimSun.ttc";
  }
  if (!file) return std::u16string();
  std::u16string path = base_dir;
  if (!path.empty() && path.back() != u'\\' && path.back() != u'/') path += u'\\';
  return path + u"fonts\\" + file;
}

int VuFontPool::LoadPrivateFonts(const std::u16string& base_dir) {
  if (base_dir.empty()) return 0;
  int added = 0;
  for (const char16_t* face : {kYaHeiChinese, kSongChinese, kSimSun}) {
    std::u16string file = PrivateFontFile(base_dir, face);
    {
      std::lock_guard<std::mutex> guard(mutex_);
      if (private_files_.count(file)) continue;
    }
    if (GetFileAttributesW(AsWide(file.c_str())) == INVALID_FILE_ATTRIBUTES) continue;
    if (AddFontResourceExW(AsWide(file.c_str()), FR_PRIVATE, nullptr) <= 0) continue;
    std::lock_guard<std::mutex> guard(mutex_);
    private_files_.insert(file);
    ++added;
  }
  if (added) {
    // Fonts made before may have fallen back to another face.
    std::lock_guard<std::mutex> guard(mutex_);
    fonts_.clear();
  }
  return added;
}

void VuFontPool::InitialiseLocked() const {
  if (initialised_) return;
  initialised_ = true;
  face_ = ChooseDefaultFace();
  height_ = kInitialHeight;
}

ZFont VuFontPool::BaseFontLocked() const {
  // DEFAULT_GUI_FONT's description (Tahoma, -11, weight 400, upright) with
  // the pool's face and height in place of its own.
  ZFont font;
  font.weight = FW_NORMAL;
  font.face = face_.substr(0, kFaceLimit);
  font.height = height_;
  font.quality = IsYaHei(face_) ? CLEARTYPE_QUALITY : ANTIALIASED_QUALITY;
  return font;
}

ZFont VuFontPool::MakeFontLocked(uint16_t font_id, bool dpi_scaled) const {
  ZFont font = BaseFontLocked();
  font.weight = (font_id & 0x4) ? FW_BOLD : FW_NORMAL;
  font.underline = (font_id & 0x2) != 0;
  font.italic = (font_id & 0x1) != 0;
  const int step = static_cast<int8_t>(font_id >> 8);
  font.height = height_ - step;  // heights are negative: a positive step is larger
  if (dpi_scaled) {
    VuDpiManager& dpi = dpi_manager_ ? *dpi_manager_ : VuDpiManager::Instance();
    font.height = dpi.Scale(font.height);
  }
  return font;
}

ZFont VuFontPool::GetFont(uint16_t font_id, bool dpi_scaled) {
  std::lock_guard<std::mutex> lock(mutex_);
  InitialiseLocked();
  const uint32_t key = font_id | (dpi_scaled ? 0x80000000u : 0u);
  auto found = fonts_.find(key);
  if (found != fonts_.end()) return found->second;
  ZFont font = MakeFontLocked(font_id, dpi_scaled);
  fonts_.emplace(key, font);
  return font;
}

void VuFontPool::SetDefaultFont(const std::u16string& face, int height) {
  std::lock_guard<std::mutex> lock(mutex_);
  initialised_ = true;
  face_ = face;
  height_ = height;
  fonts_.clear();
  fonts_.emplace(0u, MakeFontLocked(0, false));
}

ZFont VuFontPool::BaseFont() {
  std::lock_guard<std::mutex> lock(mutex_);
  InitialiseLocked();
  return BaseFontLocked();
}

const std::u16string& VuFontPool::DefaultFace() const {
  std::lock_guard<std::mutex> lock(mutex_);
  InitialiseLocked();
  return face_;
}

int VuFontPool::DefaultHeight() const {
  std::lock_guard<std::mutex> lock(mutex_);
  InitialiseLocked();
  return height_;
}

void VuFontPool::ResetForTest() {
  std::lock_guard<std::mutex> lock(mutex_);
  initialised_ = false;
  face_ = kSongChinese;
  height_ = kInitialHeight;
  fonts_.clear();
  private_files_.clear();
  dpi_manager_ = nullptr;
}

void VuFontPool::SetDpiManagerForTest(VuDpiManager* manager) {
  std::lock_guard<std::mutex> lock(mutex_);
  dpi_manager_ = manager;
  fonts_.clear();
}
