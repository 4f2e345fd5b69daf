// The frameless dialog view: no non-client area (the layout's skin is the
// whole window), minimum and held sizes enforced while the user resizes,
// the window dragged by its header, and a soft shadow window around it.
// Application dialogs (the uninstaller's main dialog) derive from it.
#pragma once

#include "ui/dialog/CVuDialogView.h"
#include "ui/dialog/VuShadowWindow.h"

class CVuDialogViewEx : public CVuDialogView {
 public:
  explicit CVuDialogViewEx(int layout_id = 0);
  ~CVuDialogViewEx() override;

  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                            LRESULT* result) override;
  bool OnInputMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

  // True for the tags whose press is a control press, never a drag.
  static bool IsClickableTag(const char* tag);
  bool IsControlTag(const char* tag) const override;
  // Notifications go to this view's own window, with wparam -1.
  LRESULT SendNotify(VuNotifyRecord* record) override;
  // The shadow window is used at all (on by default).
  void EnableShadow(bool on);
  VuShadowWindow& Shadow() { return shadow_; }

 protected:
  // A release away from the pressed element: code 4 with its id.
  void OnReleasedAway(int pushed_id) override;
  // The sizing cursors over the resize border.
  bool OnSetCursor(HWND under, int hit, LRESULT* result) override;
  void UpdateShadow() override;
  void HideShadow() override;

  int border_hit_ = 0;  // the border zone WM_NCHITTEST saw last (HTLEFT ... HTBOTTOMRIGHT)
  bool shadow_enabled_ = true;
  VuShadowWindow shadow_;
};
