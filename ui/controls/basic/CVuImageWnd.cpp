#include "ui/controls/basic/CVuImageWnd.h"

#include <algorithm>
#include <cstring>

#include "ui/resource/VuResourceLocator.h"
#include "ui/skin/VuSkinPool.h"
#include "ui/style/VuValueParsers.h"

namespace {

const char* const kKeptNames[7] = {"ico_top", "caption", "caption_top", "group",
                                   "mask",    "cliptype", "clipparam"};

int KeptIndex(const char* name) {
  for (int i = 0; i < 7; ++i)
    if (std::strcmp(name, kKeptNames[i]) == 0) return i;
  return -1;
}

}  // namespace

const char* CVuImageWnd::GetTag() const { return "img"; }

HRESULT CVuImageWnd::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "skin") == 0) {
    skin_ = value;
    return 1;
  }
  if (std::strcmp(name, "alpha") == 0) {
    alpha_ = static_cast<BYTE>(std::clamp(VuParseInt(value), 0, 255));
    return 1;
  }
  const int kept = KeptIndex(name);
  if (kept < 0) return E_FAIL;
  kept_[kept] = value;
  return 1;
}

bool CVuImageWnd::Load(const ZXmlElement& element) {
  CVuWindow::Load(element);
  if (!skin_.empty() && !Skin())
    VuResourceLocator::Instance().Report(element.Line(), "skin \"" + skin_ + "\" of <" + GetTag() +
                                                             "> not found");
  return true;
}

const std::string& CVuImageWnd::GetKeptAttribute(const char* name) const {
  static const std::string empty;
  const int kept = name ? KeptIndex(name) : -1;
  return kept < 0 ? empty : kept_[kept];
}

CVuSkinBase* CVuImageWnd::Skin() const {
  return skin_.empty() ? nullptr : VuSkinPool::Instance().Get(skin_);
}

bool CVuImageWnd::NeedsRedrawOnStateChange() {
  if (CVuWindow::NeedsRedrawOnStateChange()) return true;
  if (SkinState() == 0) return false;
  CVuSkinBase* skin = Skin();
  return skin && !skin->IsStateless();
}

int CVuImageWnd::SkinState() const { return 0; }

VuSize CVuImageWnd::WantedSize(int cx, int cy) {
  if (pos_.count != 4 && text_.empty())
    if (CVuSkinBase* skin = Skin()) {
      const VuSize size = skin->GetSkinSize();
      if (size.cx > 0 || size.cy > 0) return size;
    }
  return CVuWindow::WantedSize(cx, cy);
}

void CVuImageWnd::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  if (CVuSkinBase* skin = Skin()) skin->Draw(dc, rect_, SkinState(), alpha_);
  CVuWindow::PaintContent(dc);
}
