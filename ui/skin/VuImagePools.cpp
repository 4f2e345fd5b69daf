#include "ui/skin/VuImagePools.h"

#include <atomic>
#include <string>

#include "ui/dpi/VuDpiManager.h"
#include "ui/resource/VuFileBytes.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/resource/VuUtf8.h"

namespace {

std::atomic<VuDpiManager*> g_dpi_manager{nullptr};

VuDpiManager& Dpi() {
  VuDpiManager* manager = g_dpi_manager.load();
  return manager ? *manager : VuDpiManager::Instance();
}

// The scale images are drawn at: the DPI manager's when scaling is on.
float TargetScale() {
  VuDpiManager& dpi = Dpi();
  return dpi.IsEnabled() ? dpi.GetScale() : 1.0f;
}

void ReportMissing(const std::string& image) {
  VuResourceLocator::Instance().Report(0, "image " + image + " not found");
}

void ReportUnreadable(const std::string& image) {
  VuResourceLocator::Instance().Report(0, "image " + image + " is not an image it can read");
}

std::unique_ptr<VuPooledImage> Decoded(const std::string& bytes, float scale) {
  auto pooled = std::make_unique<VuPooledImage>();
  if (!pooled->image.LoadBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
    return nullptr;
  pooled->scale = scale;
  pooled->target = TargetScale();
  return pooled;
}

// The DPI images of the primary directory's resources live in a folder named
// after it ("uninstall" for "...\res\uninstall").
std::u16string PrimaryFolderName() {
  const std::u16string& primary = VuResourceLocator::Instance().PrimaryDirectory();
  size_t end = primary.find_last_not_of(u"\\/");
  if (end == std::u16string::npos) return u"";
  size_t slash = primary.find_last_of(u"\\/", end);
  return primary.substr(slash == std::u16string::npos ? 0 : slash + 1,
                        end - (slash == std::u16string::npos ? 0 : slash + 1) + 1);
}

// Windows opens a device for these names whatever the folder or extension
// ("con.png" reads the console and would wait for input).
bool IsDeviceName(const std::u16string& part) {
  std::u16string stem;
  for (char16_t c : part.substr(0, part.find(u'.'))) {
    if (c == u' ') break;
    stem += c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
  }
  for (const char16_t* device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"})
    if (stem == device) return true;
  return stem.size() == 4 && (stem.compare(0, 3, u"COM") == 0 || stem.compare(0, 3, u"LPT") == 0) &&
         stem[3] >= u'0' && stem[3] <= u'9';
}

std::u16string Widen(const char* ascii) {
  std::u16string out;
  for (; *ascii; ++ascii) out += static_cast<char16_t>(*ascii);
  return out;
}

}  // namespace

void VuSetImageDpiManager(VuDpiManager* manager) { g_dpi_manager.store(manager); }

VuBmpPool& VuBmpPool::Instance() {
  static VuBmpPool* pool = new VuBmpPool;  // lives until the process ends
  return *pool;
}

const VuPooledImage* VuBmpPool::Get(int id) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = images_.find(id);
  if (found != images_.end()) return found->second.get();
  const std::string name = std::to_string(id) + ".bmp";
  std::unique_ptr<VuPooledImage> pooled;
  VuResourceBlob blob;
  if (!VuResourceLocator::Instance().Load(id, "bmp", &blob)) {
    ReportMissing(name);
  } else if (!(pooled = Decoded(blob.bytes, 1.0f))) {
    ReportUnreadable(name);
  }
  return (images_[id] = std::move(pooled)).get();
}

void VuBmpPool::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  images_.clear();
}

VuImagePool& VuImagePool::Png() {
  static VuImagePool* pool = new VuImagePool("png");
  return *pool;
}

VuImagePool& VuImagePool::Jpg() {
  static VuImagePool* pool = new VuImagePool("jpg");
  return *pool;
}

const VuPooledImage* VuImagePool::GetById(int id) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = by_id_.find(id);
  if (found != by_id_.end()) return found->second.get();
  const std::string name = std::to_string(id) + "." + type_;
  std::unique_ptr<VuPooledImage> pooled;

  VuDpiManager& dpi = Dpi();
  std::u16string dpi_path;
  float dpi_scale = 1.0f;
  if (dpi.IsEnabled() && dpi.GetDpiImage(id, Widen(type_), PrimaryFolderName(), dpi.GetScale(),
                                         &dpi_path, &dpi_scale)) {
    std::string bytes;
    if (VuReadWholeFile(dpi_path, &bytes) == VuReadResult::kRead)
      pooled = Decoded(bytes, dpi_scale);
    // A broken DPI image leaves the normal one, scaled.
    if (!pooled) ReportUnreadable(VuUtf16ToUtf8(dpi_path));
  }
  if (!pooled) {
    VuResourceBlob blob;
    if (!VuResourceLocator::Instance().Load(id, type_, &blob)) {
      ReportMissing(name);
    } else if (!(pooled = Decoded(blob.bytes, 1.0f))) {
      ReportUnreadable(name);
    }
  }
  return (by_id_[id] = std::move(pooled)).get();
}

bool VuImagePool::IsPlainRelativeName(const std::u16string& file_name) {
  if (file_name.empty() || file_name[0] == u'\\' || file_name[0] == u'/') return false;
  // A colon is a drive ("C:x") or a stream ("a.png:s"); neither stays put.
  if (file_name.find(u':') != std::u16string::npos) return false;
  size_t start = 0;
  while (start <= file_name.size()) {
    size_t end = file_name.find_first_of(u"\\/", start);
    if (end == std::u16string::npos) end = file_name.size();
    const std::u16string part = file_name.substr(start, end - start);
    // Windows drops trailing dots and blanks: "..." and ".. " climb too.
    if (!part.empty() && part.find_first_not_of(u". ") == std::u16string::npos &&
        part.find(u"..") != std::u16string::npos)
      return false;
    if (IsDeviceName(part)) return false;
    start = end + 1;
  }
  return true;
}

const VuPooledImage* VuImagePool::GetByFile(const std::u16string& file_name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = by_file_.find(file_name);
  if (found != by_file_.end()) return found->second.get();
  std::unique_ptr<VuPooledImage> pooled;
  const std::string name = VuUtf16ToUtf8(file_name);
  const std::u16string& primary = VuResourceLocator::Instance().PrimaryDirectory();
  if (!IsPlainRelativeName(file_name)) {
    VuResourceLocator::Instance().Report(0, "image " + name + " refused: it leaves the resource directory");
  } else if (primary.empty()) {
    ReportMissing(name);
  } else {
    std::u16string path = primary;
    if (path.back() != u'\\' && path.back() != u'/') path += u'\\';
    path += file_name;
    std::string bytes;
    const VuReadResult read = VuReadWholeFile(path, &bytes);
    if (read == VuReadResult::kMissing) {
      ReportMissing(name);
    } else if (read != VuReadResult::kRead || !(pooled = Decoded(bytes, 1.0f))) {
      ReportUnreadable(name);
    }
  }
  return (by_file_[file_name] = std::move(pooled)).get();
}

void VuImagePool::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  by_id_.clear();
  by_file_.clear();
}
