#include "ui/controls/choice/CVuRadioBox.h"

#include <algorithm>
#include <cstring>

#include "platform/window_input.h"
#include "ui/controls/VuControlUtil.h"
#include "ui/controls/choice/VuChoiceMark.h"
#include "ui/skin/VuSkinPool.h"
#include "ui/style/VuStyle.h"
#include "ui/style/VuValueParsers.h"

namespace {

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

}  // namespace

const char* CVuRadioBox::GetTag() const { return "radio"; }

HRESULT CVuRadioBox::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (Is(name, "check")) {
    // Earlier boxes of the group already exist while loading: the last
    // checked one wins.
    SetChecked(VuParseInt(value) != 0);
    return 1;
  }
  return settings_.Apply(name, value);
}

int CVuRadioBox::BoxSize() const { return ScaleForDpi(settings_.box_size); }

int CVuRadioBox::TextSpacing() const { return ScaleForDpi(settings_.text_spacing); }

ZRect CVuRadioBox::BoxRect() const {
  const int side = BoxSize();
  ZRect box{rect_.left, rect_.top, VuSaturate(int64_t{rect_.left} + side), VuSaturate(int64_t{rect_.top} + side)};
  if (rect_.Height() > side) {
    box.top = VuSaturate(int64_t{rect_.top} + (int64_t{rect_.Height()} - side) / 2);
    box.bottom = VuSaturate(int64_t{box.top} + side);
  }
  return box;
}

VuSize CVuRadioBox::WantedSize(int cx, int cy) {
  VuSize size = CVuWindow::WantedSize(cx, cy);
  if (pos_.count == 4) return size;
  size.cx = VuSaturate(int64_t{size.cx} + BoxSize() + (text_.empty() ? 0 : TextSpacing()));
  size.cy = std::max(size.cy, BoxSize());
  return size;
}

bool CVuRadioBox::NeedsRedrawOnStateChange() {
  return CVuWindow::NeedsRedrawOnStateChange() || VuRadioSkinsDependOnState(settings_);
}

void CVuRadioBox::SetChecked(bool checked) { VuRadioSetChecked(this, settings_.group, checked); }

bool CVuRadioBox::ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message == WM_LBUTTONUP) {
    VuRadioTakeRelease(this, settings_.group, lparam);
    if (result) *result = 0;
    return true;
  }
  return CVuWindow::ProcessMessage(message, wparam, lparam, result);
}

void CVuRadioBox::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  VuDrawChoiceBox(dc, BoxRect(), IsChecked() ? settings_.skin_check : settings_.skin, state_, true);
  if (text_.empty()) return;
  ZRect text_rect = rect_;
  text_rect.left = VuSaturate(int64_t{rect_.left} + BoxSize() + TextSpacing());
  const UINT format = (GetStyle()->textmode | DT_VCENTER) & ~static_cast<UINT>(DT_BOTTOM);
  DrawElementText(dc, text_, text_rect, format);
}
