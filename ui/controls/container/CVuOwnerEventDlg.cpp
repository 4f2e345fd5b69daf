#include "ui/controls/container/CVuOwnerEventDlg.h"

#include <cstring>

#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "ui/controls/container/VuContainerInput.h"
#include "ui/core/VuHandleTable.h"
#include "ui/style/VuValueParsers.h"

void CVuOwnerEventDlg::IChildCtrlEventListener::OnChildHover(CVuOwnerEventDlg*, CVuWindow*, ZPoint) {}
void CVuOwnerEventDlg::IChildCtrlEventListener::OnChildClick(CVuOwnerEventDlg*, CVuWindow*, ZPoint) {}
void CVuOwnerEventDlg::IChildCtrlEventListener::OnChildLButtonDown(CVuOwnerEventDlg*, CVuWindow*, ZPoint) {}
void CVuOwnerEventDlg::IChildCtrlEventListener::OnChildRClick(CVuOwnerEventDlg*, CVuWindow*, ZPoint) {}
void CVuOwnerEventDlg::IChildCtrlEventListener::OnChildDoubleClick(CVuOwnerEventDlg*, CVuWindow*, ZPoint) {}
void CVuOwnerEventDlg::IChildCtrlEventListener::OnChildPressLeft(CVuOwnerEventDlg*, CVuWindow*) {}
void CVuOwnerEventDlg::IChildCtrlEventListener::OnChildMouseLeave(CVuOwnerEventDlg*, CVuWindow*) {}
void CVuOwnerEventDlg::IChildCtrlEventListener::OnChildWheel(CVuOwnerEventDlg*, CVuWindow*, int) {}
bool CVuOwnerEventDlg::IChildCtrlEventListener::OnChildSetCursor(CVuOwnerEventDlg*, CVuWindow*) { return false; }

const char* CVuOwnerEventDlg::GetTag() const { return "ownereventdlg"; }

HRESULT CVuOwnerEventDlg::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuDialog::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "notifymsg") == 0) {
    const int message = VuParseInt(value);
    // Only application messages: a system message number would be taken
    // for something the window system sent.
    if (message != 0 && (message < 0x0400 || message > 0xBFFF)) return E_FAIL;
    notify_message_ = static_cast<UINT>(message);
    return 1;
  }
  return E_FAIL;
}

VUHANDLE CVuOwnerEventDlg::HitTest(int x, int y, int) { return VuRectHolds(rect_, x, y) ? handle_ : 0; }

CVuWindow* CVuOwnerEventDlg::HoverChild() const { return hover_ ? VuHandleTable::Instance().Lookup(hover_) : nullptr; }

CVuWindow* CVuOwnerEventDlg::PushedChild() const {
  return pushed_ ? VuHandleTable::Instance().Lookup(pushed_) : nullptr;
}

CVuWindow* CVuOwnerEventDlg::ChildAt(int x, int y) const {
  // Later children lie over earlier ones.
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    CVuWindow* child = it->get();
    if (!child->IsVisible(false) || !child->IsEnabled(false) || child->IsTransparent()) continue;
    if (VuRectHolds(child->GetRect(), x, y)) return child;
  }
  return nullptr;
}

bool CVuOwnerEventDlg::OnMouseMove(ZPoint point) {
  CVuWindow* now = ChildAt(point.x, point.y);
  CVuWindow* before = HoverChild();
  if (now == before) return true;
  LRESULT ignored = 0;
  if (before) {
    before->ModifyState(0, kVuStateHover);
    before->ProcessMessage(WM_MOUSELEAVE, 0, 0, &ignored);
    VuInvalidateElement(*before);
    // A pressed child that the mouse left is reported on release.
    if (before->GetHandle() != pushed_ && listener_) listener_->OnChildMouseLeave(this, before);
  }
  hover_ = now ? now->GetHandle() : 0;
  if (now) {
    now->ModifyState(kVuStateHover, 0);
    VuInvalidateElement(*now);
    if (listener_) listener_->OnChildHover(this, now, point);
  }
  return true;
}

