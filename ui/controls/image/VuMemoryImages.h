// The in-memory images an application hands to the layout: "memimage"
// ("mempointer") and "hicon" ("handle") name an entry of this registry by
// its key text. A number read from a document is never taken for an
// address; an unknown key simply draws nothing.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/image.h"

class VuMemoryImages {
 public:
  static VuMemoryImages& Instance();

  // Adds or replaces the image under key.
  void Register(const std::string& key, ZImage image);
  // The image under key, or null.
  std::shared_ptr<const ZImage> Find(const std::string& key) const;
  void Remove(const std::string& key);
  void Clear();

 private:
  VuMemoryImages() = default;
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<const ZImage>> images_;
};
