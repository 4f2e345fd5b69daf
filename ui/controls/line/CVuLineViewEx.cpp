#include "ui/controls/line/CVuLineViewEx.h"

#include <cstring>

#include "ui/controls/line/CVuLine.h"
#include "ui/style/VuValueParsers.h"

namespace {

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

bool ParseCap(const char* value, int* cap) {
  static const struct {
    const char* text;
    int cap;
  } kCaps[] = {{"flat", kVuCapFlat},   {"square", kVuCapSquare}, {"round", kVuCapRound}, {"arrow", kVuCapArrow},
               {"0", kVuCapFlat},      {"1", kVuCapSquare},      {"2", kVuCapRound},     {"3", kVuCapArrow}};
  for (const auto& c : kCaps)
    if (Is(value, c.text)) {
      *cap = c.cap;
      return true;
    }
  return false;
}

// Cap marks are this many pixels across.
constexpr int kCapSize = 5;

}  // namespace

const char* CVuLineViewEx::GetTag() const { return "lineviewex"; }

HRESULT CVuLineViewEx::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (Is(name, "dashstyle")) return VuParsePenStyle(value, &dash_style_, true) ? 1 : E_FAIL;
  VuColor* color = Is(name, "linecolor")         ? &line_color_
                   : Is(name, "hover_linecolor") ? &hover_color_
                   : Is(name, "push_linecolor")  ? &push_color_
                                                 : nullptr;
  if (color) {
    VuColor parsed = kVuNoColor;
    if (!VuParseColor(value, &parsed)) return E_FAIL;
    *color = parsed;
    return 1;
  }
  if (Is(name, "vertical")) {
    vertical_ = VuParseInt(value) != 0;
    return 1;
  }
  if (Is(name, "startcap") || Is(name, "endcap")) return ParseCap(value, Is(name, "startcap") ? &start_cap_ : &end_cap_) ? 1 : E_FAIL;
  return E_FAIL;
}

VuColor CVuLineViewEx::LineColor() const {
  const VuColor normal = line_color_ != kVuNoColor ? line_color_ : kVuLineDefaultColor;
  if (!IsEnabled(true)) return kVuLineDisabledColor;
  if ((state_ & kVuStatePushed) && push_color_ != kVuNoColor) return push_color_;
  if ((state_ & kVuStateHover) && hover_color_ != kVuNoColor) return hover_color_;
  return normal;
}

bool CVuLineViewEx::NeedsRedrawOnStateChange() {
  return CVuWindow::NeedsRedrawOnStateChange() || hover_color_ != kVuNoColor || push_color_ != kVuNoColor;
}

void CVuLineViewEx::DrawCap(ZCanvas* dc, ZPoint at, ZPoint toward, int cap, ZColor color) {
  const int half = kCapSize / 2;
  switch (cap) {
    case kVuCapSquare:
      dc->FillRect({at.x - half, at.y - half, at.x + half + 1, at.y + half + 1}, color);
      break;
    case kVuCapRound:
      dc->FillRoundRect({at.x - half, at.y - half, at.x + half + 1, at.y + half + 1}, half + 1, color);
      break;
    case kVuCapArrow: {
      // Two strokes from the tip back along the line, one to each side.
      const int dx = at.x > toward.x ? 1 : at.x < toward.x ? -1 : 0;  // outward
      const int dy = at.y > toward.y ? 1 : at.y < toward.y ? -1 : 0;
      const int len = kCapSize + 1, side = len / 2;
      const ZPoint one[2] = {{at.x - dx * len - dy * side, at.y - dy * len + dx * side}, at};
      const ZPoint two[2] = {{at.x - dx * len + dy * side, at.y - dy * len - dx * side}, at};
      dc->DrawPolyline(one, 2, 1, color);
      dc->DrawPolyline(two, 2, 1, color);
      break;
    }
    default:
      break;
  }
}

void CVuLineViewEx::PaintContent(ZCanvas* dc) {
  if (!dc || rect_.Width() <= 0 || rect_.Height() <= 0) return;
  const ZColor color = VuToZColor(LineColor());
  dc->PushClip(&rect_, 1);
  ZPoint from, to, last;
  if (vertical_) {
    const int x = rect_.left + rect_.Width() / 2;
    from = {x, rect_.top};
    to = {x, rect_.bottom};
    last = {x, rect_.bottom - 1};
  } else {
    const int y = rect_.top + rect_.Height() / 2;
    from = {rect_.left, y};
    to = {rect_.right, y};
    last = {rect_.right - 1, y};
  }
  dc->DrawStyledLine(from, to, 1, color, dash_style_);
  DrawCap(dc, from, last, start_cap_, color);
  DrawCap(dc, last, from, end_cap_, color);
  dc->PopClip();
}
