#include "ui/dialog/CVuWindowImplBase.h"

#include "platform/window_input.h"

CVuWindowImplBase::~CVuWindowImplBase() { DestroyImplWindow(); }

bool CVuWindowImplBase::ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT*) {
  return false;
}

LRESULT CVuWindowImplBase::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND window = hwnd_;
  LRESULT result = 0;
  if (ProcessWindowMessage(window, message, wparam, lparam, &result)) return result;
  return DefWindowProcW(window, message, wparam, lparam);
}

void CVuWindowImplBase::OnFinalMessage(HWND) {}

LRESULT CALLBACK CVuWindowImplBase::StaticWindowProc(HWND window, UINT message, WPARAM wparam,
                                                     LPARAM lparam) {
  auto* self = reinterpret_cast<CVuWindowImplBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self && message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    self = static_cast<CVuWindowImplBase*>(create->lpCreateParams);
    if (self) {
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->hwnd_ = window;
    }
  }
  if (!self) return DefWindowProcW(window, message, wparam, lparam);
  LRESULT result = self->WindowProc(message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->OnFinalMessage(window);
  }
  return result;
}

HWND CVuWindowImplBase::CreateImplWindow(const char16_t* class_name, HWND parent, const RECT& rect,
                                         const std::u16string& title, DWORD style,
                                         DWORD ex_style) {
  // Registered each time: a second registration fails harmlessly, and a
  // process may move to another machine between windows (tests do).
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = &CVuWindowImplBase::StaticWindowProc;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = AsWide(class_name);
  RegisterClassExW(&window_class);
  return CreateWindowExW(ex_style, AsWide(class_name), AsWide(title.c_str()), style, rect.left,
                         rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                         nullptr, this);
}

void CVuWindowImplBase::DestroyImplWindow() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}
