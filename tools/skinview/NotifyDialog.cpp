#include "tools/skinview/NotifyDialog.h"

#include "platform/window_input.h"
#include "ui/core/VuHandleTable.h"
#include "ui/element/CVuWindow.h"

bool NotifyDialog::ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                        LRESULT* result) {
  if (message == WM_NOTIFY && lparam) {
    const auto* record = reinterpret_cast<const VuNotifyRecord*>(lparam);
    if (record->window == window) {
      const CVuWindow* element = record->item_id ? FindItem(record->item_id) : nullptr;
      std::fprintf(out_, "notify %d %d %s %x\n", record->code, record->item_id,
                   record->item_class ? record->item_class : "-",
                   element ? element->GetState() : 0u);
      std::fflush(out_);
      *result = 0;
      return true;
    }
  }
  const VUHANDLE focus = GetFocusElement();
  const bool handled = CVuDialogImpl::ProcessWindowMessage(window, message, wparam, lparam, result);
  if (GetFocusElement() != focus && IsFocusMarkShown()) {
    const CVuWindow* element = VuHandleTable::Instance().Lookup(GetFocusElement());
    std::fprintf(out_, "focus %d\n", element ? element->GetId() : 0);
    std::fflush(out_);
  }
  if (message == WM_PAINT && !ready_) {
    ready_ = true;
    RECT r;
    GetWindowRect(window, &r);
    std::fprintf(out_, "ready %ld %ld\n", static_cast<long>(r.left), static_cast<long>(r.top));
    std::fflush(out_);
  }
  if (message == WM_EXITSIZEMOVE) {
    RECT r;
    GetWindowRect(window, &r);
    std::fprintf(out_, "moved %ld %ld\n", static_cast<long>(r.left), static_cast<long>(r.top));
    std::fflush(out_);
  }
  return handled;
}
