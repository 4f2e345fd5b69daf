#include "ui/skin/kinds/CVuSkinButton.h"

#include <cstring>

#include "ui/skin/VuSkinValues.h"

HRESULT CVuSkinButton::SetAttribute(const char* name, const char* value, bool loading) {
  HRESULT result = CVuSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL || !name || !value) return result;
  struct ColorAttribute {
    const char* name;
    VuColor* color;
  };
  const ColorAttribute colors[] = {{"border", &border_},         {"bgup", &up_},
                                   {"bguphover", &up_hover_},    {"bguppush", &up_push_},
                                   {"bgdown", &down_},           {"bgdownhover", &down_hover_},
                                   {"bgdownpush", &down_push_}};
  for (const ColorAttribute& color : colors)
    if (std::strcmp(name, color.name) == 0) return VuSkinColor(value, color.color) ? S_OK : E_FAIL;
  if (std::strcmp(name, "useborder") == 0) {
    use_border_ = VuSkinInt(value) != 0;
    return S_OK;
  }
  return E_FAIL;
}

void CVuSkinButton::Draw(ZCanvas* dc, const ZRect& rect, int state_bits, BYTE alpha) {
  if (!dc) return;
  // The whole-image request has no meaning for a face: drawn as normal.
  const uint32_t bits = state_bits < 0 ? 0 : static_cast<uint32_t>(state_bits);
  if (up_ != kVuNoColor) dc->FillRect(rect, VuToZColor(up_, alpha));
  if (!(bits & kVuStateDisabled)) {
    VuColor top = up_;
    VuColor bottom = down_;
    if (bits & kVuStatePushed) {
      top = up_push_;
      bottom = down_push_;
    } else if (bits & kVuStateHover) {
      top = up_hover_;
      bottom = down_hover_;
    }
    if (top != kVuNoColor && bottom != kVuNoColor)
      dc->GradientFillV(rect, VuToZColor(top, alpha), VuToZColor(bottom, alpha));
  }
  if (use_border_) dc->DrawRect(rect, 1, VuToZColor(border_, alpha));
}
