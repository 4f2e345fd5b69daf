#include "ui/controls/basic/CVuImageWnd.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/image.h"
#include "ui/controls/VuControlUtil.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/resource/VuStringTable.h"
#include "ui/resource/VuUtf8.h"
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

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

constexpr int kMaxOffset = 4096;

// Premultiplied 0xAARRGGBB of an opaque document colour.
uint32_t OpaquePixel(VuColor color) {
  const ZColor c = VuToZColor(color);
  return 0xFF000000u | (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
}

// True when pixel (x, y) of a w x h image lies inside the clip shape.
bool InsideClip(int type, int radius, int x, int y, int w, int h) {
  if (type == kVuClipEllipse) {
    const double rx = w / 2.0, ry = h / 2.0;
    const double dx = (x + 0.5 - rx) / rx, dy = (y + 0.5 - ry) / ry;
    return dx * dx + dy * dy <= 1.0;
  }
  if (type == kVuClipRoundRect) {
    const int r = std::min({radius, w / 2, h / 2});
    if (r <= 0) return true;
    const int cx = x < r ? r : x >= w - r ? w - r : x;
    const int cy = y < r ? r : y >= h - r ? h - r : y;
    if (cx == x && cy == y) return true;
    const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
    return dx * dx + dy * dy <= static_cast<double>(r) * r;
  }
  return true;
}

}  // namespace

const char* CVuImageWnd::GetTag() const { return "img"; }

HRESULT CVuImageWnd::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (Is(name, "skin")) {
    skin_ = value;
    return 1;
  }
  if (Is(name, "alpha")) {
    alpha_ = static_cast<BYTE>(std::clamp(VuParseInt(value), 0, 255));
    return 1;
  }
  const int kept = KeptIndex(name);
  if (kept < 0) return E_FAIL;
  if (Is(name, "ico_top") || Is(name, "caption_top") || Is(name, "clipparam")) {
    int number = 0;
    if (!VuParseIntIn(value, -kMaxOffset, kMaxOffset, &number)) return E_FAIL;
    (Is(name, "ico_top") ? ico_top_ : Is(name, "caption_top") ? caption_top_ : clip_param_) = number;
  } else if (Is(name, "caption")) {
    caption_ = VuStringTable::Instance().Substitute(VuUtf8ToUtf16(value));
  } else if (Is(name, "mask")) {
    VuColor color = kVuNoColor;
    if (!VuParseColor(value, &color)) return E_FAIL;
    mask_ = color;
  } else if (Is(name, "cliptype")) {
    if (Is(value, "0") || Is(value, "none")) clip_type_ = kVuClipNone;
    else if (Is(value, "1") || Is(value, "round")) clip_type_ = kVuClipEllipse;
    else if (Is(value, "2") || Is(value, "roundrect")) clip_type_ = kVuClipRoundRect;
    else return E_FAIL;
  }
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
  if (!DrawsByState()) return false;
  CVuSkinBase* skin = Skin();
  return skin && !skin->IsStateless();
}

bool CVuImageWnd::DrawsByState() const { return false; }

int CVuImageWnd::SkinState() const { return 0; }

VuSize CVuImageWnd::WantedSize(int cx, int cy) {
  if (pos_.count != 4 && text_.empty())
    if (CVuSkinBase* skin = Skin()) {
      const VuSize size = skin->GetSkinSize();
      if (size.cx > 0 || size.cy > 0) return {size.cx, VuSaturate(int64_t{size.cy} + std::max(0, ScaleForDpi(ico_top_)))};
    }
  return CVuWindow::WantedSize(cx, cy);
}

void CVuImageWnd::DrawSkinWithEffects(ZCanvas* dc, CVuSkinBase* skin, const ZRect& target, int state) {
  const int w = target.Width(), h = target.Height();
  ZCanvas scratch;
  // Too big for a scratch canvas: the plain image rather than none.
  if (w <= 0 || h <= 0 || int64_t{w} * h > (1 << 22) || !scratch.Create(w, h)) {
    skin->Draw(dc, target, state, alpha_);
    return;
  }
  skin->Draw(&scratch, {0, 0, w, h}, state, 255);
  uint32_t* pixels = scratch.Pixels();
  const uint32_t masked = mask_ == kVuNoColor ? 0 : OpaquePixel(mask_);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t& p = pixels[static_cast<size_t>(y) * w + x];
      if ((mask_ != kVuNoColor && p == masked) || !InsideClip(clip_type_, clip_param_, x, y, w, h)) p = 0;
    }
  ZImage image;
  image.Assign(w, h, std::vector<uint32_t>(pixels, pixels + static_cast<size_t>(w) * h));
  dc->DrawImage(image, {0, 0, w, h}, target, alpha_);
}

void CVuImageWnd::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  if (CVuSkinBase* skin = Skin()) {
    ZRect target = rect_;
    const int top = ScaleForDpi(ico_top_);
    target.top = VuSaturate(int64_t{target.top} + top);
    target.bottom = VuSaturate(int64_t{target.bottom} + top);
    if (mask_ != kVuNoColor || clip_type_ != kVuClipNone)
      DrawSkinWithEffects(dc, skin, target, SkinState());
    else
      skin->Draw(dc, target, SkinState(), alpha_);
  }
  if (!caption_.empty()) {
    ZRect line = rect_;
    line.top = VuSaturate(int64_t{rect_.top} + ScaleForDpi(caption_top_));
    DrawElementText(dc, caption_, line, DT_CENTER | DT_TOP | DT_SINGLELINE);
  }
  CVuWindow::PaintContent(dc);
}
