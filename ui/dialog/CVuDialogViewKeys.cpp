// The dialog view's keyboard (a focus mark moved by Tab between controls,
// Enter, Space and Esc), its commands (IDOK, IDCANCEL), the notifications
// arriving from child windows and elements, and its timers.
#include <cstring>
#include <vector>

#include "platform/shell.h"
#include "platform/window_input.h"
#include "platform/window_paint.h"
#include "ui/dialog/CVuDialogView.h"
#include "ui/element/CVuContainerWnd.h"

namespace {

bool IsButtonTag(const char* tag) {
  static const char* const kButtons[] = {"button", "imgbtn", "dlgbtn", "dlgbtnEx2", "skinbtn",
                                         "imgbtnsized"};
  if (!tag) return false;
  for (const char* known : kButtons)
    if (std::strcmp(known, tag) == 0) return true;
  return false;
}

// A rich text's links are its own; as a whole it takes no focus.
bool TakesFocus(const CVuDialogView& view, const CVuWindow& element) {
  const char* tag = element.GetTag();
  if (!tag || std::strcmp(tag, "richtext") == 0 || !view.IsControlTag(tag)) return false;
  const ZRect& r = element.GetRect();
  return r.right > r.left && r.bottom > r.top && element.IsVisible(true) && element.IsEnabled(true);
}

// Document order: a control is one stop (its children are part of it).
void CollectStops(const CVuDialogView& view, CVuWindow* element, std::vector<CVuWindow*>* out) {
  if (!element || (element->GetState() & kVuStateHidden)) return;
  if (TakesFocus(view, *element)) {
    out->push_back(element);
    return;
  }
  if (auto* container = dynamic_cast<CVuContainerWnd*>(element))
    for (const auto& child : container->Children()) CollectStops(view, child.get(), out);
}

CVuWindow* FirstButton(CVuWindow* element) {
  if (!element || !element->IsVisible(true)) return nullptr;
  if (IsButtonTag(element->GetTag()))
    return element->IsEnabled(true) && element->GetRect().right > element->GetRect().left ? element
                                                                                         : nullptr;
  if (auto* container = dynamic_cast<CVuContainerWnd*>(element))
    for (const auto& child : container->Children())
      if (CVuWindow* found = FirstButton(child.get())) return found;
  return nullptr;
}

bool Usable(const CVuWindow* element) {
  return element && element->IsVisible(true) && element->IsEnabled(true);
}

}  // namespace

bool CVuDialogView::MoveFocus(bool backwards) {
  std::vector<CVuWindow*> stops;
  for (CVuDialog* section : {layout_.Header(), layout_.Body(), layout_.Footer()})
    CollectStops(*this, section, &stops);
  if (stops.empty()) return false;
  size_t current = stops.size();
  for (size_t i = 0; i < stops.size(); ++i)
    if (stops[i]->GetHandle() == focus_) current = i;
  size_t next;
  if (current == stops.size())
    next = backwards ? stops.size() - 1 : 0;
  else
    next = backwards ? (current + stops.size() - 1) % stops.size() : (current + 1) % stops.size();
  InvalidateFocusMark();
  focus_ = stops[next]->GetHandle();
  focus_shown_ = true;
  InvalidateFocusMark();
  return true;
}

CVuWindow* CVuDialogView::FindDefaultButton() const {
  // Never the header's: its buttons close or minimize the window.
  for (CVuDialog* section : {layout_.Body(), layout_.Footer()})
    if (section && section->IsVisible(false))
      if (CVuWindow* found = FirstButton(section)) return found;
  return nullptr;
}

