// A layout document over arbitrary text, loaded as a dialog loads its
// layout with the sample skin set's shared documents in the pools: the root's
// attributes and styles, the sections and their element trees, then laid out
// at several client sizes, painted, and searched and changed by id as an
// application does. Nothing may crash, hang or grow without bound; whatever
// loads must lay out inside sane bounds.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "platform/canvas.h"
#include "ui/dialog/CVuDialogView.h"
#include "ui/dialog/VuFramework.h"
#include "ui/element/CVuContainerWnd.h"
#include "ui/resource/VuResourceLocator.h"

namespace {

// The sample's skins, styles and strings, given to the locator in memory
// (the fuzzer runs without a machine, so no file of it is read).
void LoadSharedDocuments() {
  VuResourceLocator& locator = VuResourceLocator::Instance();
  for (int id : {kVuSkinDocumentId, kVuStyleDocumentId, kVuStringDocumentId}) {
    std::ifstream in(std::string(UNINST_SAMPLE_RES_DIR) + "/" + std::to_string(id) + ".xml",
                     std::ios::binary);
    locator.SetOverride(id, "xml",
                        std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
  }
  VuFramework::Initialize(u"");
}

void CheckTree(const CVuWindow* element, int depth) {
  FUZZ_CHECK(depth <= 300);
  if (const auto* container = dynamic_cast<const CVuContainerWnd*>(element))
    for (const auto& child : container->Children()) CheckTree(child.get(), depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool loaded = (LoadSharedDocuments(), true);
  (void)loaded;
  const std::string text(reinterpret_cast<const char*>(data), size);
  CVuDialogView view(11001);
  if (!view.Layout().LoadText(text, nullptr)) {
    FUZZ_CHECK(!view.Layout().IsLoaded());
    return 0;
  }
  const VuLayoutAttributes& a = view.Layout().Attributes();
  // "child" always wins over the frame attributes.
  if (a.child) FUZZ_CHECK(!a.resize && !a.noborder && !a.holdsize && !a.nomove && !a.layered);
  FUZZ_CHECK((a.ex_style & 0x00010000) != 0);
  for (const CVuDialog* section : {view.Layout().Header(), view.Layout().Body(), view.Layout().Footer()})
    if (section) CheckTree(section, 0);

  static ZCanvas canvas;
  for (const auto& size : {std::pair<int, int>{0, 0}, {1, 1}, {97, 61}, {320, 200}}) {
    view.LayoutView(size.first, size.second);
    if (const CVuDialog* footer = view.Layout().Footer())
      FUZZ_CHECK(footer->GetRect().bottom == size.second || footer->GetRect().Height() <= 0 ||
                 footer->GetRect().top == size.second - footer->GetRect().Height());
  }
  VuRegion region{ZRect{10, 10, 200, 120}};
  view.PaintClient(&canvas, 320, 200, &region);
  view.PaintClient(&canvas, 320, 200, nullptr);
  // What an application does by id.
  for (int id : {1, 2, 3, 100, 101, 103, 206}) {
    view.SetItemText(id, u"text %str1% \u00E9");
    view.SetItemAttribute(id, "pos", "-10,|5,w20,h-3");
    view.SetItemIntAttribute(id, "crtext", 255);
    view.SetItemVisible(id, id % 2 == 0);
  }
  view.PaintClient(&canvas, 320, 200, nullptr);
  return 0;
}
