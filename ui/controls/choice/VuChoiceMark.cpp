#include "ui/controls/choice/VuChoiceMark.h"

#include <algorithm>

#include "ui/core/VuTypes.h"
#include "ui/element/CVuWindow.h"
#include "ui/skin/VuSkinPool.h"

void VuDrawChoiceBox(ZCanvas* dc, const ZRect& box, const std::string& skin_name, uint32_t state, bool round) {
  if (!dc || box.Width() <= 0 || box.Height() <= 0) return;
  if (CVuSkinBase* skin = skin_name.empty() ? nullptr : VuSkinPool::Instance().Get(skin_name)) {
    skin->Draw(dc, box, skin->TakesRawStateBits() ? static_cast<int>(state) : VuSkinFrameForState(state), 255);
    return;
  }
  VuDrawBuiltInChoice(dc, box, state, round);
}

void VuDrawBuiltInChoice(ZCanvas* dc, const ZRect& box, uint32_t state, bool round) {
  if (!dc || box.Width() <= 0 || box.Height() <= 0) return;
  const bool disabled = (state & kVuStateDisabled) != 0;
  const int side = std::min(box.Width(), box.Height());
  const int radius = round ? side / 2 : std::max(1, side / 8);
  const ZColor border = disabled ? kVuChoiceBorder : (state & (kVuStateHover | kVuStatePushed)) ? kVuChoiceBorderHover
                                                                                                  : kVuChoiceBorder;
  const ZColor face = disabled ? kVuChoiceFaceDisabled : (state & kVuStatePushed) ? kVuChoiceFacePushed : kVuChoiceFace;
  dc->FillRoundRect(box, radius, border);
  const ZRect inner{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
  dc->FillRoundRect(inner, std::max(0, radius - 1), face);
  if (!(state & kVuStateChecked)) return;
  const ZColor mark = disabled ? kVuChoiceMarkDisabled : kVuChoiceMark;
  const int w = box.Width(), h = box.Height();
  if (round) {
    const int inset = std::max(2, side / 4);
    const ZRect dot{box.left + inset, box.top + inset, box.right - inset, box.bottom - inset};
    dc->FillRoundRect(dot, std::max(1, dot.Width() / 2), mark);
    return;
  }
  // A tick: down from the left third to the bottom middle, up to the top right.
  const int pen = std::max(2, side / 6);
  const ZPoint tick[3] = {{box.left + w * 2 / 10, box.top + h * 5 / 10},
                          {box.left + w * 4 / 10, box.top + h * 7 / 10},
                          {box.left + w * 8 / 10, box.top + h * 3 / 10}};
  dc->DrawPolyline(tick, 3, pen, mark);
}
