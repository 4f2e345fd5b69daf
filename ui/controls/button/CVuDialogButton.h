// "dlgbtn": a button made of a container. Its children (labels, images) are
// laid out and drawn inside it as in "dlg", but the whole area is one
// clickable element: hit testing answers the button itself, and its hover
// and pushed bits are passed on to every descendant so that their styles
// show the button's state.
#pragma once

#include "ui/element/CVuContainerWnd.h"

class CVuDialogButton : public CVuDialog {
 public:
  const char* GetTag() const override;  // "dlgbtn"
  VUHANDLE HitTest(int x, int y, int flag) override;  // the button, never a child
  uint32_t ModifyState(uint32_t add, uint32_t remove) override;
  bool NeedsRedrawOnStateChange() override;  // when it or a descendant shows state
  void LoadChildren(const ZXmlElement& first_child) override;  // children start in its state
  // Brings the children to its hover and pushed bits first, whoever set them.
  void Redraw(ZCanvas* dc, const VuRegion* clip) override;

  // The state bits that reach the children.
  static constexpr uint32_t kSharedBits = kVuStateHover | kVuStatePushed;
};

// "dlgbtnEx2": the same container button under its extended tag.
class CVuDlgBtnEx2 : public CVuDialogButton {
 public:
  const char* GetTag() const override;  // "dlgbtnEx2"
};
