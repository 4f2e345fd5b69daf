#include "ui/controls/basic/CVuSkinBtnWnd.h"

#include <cstring>

#include "ui/resource/VuResourceLocator.h"
#include "ui/skin/VuSkinPool.h"

const char* CVuSkinBtnWnd::GetTag() const { return "skinbtn"; }

HRESULT CVuSkinBtnWnd::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "skin") != 0) return E_FAIL;
  skin_ = value;
  return 1;
}

bool CVuSkinBtnWnd::Load(const ZXmlElement& element) {
  CVuWindow::Load(element);
  if (!skin_.empty() && !Skin())
    VuResourceLocator::Instance().Report(element.Line(), "skin \"" + skin_ + "\" of <skinbtn> not found");
  return true;
}

CVuSkinBase* CVuSkinBtnWnd::Skin() const {
  return skin_.empty() ? nullptr : VuSkinPool::Instance().Get(skin_);
}

bool CVuSkinBtnWnd::NeedsRedrawOnStateChange() {
  if (CVuWindow::NeedsRedrawOnStateChange()) return true;
  CVuSkinBase* skin = Skin();
  return skin && !skin->IsStateless();
}

VuSize CVuSkinBtnWnd::WantedSize(int cx, int cy) {
  if (pos_.count != 4)
    if (CVuSkinBase* skin = Skin()) {
      const VuSize size = skin->GetSkinSize();
      if (size.cx > 0 || size.cy > 0) return size;
    }
  return CVuWindow::WantedSize(cx, cy);
}

void CVuSkinBtnWnd::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  if (CVuSkinBase* skin = Skin())
    skin->Draw(dc, rect_, skin->TakesRawStateBits() ? static_cast<int>(state_) : VuSkinFrameForState(state_),
               255);
  CVuWindow::PaintContent(dc);
}
