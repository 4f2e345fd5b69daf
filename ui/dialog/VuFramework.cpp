#include "ui/dialog/VuFramework.h"

#include <cstring>

#include "ui/resource/VuResourceLocator.h"
#include "ui/resource/VuStringTable.h"
#include "ui/skin/VuImagePools.h"
#include "ui/skin/VuSkinPool.h"
#include "ui/style/VuFontPool.h"
#include "ui/style/VuStyle.h"

namespace {

HWND g_current_modal = nullptr;

const char* RootTagOf(int id) {
  switch (id) {
    case kVuSkinDocumentId: return "skins";
    case kVuStyleDocumentId: return "style";
    case kVuStringDocumentId: return "string";
  }
  return nullptr;
}

}  // namespace

bool VuParseDocument(const std::string& text, const char* root_tag, ZXmlDocument* document) {
  // The reader stops at a zero byte: a document with one inside is cut there
  // and then usually fails to parse, which is what such a file deserves.
  if (!document->Parse(text.c_str())) {
    VuResourceLocator::Instance().Report(0, "not a well-formed XML document (parse error)");
    return false;
  }
  ZXmlElement root = document->FirstChildElement();
  if (!root) {
    VuResourceLocator::Instance().Report(0, "document has no root element");
    return false;
  }
  if (std::strcmp(root.Name() ? root.Name() : "", root_tag) != 0) {
    VuResourceLocator::Instance().Report(root.Line(), std::string("root tag <") + root.Name() +
                                                          "> is not <" + root_tag + ">");
    return false;
  }
  return true;
}

int VuFramework::LoadSharedDocument(int id) {
  const char* root_tag = RootTagOf(id);
  if (!root_tag) return 0;
  const std::string name = std::to_string(id) + ".xml";
  VuResourceLocator::DocumentScope scope(name);
  std::vector<VuResourceBlob> copies = VuResourceLocator::Instance().LoadAll(id, "xml");
  if (copies.empty()) {
    VuResourceLocator::Instance().Report(0, "resource " + name + " not found");
    return 0;
  }
  int merged = 0;
  for (const VuResourceBlob& copy : copies) {
    ZXmlDocument document;
    if (!VuParseDocument(copy.bytes, root_tag, &document)) continue;
    ZXmlElement root = document.FirstChildElement();
    switch (id) {
      case kVuSkinDocumentId: VuSkinPool::Instance().LoadDocument(root); break;
      case kVuStyleDocumentId: VuStylePool::Instance().LoadDocument(root); break;
      case kVuStringDocumentId: VuStringTable::Instance().LoadDocument(root); break;
    }
    ++merged;
  }
  return merged;
}

int VuFramework::Initialize(const std::u16string& primary_directory) {
  VuResourceLocator::Instance().SetPrimaryDirectory(primary_directory);
  VuImagePool::Png().Clear();
  // A new resource set replaces the old one: first-wins merging would keep
  // the previous set's definitions otherwise.
  VuSkinPool::Instance().Clear();
  VuStringTable::Instance().Clear();
  // The style pool is emptied (with its unnamed default style made) even
  // when no style document is found.
  VuStylePool::Instance().Clear();
  int loaded = 0;
  loaded += LoadSharedDocument(kVuSkinDocumentId);
  loaded += LoadSharedDocument(kVuStyleDocumentId);
  loaded += LoadSharedDocument(kVuStringDocumentId);
  VuFontPool::Instance().LoadPrivateFonts(primary_directory);
  return loaded;
}

HWND VuFramework::CurrentModalDialog() { return g_current_modal; }

void VuFramework::SetCurrentModalDialog(HWND window) { g_current_modal = window; }

std::recursive_mutex& VuFramework::PaintLock() {
  static std::recursive_mutex* lock = new std::recursive_mutex;
  return *lock;
}
