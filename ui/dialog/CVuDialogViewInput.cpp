// The dialog view's mouse routing: hit testing the sections, the hover and
// pushed state of elements, capture, header dragging, cursors, tool tips and
// the notifications that tell the application what happened.
#include <cstring>

#include "platform/shell.h"
#include "platform/window_input.h"
#include "ui/core/VuHandleTable.h"
#include "ui/dialog/CVuDialogView.h"
#include "ui/element/CVuContainerWnd.h"

namespace {

int SignedLow(LPARAM value) { return static_cast<short>(LOWORD(value)); }
int SignedHigh(LPARAM value) { return static_cast<short>(HIWORD(value)); }

constexpr WPARAM kScMoveCaption = 0xF012;      // SC_MOVE | HTCAPTION
constexpr WPARAM kScMaximizeCaption = 0xF032;  // SC_MAXIMIZE | HTCAPTION
constexpr WPARAM kScRestoreCaption = 0xF122;   // SC_RESTORE | HTCAPTION

bool IsTag(const CVuWindow* element, const char* tag) {
  return element && element->GetTag() && std::strcmp(element->GetTag(), tag) == 0;
}

}  // namespace

CVuWindow* CVuDialogView::Element(VUHANDLE handle) const {
  return handle ? VuHandleTable::Instance().Lookup(handle) : nullptr;
}

bool CVuDialogView::IsControlTag(const char* tag) const {
  static const char* const kTags[] = {"button", "imgbtn",      "dlgbtn", "tabctrl", "link",
                                      "skinbtn", "imgbtnsized", "check",  "slider",  "richtext"};
  if (!tag) return false;
  for (const char* known : kTags)
    if (std::strcmp(known, tag) == 0) return true;
  return false;
}

LRESULT CVuDialogView::SendNotify(VuNotifyRecord* record) {
  if (!hwnd_) return 0;
  record->window = hwnd_;
  record->control_id = static_cast<UINT_PTR>(GetWindowLongW(hwnd_, GWL_ID));
  HWND parent = GetParent(hwnd_);
  if (!parent) return 0;
  return SendMessageW(parent, WM_NOTIFY, record->control_id, reinterpret_cast<LPARAM>(record));
}

LRESULT CVuDialogView::OnCustomDraw(LPARAM) { return 0; }

void CVuDialogView::Notify(int32_t code, const CVuWindow* element, bool with_tag) {
  VuNotifyRecord record;
  record.code = code;
  record.item_id = element ? element->GetId() : 0;
  record.item_class = with_tag && element ? element->GetTag() : nullptr;
  SendNotify(&record);
}

void CVuDialogView::ReportToHost(VUHANDLE handle, uint32_t mask) {
  CVuWindow* element = Element(handle);
  if (!element || !(element->GetNotifyMask() & mask)) return;
  VuNotifyHost(*element, kVuNotifyHostReport, element->GetId(), "wnd",
               mask == kVuNotifyMaskMove ? kVuNotifyMouseMove : kVuNotifyMouseLeave);
}

void CVuDialogView::ChangeState(CVuWindow* element, uint32_t add, uint32_t remove) {
  if (!element) return;
  const uint32_t old = element->ModifyState(add, remove);
  if (old != element->GetState() && element->NeedsRedrawOnStateChange()) InvalidateItem(element);
}

void CVuDialogView::OnMouseMove(WPARAM keys, int x, int y) {
  if (layout_.Attributes().child)
    if (HWND parent = GetParent(hwnd_)) PostMessageW(parent, WM_MOUSEMOVE, keys, MAKELPARAM(x, y));
  if (!tracking_) {
    TRACKMOUSEEVENT track = {sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd_, 0};
    tracking_ = TrackMouseEvent(&track) != FALSE;
  }
  tooltip_.Relay(hwnd_, WM_MOUSEMOVE, keys, MAKELPARAM(x, y));
  const VUHANDLE target = layout_.HitTest(x, y);
  // Handles, not pointers: a handler may change the tree under us.
  if (CVuWindow* element = Element(target)) {
    if (element->IsEnabled(true)) {
      LRESULT ignored = 0;
      element->ProcessMessage(WM_MOUSEMOVE, keys, MAKELPARAM(x, y), &ignored);
      ReportToHost(target, kVuNotifyMaskMove);
    }
    if ((element = Element(target))) Notify(kVuNotifyMouseMove, element, false);
  }
  // A drag goes on past the pressed element's edge (a slider's thumb, a
  // scroll bar's): while the button is held it hears the moves too.
  if (pushed_ && pushed_ != target && capture_ && (keys & MK_LBUTTON))
    if (CVuWindow* pressed = Element(pushed_); pressed && pressed->IsEnabled(true)) {
      LRESULT ignored = 0;
      pressed->ProcessMessage(WM_MOUSEMOVE, keys, MAKELPARAM(x, y), &ignored);
    }
  if (target == hover_) return;
  const VUHANDLE old = hover_;
  hover_ = target;
  if (CVuWindow* element = Element(old)) {
    if (element->IsEnabled(true)) {
      ChangeState(element, 0, kVuStateHover);
      LRESULT ignored = 0;
      element->ProcessMessage(WM_MOUSELEAVE, 0, 0, &ignored);
      ReportToHost(old, kVuNotifyMaskLeave);
    }
    if ((element = Element(old))) Notify(kVuNotifyMouseLeave, element, false);
  }
  CVuWindow* element = Element(target);
  if (element && hover_ == target && element->IsEnabled(true)) ChangeState(element, kVuStateHover, 0);
  tooltip_.SetText(hwnd_, element ? element->GetToolTip() : std::u16string());
}

