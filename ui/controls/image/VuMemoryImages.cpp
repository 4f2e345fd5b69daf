#include "ui/controls/image/VuMemoryImages.h"

#include <utility>

VuMemoryImages& VuMemoryImages::Instance() {
  static VuMemoryImages* instance = new VuMemoryImages;
  return *instance;
}

void VuMemoryImages::Register(const std::string& key, ZImage image) {
  auto shared = std::make_shared<const ZImage>(std::move(image));
  std::lock_guard<std::mutex> lock(mutex_);
  images_[key] = std::move(shared);
}

std::shared_ptr<const ZImage> VuMemoryImages::Find(const std::string& key) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = images_.find(key);
  return found == images_.end() ? nullptr : found->second;
}

void VuMemoryImages::Remove(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  images_.erase(key);
}

void VuMemoryImages::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  images_.clear();
}
