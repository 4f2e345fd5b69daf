#include "ui/controls/choice/CVuSelfDefineRadioBox.h"

#include <algorithm>
#include <cstring>

#include "platform/window_input.h"
#include "ui/controls/VuControlUtil.h"
#include "ui/controls/choice/VuChoiceMark.h"
#include "ui/skin/VuSkinPool.h"
#include "ui/style/VuStyle.h"
#include "ui/style/VuValueParsers.h"

const char* CVuSelfDefineRadioBox::GetTag() const { return "customradio"; }

HRESULT CVuSelfDefineRadioBox::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "check") == 0) {
    SetChecked(VuParseInt(value) != 0);
    return 1;
  }
  return settings_.Apply(name, value);
}

VuSize CVuSelfDefineRadioBox::WantedSize(int cx, int cy) {
  VuSize size = CVuWindow::WantedSize(cx, cy);
  if (pos_.count == 4) return size;
  if (CVuSkinBase* skin = VuSkinPool::Instance().Get(settings_.skin)) {
    const VuSize natural = skin->GetSkinSize();
    size.cx = std::max(size.cx, natural.cx);
    size.cy = std::max(size.cy, natural.cy);
  }
  return size;
}

bool CVuSelfDefineRadioBox::NeedsRedrawOnStateChange() {
  return CVuWindow::NeedsRedrawOnStateChange() || VuRadioSkinsDependOnState(settings_);
}

void CVuSelfDefineRadioBox::SetChecked(bool checked) { VuRadioSetChecked(this, settings_.group, checked); }

bool CVuSelfDefineRadioBox::ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message == WM_LBUTTONUP) {
    VuRadioTakeRelease(this, settings_.group, lparam);
    if (result) *result = 0;
    return true;
  }
  return CVuWindow::ProcessMessage(message, wparam, lparam, result);
}

void CVuSelfDefineRadioBox::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  const std::string& name = IsChecked() ? settings_.skin_check : settings_.skin;
  CVuSkinBase* skin = VuSkinPool::Instance().Get(name);
  ZColor built_in_text{0, 0, 0, 255};
  if (skin) {
    skin->Draw(dc, rect_, skin->TakesRawStateBits() ? static_cast<int>(state_) : VuSkinFrameForState(state_), 255);
  } else {
    // Built in: a rounded face, filled with the mark colour when checked.
    const bool disabled = (state_ & kVuStateDisabled) != 0;
    const ZColor border = (state_ & (kVuStateHover | kVuStatePushed)) && !disabled ? kVuChoiceBorderHover
                                                                                   : kVuChoiceBorder;
    ZColor face = disabled ? kVuChoiceFaceDisabled : (state_ & kVuStatePushed) ? kVuChoiceFacePushed : kVuChoiceFace;
    if (IsChecked()) face = disabled ? kVuChoiceMarkDisabled : kVuChoiceMark;
    dc->FillRoundRect(rect_, 3, border);
    dc->FillRoundRect({rect_.left + 1, rect_.top + 1, rect_.right - 1, rect_.bottom - 1}, 2, face);
    built_in_text = VuContrastColor(face);
  }
  if (text_.empty()) return;
  const UINT format = GetStyle()->textmode | DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (!skin && GetTextColor() == kVuNoColor) {
    ZRect box = rect_;
    dc->PaintText(text_, &box, format, GetFont(), built_in_text);
    return;
  }
  DrawElementText(dc, text_, rect_, format);
}
