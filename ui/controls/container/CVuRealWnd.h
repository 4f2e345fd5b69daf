// "realwnd": hosts a real child window of the host window inside the
// layout. The application creates the window (a child of the dialog view)
// and attaches it by the element's id (view.FindById(id) then
// AttachWindow); the element keeps it at its rectangle and shows it only
// while the element and all its parents are visible. The window stays the
// application's: detaching or destroying the element leaves it alone.
#pragma once

#include "ui/element/CVuWindow.h"

class CVuRealWnd : public CVuWindow {
 public:
  ~CVuRealWnd() override;
  const char* GetTag() const override;  // "realwnd"
  uint32_t ModifyState(uint32_t add, uint32_t remove) override;
  void SetHostWindow(HWND window) override;

  // Takes window (null detaches) and places it at once.
  void AttachWindow(HWND window);
  HWND GetRealWindow() const { return window_; }
  // Moves and shows or hides the window to match the element now.
  virtual void SyncWindow();

 protected:
  void OnPosition(int x, int y, int cx, int cy) override;
  // The element lets the window go (the element is going, or another is attached).
  virtual void ReleaseWindow();

  HWND window_ = nullptr;
  ZRect placed_{0, 0, -1, -1};  // where the window was last put
  int shown_ = -1;              // -1 unknown, else whether it was last shown
};