// The wheel turns the element under the mouse, or the nearest of its
// containers that takes it (a list scrolls for its rows). The message's
// point is on the screen; elements get it in the client.
void CVuDialogView::OnMouseWheel(WPARAM wparam, int screen_x, int screen_y) {
  POINT pt = {screen_x, screen_y};
  if (!ScreenToClient(hwnd_, &pt)) return;
  VUHANDLE handle = layout_.HitTest(pt.x, pt.y);
  for (int depth = 0; handle && depth < 256; ++depth) {
    CVuWindow* element = Element(handle);
    if (!element || !element->IsEnabled(true)) return;
    LRESULT ignored = 0;
    if (element->ProcessMessage(WM_MOUSEWHEEL, wparam, MAKELPARAM(pt.x, pt.y), &ignored)) {
      InvalidateRect(hwnd_, nullptr, FALSE);
      return;
    }
    handle = element->GetParentHandle();
  }
}

void CVuDialogView::OnMouseLeave() {
  if (layout_.Attributes().child)
    if (HWND parent = GetParent(hwnd_)) PostMessageW(parent, WM_MOUSELEAVE, 0, 0);
  tracking_ = false;
  tooltip_.Relay(hwnd_, WM_MOUSELEAVE, 0, 0);
  tooltip_.SetText(hwnd_, std::u16string());
  const VUHANDLE old_hover = hover_, old_pushed = pushed_;
  hover_ = pushed_ = 0;
  if (CVuWindow* element = Element(old_hover)) {
    ChangeState(element, 0, kVuStateHover);
    LRESULT ignored = 0;
    element->ProcessMessage(WM_MOUSELEAVE, 0, 0, &ignored);
    ReportToHost(old_hover, kVuNotifyMaskLeave);
  }
  ChangeState(Element(old_pushed), 0, kVuStatePushed);
  CVuWindow* former = Element(old_hover);
  VuNotifyRecord record;
  record.code = kVuNotifyMouseLeave;
  record.item_id = former ? former->GetId() : 0;
  SendNotify(&record);
}

bool CVuDialogView::HeaderPress(int x, int y) {
  CVuDialog* header = layout_.Header();
  if (!header || !header->IsVisible(false)) return false;
  CVuWindow* element = Element(header->HitTest(x, y, 1));
  const VuLayoutAttributes& a = layout_.Attributes();
  if (!element || IsControlTag(element->GetTag()) || element->AcceptsHeaderMouseDown() || a.child)
    return false;
  SetFocus(hwnd_);
  HWND top = GetAncestor(hwnd_, GA_ROOT);
  if (!top) top = hwnd_;
  if (!a.nomove && !IsZoomed(top)) SendMessageW(top, WM_SYSCOMMAND, kScMoveCaption, 0);
  return true;
}

void CVuDialogView::OnLButtonDown(WPARAM keys, int x, int y) {
  tooltip_.Relay(hwnd_, WM_LBUTTONDOWN, keys, MAKELPARAM(x, y));
  if (HeaderPress(x, y)) return;
  const VUHANDLE target = layout_.HitTest(x, y);
  CVuWindow* element = Element(target);
  if (!element || !element->IsEnabled(true)) return;
  if (!capture_) {
    SetCapture(hwnd_);
    capture_ = true;
  }
  pushed_ = target;
  ChangeState(element, kVuStatePushed, 0);
  LRESULT ignored = 0;
  element->ProcessMessage(WM_LBUTTONDOWN, keys, MAKELPARAM(x, y), &ignored);
  if ((element = Element(target))) Notify(kVuNotifyLButtonDown, element, false);
}

