#include "ui/controls/line/CVuRoundRect.h"

#include <algorithm>
#include <cstring>

#include "ui/controls/VuControlUtil.h"
#include "ui/style/VuStyle.h"
#include "ui/style/VuValueParsers.h"

namespace {

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

constexpr int kMaxCorner = 4096;

}  // namespace

const char* CVuRoundRect::GetTag() const { return "rundrect"; }

HRESULT CVuRoundRect::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (Is(name, "rndwidht") || Is(name, "rndheight")) {
    int size = 0;
    if (!VuParseIntIn(value, 0, kMaxCorner, &size)) return E_FAIL;
    (Is(name, "rndwidht") ? rnd_width_ : rnd_height_) = size;
    return 1;
  }
  return E_FAIL;
}

int CVuRoundRect::CornerRadius() const {
  const int corner = std::min(rnd_width_, rnd_height_);
  return std::min(ScaleForDpi(corner), kMaxCorner) / 2;
}

void CVuRoundRect::DrawBackground(ZCanvas* dc) {
  if (!dc) return;
  const VuStyle* style = GetStyle();
  const VuColor color = GetBackgroundColor();
  // A style skin is drawn as by any element; colours get the corners.
  if (!style->skin.empty() || color == kVuNoColor) {
    CVuWindow::DrawBackground(dc);
    return;
  }
  dc->FillRoundRect(rect_, CornerRadius(), VuToZColor(color, style->bggdiplus ? style->alphabg : 255));
  if (border_) dc->DrawRoundRect(rect_, CornerRadius(), 1, VuToZColor(0));
}

const char* CVuRoundRectPath::GetTag() const { return "rundrectpath"; }

HRESULT CVuRoundRectPath::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuRoundRect::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (Is(name, "bdrawbg")) {
    draw_bg_ = VuParseInt(value) != 0;
    return 1;
  }
  if (Is(name, "crline")) {
    VuColor color = kVuNoColor;
    if (!VuParseColor(value, &color)) return E_FAIL;
    line_color_ = color;
    return 1;
  }
  if (Is(name, "crlinealpha")) {
    line_alpha_ = static_cast<uint8_t>(std::clamp(VuParseInt(value), 0, 255));
    return 1;
  }
  if (Is(name, "linesize")) {
    int size = 0;
    if (!VuParseIntIn(value, 0, 256, &size)) return E_FAIL;
    line_size_ = size;
    return 1;
  }
  return E_FAIL;
}

void CVuRoundRectPath::DrawBackground(ZCanvas* dc) {
  if (!dc) return;
  if (draw_bg_) CVuRoundRect::DrawBackground(dc);
  if (line_color_ != kVuNoColor && line_size_ > 0)
    dc->DrawRoundRect(rect_, CornerRadius(), ScaleForDpi(line_size_), VuToZColor(line_color_, line_alpha_));
}
