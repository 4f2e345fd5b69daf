#include "ui/controls/line/CVuLine.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "ui/controls/VuControlUtil.h"
#include "ui/style/VuStyle.h"
#include "ui/style/VuValueParsers.h"

namespace {

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

constexpr int kMaxThickness = 256;

}  // namespace

bool VuParsePenStyle(const char* value, int* style, bool allow_dot) {
  if (!value) return false;
  struct Name {
    const char* text;
    int style;
  };
  static const Name kNames[] = {{"solid", kZPenSolid},       {"dash", kZPenDash},         {"dot", kZPenDot},
                                {"dashdot", kZPenDashDot},   {"dashdotdot", kZPenDashDotDot}, {"0", kZPenSolid},
                                {"1", kZPenDash},            {"2", kZPenDot},             {"3", kZPenDashDot},
                                {"4", kZPenDashDotDot}};
  for (const Name& name : kNames)
    if (Is(value, name.text)) {
      if (name.style == kZPenDot && !allow_dot) return false;
      *style = name.style;
      return true;
    }
  return false;
}

const char* CVuLine::GetTag() const { return "hr"; }

HRESULT CVuLine::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (Is(name, "size")) {
    int size = 0;
    if (!VuParseIntIn(value, 1, kMaxThickness, &size) || VuParseInt(value) < 1) return E_FAIL;
    size_ = size;
    return 1;
  }
  if (Is(name, "style")) {
    // The rule's four styles: "dot" is not one of them.
    int style = 0;
    if (!VuParsePenStyle(value, &style, false) || std::isdigit(static_cast<unsigned char>(value[0]))) return E_FAIL;
    pen_style_ = style;
    return 1;
  }
  return E_FAIL;
}

int CVuLine::Thickness() const { return size_; }

VuSize CVuLine::WantedSize(int cx, int cy) {
  if (pos_.count == 4) return CVuWindow::WantedSize(cx, cy);
  return {std::max(cx, 0), Thickness()};
}

void CVuLine::PaintContent(ZCanvas* dc) {
  if (!dc || rect_.Width() <= 0 || rect_.Height() <= 0) return;
  const VuColor color = GetTextColor();
  const ZColor pen = VuToZColor(color == kVuNoColor ? kVuLineDefaultColor : color, text_alpha_);
  const int thickness = Thickness();
  dc->PushClip(&rect_, 1);
  if (rect_.Width() >= rect_.Height()) {
    // The pen's centre line: an odd width puts it on the middle row.
    const int y = rect_.top + (rect_.Height() - thickness) / 2 + thickness / 2;
    dc->DrawStyledLine({rect_.left, y}, {rect_.right, y}, thickness, pen, pen_style_);
  } else {
    const int x = rect_.left + (rect_.Width() - thickness) / 2 + thickness / 2;
    dc->DrawStyledLine({x, rect_.top}, {x, rect_.bottom}, thickness, pen, pen_style_);
  }
  dc->PopClip();
}

const char* CVuLineEx::GetTag() const { return "hrex"; }

int CVuLineEx::Thickness() const { return std::clamp(ScaleForDpi(size_), 1, kMaxThickness); }
