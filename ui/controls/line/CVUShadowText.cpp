#include "ui/controls/line/CVUShadowText.h"

#include <algorithm>
#include <cstring>

#include "ui/style/VuStyle.h"
#include "ui/style/VuValueParsers.h"

namespace {

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

}  // namespace

const char* CVUShadowText::GetTag() const { return "shadowtext"; }

HRESULT CVUShadowText::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (Is(name, "hovershadow") || Is(name, "normalshadow")) {
    (Is(name, "hovershadow") ? hover_shadow_ : normal_shadow_) = VuParseInt(value) != 0;
    return 1;
  }
  if (Is(name, "crshadowalpha")) {
    shadow_alpha_ = static_cast<uint8_t>(std::clamp(VuParseInt(value), 0, 255));
    return 1;
  }
  if (Is(name, "crshaow")) {
    VuColor color = kVuNoColor;
    if (!VuParseColor(value, &color)) return E_FAIL;
    shadow_color_ = color;
    return 1;
  }
  return E_FAIL;
}

bool CVUShadowText::ShowsShadow() const {
  if (!IsEnabled(true)) return false;
  return (state_ & (kVuStateHover | kVuStatePushed)) ? hover_shadow_ : normal_shadow_;
}

bool CVUShadowText::NeedsRedrawOnStateChange() {
  return CVuWindow::NeedsRedrawOnStateChange() || hover_shadow_ != normal_shadow_;
}

void CVUShadowText::PaintContent(ZCanvas* dc) {
  if (!dc || text_.empty()) return;
  const VuStyle* style = GetStyle();
  ZRect box{VuSaturate(int64_t{rect_.left} + style->x_margin), VuSaturate(int64_t{rect_.top} + style->y_margin),
            VuSaturate(int64_t{rect_.right} - style->x_margin), VuSaturate(int64_t{rect_.bottom} - style->y_margin)};
  const UINT format = style->textmode & ~static_cast<UINT>(DT_CALCRECT | 0x10000);
  if (ShowsShadow()) {
    ZRect shadow{box.left + 1, box.top + 1, VuSaturate(int64_t{box.right} + 1), VuSaturate(int64_t{box.bottom} + 1)};
    dc->PaintText(text_, &shadow, format, GetFont(), VuToZColor(shadow_color_, shadow_alpha_));
  }
  if (!IsEnabled(true) && style->crdisabled == kVuNoColor) {
    // Without a disabled colour of its style: greyed.
    dc->PaintText(text_, &box, format, GetFont(), VuToZColor(kVuShadowTextDisabledColor, text_alpha_));
    return;
  }
  DrawElementText(dc, text_, box, format);
}
