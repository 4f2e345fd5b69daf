#include "ui/controls/button/CVuDialogButton.h"

namespace {

void PassOn(CVuContainerWnd* container, uint32_t add, uint32_t remove) {
  for (const auto& child : container->Children()) {
    child->ModifyState(add, remove);
    // Nested containers that are not buttons pass it on themselves here.
    if (auto* nested = dynamic_cast<CVuContainerWnd*>(child.get()))
      if (!dynamic_cast<CVuDialogButton*>(nested)) PassOn(nested, add, remove);
  }
}

bool AnyNeedsRedraw(CVuContainerWnd* container) {
  for (const auto& child : container->Children()) {
    if (child->NeedsRedrawOnStateChange()) return true;
    if (auto* nested = dynamic_cast<CVuContainerWnd*>(child.get()))
      if (AnyNeedsRedraw(nested)) return true;
  }
  return false;
}

}  // namespace

const char* CVuDialogButton::GetTag() const { return "dlgbtn"; }

VUHANDLE CVuDialogButton::HitTest(int x, int y, int) {
  return x >= rect_.left && x < rect_.right && y >= rect_.top && y < rect_.bottom ? handle_ : 0;
}

uint32_t CVuDialogButton::ModifyState(uint32_t add, uint32_t remove) {
  const uint32_t old = CVuDialog::ModifyState(add, remove);
  if ((add | remove) & kSharedBits) PassOn(this, add & kSharedBits, remove & kSharedBits);
  return old;
}

bool CVuDialogButton::NeedsRedrawOnStateChange() {
  return CVuDialog::NeedsRedrawOnStateChange() || AnyNeedsRedraw(this);
}

void CVuDialogButton::LoadChildren(const ZXmlElement& first_child) {
  CVuDialog::LoadChildren(first_child);
  PassOn(this, state_ & kSharedBits, 0);
}

void CVuDialogButton::Redraw(ZCanvas* dc, const VuRegion* clip) {
  PassOn(this, state_ & kSharedBits, ~state_ & kSharedBits);
  CVuDialog::Redraw(dc, clip);
}

const char* CVuDlgBtnEx2::GetTag() const { return "dlgbtnEx2"; }