bool CVuDialogView::ActivateElement(CVuWindow* element) {
  if (!Usable(element)) return false;
  const VUHANDLE handle = element->GetHandle();
  const ZRect& r = element->GetRect();
  const LPARAM centre = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  // The element's own press and release, as the mouse gives them (a check
  // box toggles on it).
  ChangeState(element, kVuStatePushed, 0);
  LRESULT ignored = 0;
  element->ProcessMessage(WM_LBUTTONDOWN, MK_LBUTTON, centre, &ignored);
  if (!(element = Element(handle))) return true;
  ChangeState(element, 0, kVuStatePushed);
  element->ProcessMessage(WM_LBUTTONUP, 0, centre, &ignored);
  if (!(element = Element(handle)) || !element->IsEnabled(true)) return true;
  if (!element->GetLink().empty()) {
    const std::u16string link = element->GetLink();
    ShellExecuteW(hwnd_, u"open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  } else if (element->GetId() != 0) {
    Notify(kVuNotifyCommand, element, true);
  }
  return true;
}

void CVuDialogView::CloseRequest() {
  HWND top = GetAncestor(hwnd_, GA_ROOT);
  PostMessageW(top ? top : hwnd_, WM_CLOSE, 0, 0);
}

bool CVuDialogView::OnKeyDown(WPARAM key) {
  switch (key) {
    case VK_TAB:
      MoveFocus(GetKeyState(VK_SHIFT) < 0);
      return true;
    case VK_SPACE:
    case VK_RETURN: {
      CVuWindow* focused = focus_shown_ ? Element(focus_) : nullptr;
      if (Usable(focused)) return ActivateElement(focused), true;
      if (key == VK_RETURN) SendMessageW(hwnd_, WM_COMMAND, IDOK, 0);
      return true;
    }
    case VK_ESCAPE:
      SendMessageW(hwnd_, WM_COMMAND, IDCANCEL, 0);
      return true;
  }
  return false;
}

void CVuDialogView::InvalidateFocusMark() {
  CVuWindow* element = Element(focus_);
  if (!hwnd_ || !element || !focus_shown_) return;
  const ZRect& r = element->GetRect();
  const RECT area{r.left - 2, r.top - 2, r.right + 2, r.bottom + 2};
  InvalidateRect(hwnd_, &area, FALSE);
}

void CVuDialogView::DrawFocusMark(ZCanvas* dc) {
  CVuWindow* element = focus_shown_ ? Element(focus_) : nullptr;
  if (!Usable(element) || !hwnd_ || GetFocus() != hwnd_) return;
  const ZRect& r = element->GetRect();
  // Dotted, black on white dots, so that it shows on any skin.
  const ZRect outer{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
  const int w = outer.right - outer.left, h = outer.bottom - outer.top;
  if (w < 2 || h < 2) return;
  auto dot = [&](int x, int y, int i) {
    dc->FillRect(ZRect{x, y, x + 1, y + 1}, (i & 1) ? ZColor{255, 255, 255, 255} : ZColor{0, 0, 0, 255});
  };
  int i = 0;
  for (int x = outer.left; x < outer.right; ++x, ++i) dot(x, outer.top, i);
  for (int y = outer.top + 1; y < outer.bottom; ++y, ++i) dot(outer.right - 1, y, i);
  for (int x = outer.right - 2; x >= outer.left; --x, ++i) dot(x, outer.bottom - 1, i);
  for (int y = outer.bottom - 2; y > outer.top; --y, ++i) dot(outer.left, y, i);
}

UINT_PTR CVuDialogView::SetViewTimer(UINT_PTR id, UINT elapse) {
  return hwnd_ ? ::SetTimer(hwnd_, id, elapse, nullptr) : 0;
}

bool CVuDialogView::KillViewTimer(UINT_PTR id) { return hwnd_ && ::KillTimer(hwnd_, id) != FALSE; }

bool CVuDialogView::OnRoutingMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_GETDLGCODE:
      *result = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
      return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateFocusMark();
      *result = 0;
      return true;
    case WM_COMMAND: {
      const WORD command = LOWORD(wparam);
      if (lparam != 0 || (command != IDOK && command != IDCANCEL)) return false;
      CVuWindow* element = FindItem(command);
      if (Usable(element)) {
        ActivateElement(element);
      } else if (command == IDOK) {
        if (CVuWindow* button = FindDefaultButton()) ActivateElement(button);
      } else {
        CloseRequest();
      }
      *result = 0;
      return true;
    }
    case kVuMsgElementNotify: {
      auto* record = reinterpret_cast<VuNotifyRecord*>(lparam);
      if (!record) return false;
      SendNotify(record);
      *result = 1;
      return true;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<VuNotifyRecord*>(lparam);
      if (!header) return false;
      // Our own records (the frameless view notifies itself) are the application's.
      if (header->window == hwnd_) return false;
      if (header->code == kVuNotifyInvalidateRect) {
        const RECT r = reinterpret_cast<VuNotifyRectRecord*>(lparam)->rect;
        if (hwnd_) InvalidateRect(hwnd_, &r, FALSE);
        *result = 0;
        return true;
      }
      if (header->code == kVuNotifyCustomDraw) {
        *result = OnCustomDraw(lparam);
        return true;
      }
      // The rest goes on to whoever hears this view.
      HWND parent = hwnd_ ? GetParent(hwnd_) : nullptr;
      if (!parent) return false;
      *result = SendMessageW(parent, WM_NOTIFY, wparam, lparam);
      return true;
    }
  }
  return false;
}
