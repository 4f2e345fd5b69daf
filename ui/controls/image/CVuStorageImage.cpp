#include "ui/controls/image/CVuStorageImage.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "ui/resource/VuFileBytes.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/resource/VuUtf8.h"
#include "ui/skin/VuImagePools.h"
#include "ui/style/VuValueParsers.h"

namespace {

std::mutex g_folders_mutex;
std::vector<std::u16string> g_allowed_folders;

std::u16string Normalized(std::u16string path) {
  std::replace(path.begin(), path.end(), u'/', u'\\');
  while (path.size() > 3 && path.back() == u'\\') path.pop_back();
  return path;
}

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// The part of path below folder, or false when path is not below it.
bool Below(const std::u16string& path, const std::u16string& folder, std::u16string* rest) {
  if (folder.empty() || path.size() <= folder.size() + 1 || path[folder.size()] != u'\\') return false;
  for (size_t i = 0; i < folder.size(); ++i)
    if (Lower(path[i]) != Lower(folder[i])) return false;
  *rest = path.substr(folder.size() + 1);
  return true;
}

}  // namespace

const char* CVuStorageImage::GetTag() const { return "storageimage"; }

void CVuStorageImage::AllowFolder(const std::u16string& folder) {
  std::lock_guard<std::mutex> lock(g_folders_mutex);
  g_allowed_folders.push_back(Normalized(folder));
}

void CVuStorageImage::ClearAllowedFolders() {
  std::lock_guard<std::mutex> lock(g_folders_mutex);
  g_allowed_folders.clear();
}

std::u16string CVuStorageImage::ResolvePath(const std::u16string& filepath) {
  const std::u16string path = Normalized(filepath);
  if (path.empty()) return {};
  const std::u16string primary = Normalized(VuResourceLocator::Instance().PrimaryDirectory());
  const bool absolute = path[0] == u'\\' || path.find(u':') != std::u16string::npos;
  if (!absolute) {
    if (primary.empty() || !VuImagePool::IsPlainRelativeName(path)) return {};
    return primary + u"\\" + path;
  }
  std::vector<std::u16string> roots{primary, Normalized(VuResourceLocator::Instance().SecondaryDirectory())};
  {
    std::lock_guard<std::mutex> lock(g_folders_mutex);
    roots.insert(roots.end(), g_allowed_folders.begin(), g_allowed_folders.end());
  }
  std::u16string rest;
  for (const std::u16string& root : roots)
    if (Below(path, root, &rest) && VuImagePool::IsPlainRelativeName(rest)) return path;
  return {};
}

HRESULT CVuStorageImage::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "filepath") == 0) {
    const std::u16string resolved = ResolvePath(VuUtf8ToUtf16(value));
    image_.Reset();
    read_ = false;
    path_ = resolved;
    // Refused: reported with the attribute's line, nothing read.
    return resolved.empty() ? E_FAIL : 1;
  }
  if (std::strcmp(name, "subwidth") == 0) {
    const int width = VuParseInt(value);
    if (width < 0) return E_FAIL;
    sub_width_ = width;
    return 1;
  }
  return E_FAIL;
}

bool CVuStorageImage::Load(const ZXmlElement& element) {
  CVuWindow::Load(element);
  if (!path_.empty()) {
    ReadImage();
    if (image_.Empty())
      VuResourceLocator::Instance().Report(element.Line(),
                                           "image file " + VuUtf16ToUtf8(path_) + " of <" + GetTag() + "> not read");
  }
  return true;
}

void CVuStorageImage::ReadImage() {
  if (read_) return;
  read_ = true;
  std::string bytes;
  if (VuReadWholeFile(path_, &bytes, kImageMaxFileBytes) != VuReadResult::kRead ||
      !image_.LoadBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
    image_.Reset();
}

ZRect CVuStorageImage::SourceRect() const {
  const ZRect whole{0, 0, image_.Width(), image_.Height()};
  if (sub_width_ <= 0 || sub_width_ >= image_.Width()) return whole;
  const int64_t frame = VuSkinFrameForState(state_);
  const int64_t left = (frame + 1) * sub_width_ <= image_.Width() ? frame * sub_width_ : 0;
  return {static_cast<int>(left), 0, static_cast<int>(left + sub_width_), image_.Height()};
}

VuSize CVuStorageImage::WantedSize(int cx, int cy) {
  if (pos_.count != 4 && !path_.empty()) {
    ReadImage();
    if (!image_.Empty()) {
      const ZRect frame = SourceRect();
      return {frame.Width(), frame.Height()};
    }
  }
  return CVuWindow::WantedSize(cx, cy);
}

void CVuStorageImage::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  // A rectangle beyond the int range shows nothing (and is not handed to the canvas).
  if (!VuDrawableRect(rect_)) return;
  if (!path_.empty()) ReadImage();
  if (!image_.Empty()) dc->DrawImage(image_, SourceRect(), rect_, alpha_);
  CVuWindow::PaintContent(dc);
}