void CVuDialogView::OnLButtonUp(WPARAM keys, int x, int y) {
  SetFocus(hwnd_);
  if (capture_) {
    capture_ = false;
    ReleaseCapture();
  }
  const VUHANDLE pushed = pushed_;
  pushed_ = 0;
  CVuWindow* element = Element(pushed);
  if (!element) return;
  ChangeState(element, 0, kVuStatePushed);
  if (pushed != hover_) {
    OnReleasedAway(element->GetId());
    return;
  }
  LRESULT ignored = 0;
  element->ProcessMessage(WM_LBUTTONUP, keys, MAKELPARAM(x, y), &ignored);
  element = Element(pushed);
  if (!element || !element->IsEnabled(true)) return;
  if (!element->GetLink().empty())
    OpenLink(element->GetLink());
  else if (element->GetId() != 0)
    Notify(kVuNotifyCommand, element, true);
}

bool CVuDialogView::OpenLink(const std::u16string& link) {
  // A skin's link names a page; a program or file path from it is never run
  // (the uninstaller runs elevated).
  auto starts = [&](const char16_t* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i) {
      if (i >= link.size()) return false;
      char16_t c = link[i];
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
      if (c != prefix[i]) return false;
    }
    return true;
  };
  if (!starts(u"http://") && !starts(u"https://") && !starts(u"mailto:")) return false;
  if (link.find_first_of(u"\r\n\t\"") != std::u16string::npos) return false;
  return reinterpret_cast<INT_PTR>(ShellExecuteW(hwnd_, u"open", link.c_str(), nullptr, nullptr,
                                                 SW_SHOWNORMAL)) > 32;
}

void CVuDialogView::OnReleasedAway(int) {}

void CVuDialogView::OnLButtonDblClk(WPARAM keys, int x, int y) {
  const VuLayoutAttributes& a = layout_.Attributes();
  CVuDialog* header = layout_.Header();
  if (header && header->IsVisible(false)) {
    CVuWindow* element = Element(header->HitTest(x, y, 1));
    if (element && !IsControlTag(element->GetTag()) && !element->AcceptsHeaderMouseDown()) {
      if (a.resize && !a.child) {
        HWND top = GetAncestor(hwnd_, GA_ROOT);
        if (!top) top = hwnd_;
        SendMessageW(top, WM_SYSCOMMAND, IsZoomed(top) ? kScRestoreCaption : kScMaximizeCaption, 0);
      }
      return;
    }
  }
  const VUHANDLE target = layout_.HitTest(x, y);
  CVuWindow* element = Element(target);
  if (!element || !IsControlTag(element->GetTag()) || !element->IsEnabled(true)) return;
  Notify(kVuNotifyDoubleClick, element, true);
  // The second click of the pair is still a press, as on a standard button:
  // a check box clicked twice quickly toggles twice.
  if (Element(target)) OnLButtonDown(keys, x, y);
}

void CVuDialogView::OnRButtonDown(WPARAM, int x, int y) {
  if (CVuWindow* element = Element(layout_.HitTest(x, y))) Notify(kVuNotifyRButtonDown, element, false);
}

bool CVuDialogView::OnSetCursor(HWND under, int hit, LRESULT* result) {
  if (under != hwnd_ || hit != HTCLIENT) return false;
  POINT pt;
  if (!GetCursorPos(&pt) || !ScreenToClient(hwnd_, &pt)) return false;
  CVuWindow* element = Element(layout_.HitTest(pt.x, pt.y));
  // A hosted real window shows its own cursor.
  if (IsTag(element, "realwnd") || IsTag(element, "realwnd2")) return false;
  if (element && element->IsEnabled(true))
    element->SetCursorForElement();
  else
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  *result = TRUE;
  return true;
}

bool CVuDialogView::OnInputMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  const int x = SignedLow(lparam), y = SignedHigh(lparam);
  switch (message) {
    case WM_MOUSEMOVE:
      OnMouseMove(wparam, x, y);
      break;
    case WM_MOUSELEAVE:
      OnMouseLeave();
      break;
    case WM_LBUTTONDOWN:
      OnLButtonDown(wparam, x, y);
      break;
    case WM_LBUTTONUP:
      OnLButtonUp(wparam, x, y);
      break;
    case WM_LBUTTONDBLCLK:
      OnLButtonDblClk(wparam, x, y);
      break;
    case WM_RBUTTONDOWN:
      OnRButtonDown(wparam, x, y);
      break;
    case WM_MOUSEWHEEL:
      OnMouseWheel(wparam, x, y);
      break;
    case WM_SETCURSOR:
      return OnSetCursor(reinterpret_cast<HWND>(wparam), static_cast<short>(LOWORD(lparam)), result);
    case WM_KEYDOWN:
      if (!OnKeyDown(wparam)) return false;
      break;
    default:
      return false;
  }
  *result = 0;
  return true;
}
