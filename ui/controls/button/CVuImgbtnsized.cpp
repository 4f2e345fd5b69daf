#include "ui/controls/button/CVuImgbtnsized.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/image.h"
#include "ui/controls/VuControlUtil.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/skin/VuSkinPool.h"
#include "ui/style/VuStyle.h"

namespace {

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// The skin's state image at its natural size, as an image to cut from.
bool Capture(CVuSkinBase* skin, int state, ZImage* image) {
  if (!skin) return false;
  const VuSize size = skin->GetSkinSize();
  if (size.cx <= 0 || size.cy <= 0 || int64_t{size.cx} * size.cy > (1 << 22)) return false;
  ZCanvas scratch;
  if (!scratch.Create(size.cx, size.cy)) return false;
  skin->Draw(&scratch, {0, 0, size.cx, size.cy}, state, 255);
  const uint32_t* pixels = scratch.Pixels();
  image->Assign(size.cx, size.cy, std::vector<uint32_t>(pixels, pixels + static_cast<size_t>(size.cx) * size.cy));
  return true;
}

int StateFor(CVuSkinBase* skin, uint32_t state) {
  return skin && skin->TakesRawStateBits() ? static_cast<int>(state) : VuSkinFrameForState(state);
}

}  // namespace

const char* CVuImgbtnsized::GetTag() const { return "imgbtnsized"; }

HRESULT CVuImgbtnsized::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (Is(name, "skin") || Is(name, "skinmid")) {
    (Is(name, "skin") ? skin_ : skin_mid_) = value;
    return 1;
  }
  if (Is(name, "left")) {
    int left = 0;
    if (!VuParseIntIn(value, 0, 4096, &left)) return E_FAIL;
    left_ = left;
    return 1;
  }
  return E_FAIL;
}

bool CVuImgbtnsized::Load(const ZXmlElement& element) {
  CVuWindow::Load(element);
  for (const std::string* name : {&skin_, &skin_mid_})
    if (!name->empty() && !VuSkinPool::Instance().Get(*name))
      VuResourceLocator::Instance().Report(element.Line(), "skin \"" + *name + "\" of <imgbtnsized> not found");
  return true;
}

bool CVuImgbtnsized::NeedsRedrawOnStateChange() {
  if (CVuWindow::NeedsRedrawOnStateChange()) return true;
  for (const std::string* name : {&skin_, &skin_mid_})
    if (CVuSkinBase* skin = VuSkinPool::Instance().Get(*name))
      if (!skin->IsStateless()) return true;
  return false;
}

VuSize CVuImgbtnsized::WantedSize(int cx, int cy) {
  VuSize size = CVuWindow::WantedSize(cx, cy);
  if (pos_.count == 4) return size;
  if (CVuSkinBase* skin = VuSkinPool::Instance().Get(skin_)) {
    const VuSize natural = skin->GetSkinSize();
    size.cx = std::max(size.cx, natural.cx);
    size.cy = std::max(size.cy, natural.cy);
  }
  return size;
}

void CVuImgbtnsized::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  CVuSkinBase* skin = VuSkinPool::Instance().Get(skin_);
  CVuSkinBase* mid = skin_mid_.empty() ? nullptr : VuSkinPool::Instance().Get(skin_mid_);
  ZImage caps;
  if (Capture(skin, StateFor(skin, state_), &caps)) {
    const int w = caps.Width(), h = caps.Height();
    const int cap = std::min({left_, w / 2, std::max(rect_.Width(), 0) / 2});
    const int inner_left = rect_.left + cap, inner_right = rect_.right - cap;
    if (cap > 0) {
      dc->DrawImage(caps, {0, 0, cap, h}, {rect_.left, rect_.top, inner_left, rect_.bottom});
      dc->DrawImage(caps, {w - cap, 0, w, h}, {inner_right, rect_.top, rect_.right, rect_.bottom});
    }
    ZImage middle;
    if (inner_right > inner_left) {
      if (Capture(mid, StateFor(mid, state_), &middle))
        dc->DrawImage(middle, {0, 0, middle.Width(), middle.Height()}, {inner_left, rect_.top, inner_right, rect_.bottom});
      else if (w - 2 * cap > 0)
        dc->DrawImage(caps, {cap, 0, w - cap, h}, {inner_left, rect_.top, inner_right, rect_.bottom});
    }
  }
  if (text_.empty()) return;
  const UINT format = GetStyle()->textmode | DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  DrawElementText(dc, text_, rect_, format);
}
