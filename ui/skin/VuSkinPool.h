// The process-wide pool of skins by name, filled from the skin document(s).
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/xml.h"
#include "ui/skin/kinds/CVuSkinBase.h"

class VuSkinPool {
 public:
  static VuSkinPool& Instance();

  // The skin of that name, or null.
  CVuSkinBase* Get(const std::string& name);
  // Adds the children of one "skins" document: the tag selects the kind (in
  // the factory's order, first exact match); an unknown tag or a skin
  // without "name" is skipped and reported; a name already present keeps
  // its first definition. Returns the number added.
  int LoadDocument(const ZXmlElement& root);
  // A new skin of the kind tag, or null.
  static std::unique_ptr<CVuSkinBase> CreateSkin(const char* tag);
  void Clear();

 private:
  VuSkinPool() = default;
  std::mutex mutex_;
  std::map<std::string, std::unique_ptr<CVuSkinBase>> skins_;
};
