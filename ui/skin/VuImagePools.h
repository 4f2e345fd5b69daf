// The image pools behind skins: bitmaps by numeric id (VuBmpPool), PNG and
// JPEG images by id or file name (VuPngPool, VuJpgPool). Process-wide,
// holding each image until the pool is emptied. An image that is missing or
// cannot be read is reported once and remembered as missing until then.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

#include "platform/image.h"

class VuDpiManager;

// A pooled image, the scale it was drawn for (1.0, or the DPI image's) and
// the scale it is drawn at (the DPI manager's when scaling is on). Skin
// sizes are written for scale 1.0: a size v covers v x scale pixels of the
// image and v x target pixels on the canvas.
struct VuPooledImage {
  ZImage image;
  float scale = 1.0f;
  float target = 1.0f;

  // Variants of the image made on first use (mask applied, made opaque,
  // mirrored), kept as long as the image. UI thread only.
  using VariantKey = std::tuple<int, uint32_t, int, int>;
  mutable std::map<VariantKey, std::unique_ptr<ZImage>> variants;
};

// The manager the pools ask for the scale and the DPI images; null (the
// default) is VuDpiManager::Instance(). Tests set one of their own; empty
// the pools after a change.
void VuSetImageDpiManager(VuDpiManager* manager);

class VuBmpPool {
 public:
  static VuBmpPool& Instance();
  // The bitmap of id: the image provider, the extra module, the program's
  // module, then the file "%s\%d.bmp" in the primary resource directory.
  // Null when none holds a bitmap it can read.
  const VuPooledImage* Get(int id);
  void Clear();

 private:
  VuBmpPool() = default;
  std::mutex mutex_;
  std::map<int, std::unique_ptr<VuPooledImage>> images_;
};

// PNG (type "png") or JPEG ("jpg") images.
class VuImagePool {
 public:
  static VuImagePool& Png();
  static VuImagePool& Jpg();
  // By numeric id: the DPI image for the current scale when one is near
  // enough (VuDpiManager), else the resource of that id and the pool's type
  // through the resource locator.
  const VuPooledImage* GetById(int id);
  // By file name (skinpng/skinjpg "file"): a file of the primary resource
  // directory; a name that leaves the directory is refused.
  const VuPooledImage* GetByFile(const std::u16string& file_name);
  // Deletes every cached image (the framework's initialisation does this).
  void Clear();

  // True for a name that stays inside the directory it is joined to: no
  // "..", drive, leading separator, stream or device name.
  static bool IsPlainRelativeName(const std::u16string& file_name);

 private:
  explicit VuImagePool(const char* type) : type_(type) {}
  const char* type_;
  std::mutex mutex_;
  std::map<int, std::unique_ptr<VuPooledImage>> by_id_;
  std::map<std::u16string, std::unique_ptr<VuPooledImage>> by_file_;
};