bool CVuOwnerEventDlg::OnMouseLeave() {
  CVuWindow* before = HoverChild();
  hover_ = 0;
  if (before) {
    LRESULT ignored = 0;
    before->ModifyState(0, kVuStateHover);
    before->ProcessMessage(WM_MOUSELEAVE, 0, 0, &ignored);
    VuInvalidateElement(*before);
    if (before->GetHandle() != pushed_ && listener_) listener_->OnChildMouseLeave(this, before);
  }
  return true;
}

bool CVuOwnerEventDlg::OnLButtonDown(ZPoint point) {
  CVuWindow* child = ChildAt(point.x, point.y);
  pushed_ = child ? child->GetHandle() : 0;
  if (!child) return true;
  child->ModifyState(kVuStatePushed | kVuStateHover, 0);
  hover_ = pushed_;
  VuInvalidateElement(*child);
  if (listener_) listener_->OnChildLButtonDown(this, child, point);
  return true;
}

bool CVuOwnerEventDlg::OnLButtonUp(ZPoint point) {
  CVuWindow* pressed = PushedChild();
  pushed_ = 0;
  if (!pressed) return true;
  LRESULT ignored = 0;
  pressed->ModifyState(0, kVuStatePushed);
  pressed->ProcessMessage(WM_LBUTTONUP, 0, VuMouseLParam(point.x, point.y), &ignored);
  VuInvalidateElement(*pressed);
  if (ChildAt(point.x, point.y) == pressed) {
    if (listener_) listener_->OnChildClick(this, pressed, point);
    if (notify_message_ && host_)
      PostMessageW(host_, notify_message_, static_cast<WPARAM>(id_), static_cast<LPARAM>(pressed->GetId()));
    return true;
  }
  pressed->ModifyState(0, kVuStateHover);
  pressed->ProcessMessage(WM_MOUSELEAVE, 0, 0, &ignored);
  if (hover_ == pressed->GetHandle()) hover_ = 0;
  if (listener_) listener_->OnChildPressLeft(this, pressed);
  return true;
}

bool CVuOwnerEventDlg::ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  const ZPoint point = VuMousePoint(lparam);
  bool handled = false;
  switch (message) {
    case WM_MOUSEMOVE: handled = OnMouseMove(point); break;
    case WM_MOUSELEAVE: handled = OnMouseLeave(); break;
    case WM_LBUTTONDOWN: handled = OnLButtonDown(point); break;
    case WM_LBUTTONUP: handled = OnLButtonUp(point); break;
    case WM_RBUTTONDOWN: {
      CVuWindow* child = ChildAt(point.x, point.y);
      right_pushed_ = child ? child->GetHandle() : 0;
      handled = true;
      break;
    }
    case WM_RBUTTONUP: {
      CVuWindow* child = ChildAt(point.x, point.y);
      if (child && child->GetHandle() == right_pushed_ && listener_) listener_->OnChildRClick(this, child, point);
      right_pushed_ = 0;
      handled = true;
      break;
    }
    case WM_LBUTTONDBLCLK:
      if (CVuWindow* child = ChildAt(point.x, point.y))
        if (listener_) listener_->OnChildDoubleClick(this, child, point);
      handled = true;
      break;
    case WM_MOUSEWHEEL:
      // The wheel's position is in screen coordinates: the hover child is the one under it.
      if (listener_) listener_->OnChildWheel(this, HoverChild(), VuWheelDelta(wparam));
      handled = true;
      break;
    case WM_SETCURSOR:
      if (listener_ && listener_->OnChildSetCursor(this, HoverChild())) {
        if (result) *result = TRUE;
        return true;
      }
      return CVuDialog::ProcessMessage(message, wparam, lparam, result);
    default:
      return CVuDialog::ProcessMessage(message, wparam, lparam, result);
  }
  if (result) *result = 0;
  return handled;
}
