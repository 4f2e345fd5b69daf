// Finding other programs' windows and exchanging posted messages with them.
#pragma once

#include "platform/types.h"

#if !defined(_WIN32)

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_TIMER 0x0113
#define WM_USER 0x0400
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define HWND_MESSAGE (reinterpret_cast<HWND>(static_cast<LONG_PTR>(-3)))

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

struct POINT {
  LONG x;
  LONG y;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
typedef MSG* LPMSG;

struct WNDCLASSEXW {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  void* hIcon;
  void* hCursor;
  void* hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
  void* hIconSm;
};

ATOM RegisterClassExW(const WNDCLASSEXW* window_class);
BOOL UnregisterClassW(LPCWSTR class_name, HINSTANCE instance);
HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style, int x,
                     int y, int width, int height, HWND parent, void* menu, HINSTANCE instance,
                     LPVOID param);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
HWND FindWindowW(LPCWSTR class_name, LPCWSTR window_name);
DWORD GetWindowThreadProcessId(HWND window, LPDWORD process_id);
BOOL PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL GetMessageW(LPMSG message, HWND window, UINT filter_min, UINT filter_max);
BOOL PeekMessageW(LPMSG message, HWND window, UINT filter_min, UINT filter_max, UINT remove);
LRESULT DispatchMessageW(const MSG* message);
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void PostQuitMessage(int exit_code);

#endif  // !_WIN32

// ---- DPI manager's window set-up (hidden DPI window) ----------------------
// Kept in one block so that the window machinery can take these over.
#if !defined(_WIN32)

#define WS_POPUP 0x80000000L
#define WS_BORDER 0x00800000L
#define WS_SYSMENU 0x00080000L
#define WS_POPUPWINDOW (WS_POPUP | WS_BORDER | WS_SYSMENU)
#define CW_USEDEFAULT (static_cast<int>(0x80000000))
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define COLOR_WINDOW 5
#define IDC_ARROW (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(32512)))

struct HICON__ {
  int unused;
};
typedef HICON__* HICON;
typedef HICON HCURSOR;
struct HDC__ {
  int unused;
};
typedef HDC__* HDC;

// System cursors only (instance null, IDC_*): the simulated host draws none.
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR cursor_name);
// A display context of window (null: the screen); released with ReleaseDC.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);

#endif  // !_WIN32
