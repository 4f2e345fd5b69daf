// The soft shadow around a frameless dialog: a layered, click-through tool
// window of class "VuShadowWndClass" just below the dialog, kShadowSize
// pixels larger on every side, painted with the skin "dlg_shadow" (nothing
// without it). It is shown while its dialog is a visible, unlayered
// top-level window and follows its moves.
#pragma once

#include "platform/canvas.h"
#include "ui/dialog/CVuWindowImplBase.h"

constexpr char16_t kVuShadowWindowClass[] = u"VuShadowWndClass";

class VuShadowWindow : public CVuWindowImplBase {
 public:
  // Width of the shadow on each side at scale 1.0.
  static constexpr int kShadowSize = 8;

  ~VuShadowWindow() override;
  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                            LRESULT* result) override;

  // Places (creating it on first use), paints and shows the shadow around
  // dialog; size is its width on each side. Hides it when dialog is hidden.
  void Update(HWND dialog, int size);
  void Hide();
  // The shadow picture for a dialog of cx x cy (the shadow is size wider on
  // each side); false when the skin is missing.
  static bool Paint(ZCanvas* dc, int cx, int cy, int size);

 private:
  ZCanvas canvas_;
  RECT placed_{};
};
