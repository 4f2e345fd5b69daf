#include "ui/controls/button/CVuLink.h"

#include "platform/window_input.h"
#include "ui/style/VuStyle.h"

const char* CVuLink::GetTag() const { return "link"; }

void CVuLink::SetCursorForElement() { SetCursor(LoadCursorW(nullptr, IDC_HAND)); }

bool CVuLink::NeedsRedrawOnStateChange() { return true; }

void CVuLink::PaintContent(ZCanvas* dc) {
  if (!dc || text_.empty()) return;
  const VuStyle* style = GetStyle();
  ZRect box{VuSaturate(int64_t{rect_.left} + style->x_margin), VuSaturate(int64_t{rect_.top} + style->y_margin),
            VuSaturate(int64_t{rect_.right} - style->x_margin), VuSaturate(int64_t{rect_.bottom} - style->y_margin)};
  ZFont font = GetFont();
  if ((state_ & kVuStateHover) && IsEnabled(true)) font.underline = true;
  const VuColor color = GetTextColor();
  int alpha = text_alpha_;
  if (style->gdiplus) alpha = alpha * style->alphatxt / 255;
  dc->PaintText(text_, &box, style->textmode & ~static_cast<UINT>(DT_CALCRECT | 0x10000), font,
                VuToZColor(color == kVuNoColor ? kVuLinkColor : color, static_cast<uint8_t>(alpha)));
}
