// The window implementation every skinned dialog sits on: one real window
// whose messages reach this object. Four virtual operations, in slot order:
// destructor, message processing, window procedure, final message.
#pragma once

#include <string>

#include "platform/types.h"
#include "platform/window_geometry.h"
#include "platform/window_messages.h"

class CVuWindowImplBase {
 public:
  CVuWindowImplBase() = default;
  CVuWindowImplBase(const CVuWindowImplBase&) = delete;
  CVuWindowImplBase& operator=(const CVuWindowImplBase&) = delete;

  // 1. Destroys the window if it still exists.
  virtual ~CVuWindowImplBase();
  // 2. The message map: true when the message was handled (result then
  // holds the answer); false passes it to the default procedure.
  virtual bool ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    LRESULT* result);
  // 3. This object's window procedure: the message map, else DefWindowProcW.
  virtual LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  // 4. After the window's last message (WM_NCDESTROY); the handle is already
  // cleared. Nothing in the base.
  virtual void OnFinalMessage(HWND window);

  HWND GetHwnd() const { return hwnd_; }

 protected:
  // Creates the window of class class_name (registered on first use in
  // this process's machine) with this object behind it.
  HWND CreateImplWindow(const char16_t* class_name, HWND parent, const RECT& rect,
                        const std::u16string& title, DWORD style, DWORD ex_style);
  void DestroyImplWindow();

  HWND hwnd_ = nullptr;

 private:
  static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam);
};

// The class of every dialog view window.
constexpr char16_t kVuDialogWindowClass[] = u"VuDialogWndClass";
