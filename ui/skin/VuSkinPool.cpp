#include "ui/skin/VuSkinPool.h"

#include <cstring>

#include "ui/resource/VuResourceLocator.h"
#include "ui/skin/kinds/CVuImageSkin.h"
#include "ui/skin/kinds/CVuJpgSkin.h"
#include "ui/skin/kinds/CVuNormalJPGSkin.h"
#include "ui/skin/kinds/CVuNormalPngSkin.h"
#include "ui/skin/kinds/CVuPngSkin.h"
#include "ui/skin/kinds/CVuSkinButton.h"
#include "ui/skin/kinds/CVuSkinGradation.h"
#include "ui/skin/kinds/CVuSkinImgFrame.h"
#include "ui/skin/kinds/CVuSkinImgHorzExtend.h"

namespace {

template <class Skin>
std::unique_ptr<CVuSkinBase> Make() {
  return std::make_unique<Skin>();
}

// The skin kinds in the order the factory tries them.
using SkinMaker = std::unique_ptr<CVuSkinBase> (*)();
constexpr SkinMaker kKinds[] = {Make<CVuImageSkin>,         Make<CVuSkinImgFrame>,
                                Make<CVuSkinButton>,        Make<CVuSkinImgHorzExtend>,
                                Make<CVuSkinGradation>,     Make<CVuPngSkin>,
                                Make<CVuJpgSkin>,           Make<CVuNormalPngSkin>,
                                Make<CVuNormalJPGSkin>};

}  // namespace

VuSkinPool& VuSkinPool::Instance() {
  static VuSkinPool* pool = new VuSkinPool;  // lives until the process ends
  return *pool;
}

CVuSkinBase* VuSkinPool::Get(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = skins_.find(name);
  return found == skins_.end() ? nullptr : found->second.get();
}

std::unique_ptr<CVuSkinBase> VuSkinPool::CreateSkin(const char* tag) {
  if (!tag) return nullptr;
  for (SkinMaker make : kKinds) {
    std::unique_ptr<CVuSkinBase> skin = make();
    if (skin->MatchesTag(tag)) return skin;
  }
  return nullptr;
}

int VuSkinPool::LoadDocument(const ZXmlElement& root) {
  VuResourceLocator& locator = VuResourceLocator::Instance();
  if (!root) return 0;
  const char* root_name = root.Name() ? root.Name() : "";
  if (std::strcmp(root_name, "skins") != 0) {
    locator.Report(root.Line(), std::string("skin document root <") + root_name +
                                    "> is not <skins>");
    return 0;
  }
  int added = 0;
  for (ZXmlElement element = root.FirstChildElement(); element;
       element = element.NextSiblingElement()) {
    const char* tag = element.Name() ? element.Name() : "";
    std::unique_ptr<CVuSkinBase> skin = CreateSkin(tag);
    if (!skin) {
      locator.Report(element.Line(), std::string("unknown skin kind <") + tag + ">");
      continue;
    }
    const char* name = element.Attribute("name");
    if (!name || !*name) {
      locator.Report(element.Line(), std::string("skin <") + tag + "> without \"name\"");
      continue;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (skins_.count(name)) continue;  // the first definition stays
    }
    skin->Load(element);
    std::lock_guard<std::mutex> lock(mutex_);
    if (skins_.emplace(skin->Name(), std::move(skin)).second) ++added;
  }
  return added;
}

void VuSkinPool::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  skins_.clear();
}
