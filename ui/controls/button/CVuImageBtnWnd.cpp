#include "ui/controls/button/CVuImageBtnWnd.h"

#include "platform/window_input.h"
#include "ui/controls/VuControlUtil.h"
#include "ui/skin/VuSkinPool.h"

const char* CVuImageBtnWnd::GetTag() const { return "imgbtn"; }

const std::string& CVuImageBtnWnd::RadioGroup() const { return GetKeptAttribute("group"); }

int CVuImageBtnWnd::SkinState() const {
  uint32_t state = state_;
  if (!RadioGroup().empty() && (state & kVuStateChecked)) state |= kVuStatePushed;
  CVuSkinBase* skin = Skin();
  if (skin && skin->TakesRawStateBits()) return static_cast<int>(state);
  return VuSkinFrameForState(state);
}

bool CVuImageBtnWnd::DrawsByState() const { return true; }

bool CVuImageBtnWnd::ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message == WM_LBUTTONUP && !RadioGroup().empty()) {
    if (IsEnabled(true) && VuPointIn(rect_, VuPointFromLParam(lparam)) && !IsChecked()) {
      ModifyState(kVuStateChecked, 0);
      VuClearRadioGroup(this, RadioGroup());
      VuInvalidateElement(*this);
    }
    if (result) *result = 0;
    return true;
  }
  return CVuImageWnd::ProcessMessage(message, wparam, lparam, result);
}
