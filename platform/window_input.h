// Mouse and keyboard input to windows: the input messages, capture, mouse
// tracking, cursors and the keyboard's state.
#pragma once

#include "platform/window_geometry.h"

#if !defined(_WIN32)

#define WM_KEYFIRST 0x0100
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_KEYLAST 0x0109
#define WM_NCMOUSEMOVE 0x00A0
#define WM_NCLBUTTONDOWN 0x00A1
#define WM_NCLBUTTONUP 0x00A2
#define WM_NCLBUTTONDBLCLK 0x00A3
#define WM_NCRBUTTONDOWN 0x00A4
#define WM_NCRBUTTONUP 0x00A5
#define WM_NCRBUTTONDBLCLK 0x00A6
#define WM_MOUSEFIRST 0x0200
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MOUSEWHEEL 0x020A
#define WM_MOUSELAST 0x020E
#define WM_MOUSELEAVE 0x02A3
#define WM_MOUSEHOVER 0x02A1
#define WM_NCMOUSELEAVE 0x02A2

// Key and button state in mouse messages.
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

// Hit-test results.
#define HTERROR (-2)
#define HTTRANSPARENT (-1)
#define HTNOWHERE 0
#define HTCLIENT 1
#define HTCAPTION 2
#define HTSYSMENU 3
#define HTMINBUTTON 8
#define HTMAXBUTTON 9
#define HTLEFT 10
#define HTRIGHT 11
#define HTTOP 12
#define HTTOPLEFT 13
#define HTTOPRIGHT 14
#define HTBOTTOM 15
#define HTBOTTOMLEFT 16
#define HTBOTTOMRIGHT 17
#define HTBORDER 18
#define HTCLOSE 20

// WM_MOUSEACTIVATE results.
#define MA_ACTIVATE 1
#define MA_ACTIVATEANDEAT 2
#define MA_NOACTIVATE 3
#define MA_NOACTIVATEANDEAT 4

// Virtual keys.
#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_DELETE 0x2E
#define VK_F4 0x73

// WM_GETDLGCODE answers.
#define DLGC_WANTARROWS 0x0001
#define DLGC_WANTTAB 0x0002
#define DLGC_WANTALLKEYS 0x0004
#define DLGC_WANTCHARS 0x0080

// TrackMouseEvent.
#define TME_HOVER 0x00000001
#define TME_LEAVE 0x00000002
#define TME_NONCLIENT 0x00000010
#define TME_QUERY 0x40000000
#define TME_CANCEL 0x80000000
#define HOVER_DEFAULT 0xFFFFFFFF

// Cursors.
#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define IDC_ARROW (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(32512)))
#define IDC_IBEAM (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(32513)))
#define IDC_WAIT (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(32514)))
#define IDC_CROSS (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(32515)))
#define IDC_SIZENWSE (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(32642)))
#define IDC_SIZENESW (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(32643)))
#define IDC_SIZEWE (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(32644)))
#define IDC_SIZENS (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(32645)))
#define IDC_SIZEALL (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(32646)))
#define IDC_NO (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(32648)))
#define IDC_HAND (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(32649)))
#define IDC_APPSTARTING (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(32650)))

// Icons.
#define IDI_APPLICATION (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(32512)))

#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L

typedef short SHORT;

struct TRACKMOUSEEVENT {
  DWORD cbSize;
  DWORD dwFlags;
  HWND hwndTrack;
  DWORD dwHoverTime;
};
typedef TRACKMOUSEEVENT* LPTRACKMOUSEEVENT;

HWND SetCapture(HWND window);
BOOL ReleaseCapture();
HWND GetCapture();
BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track);
BOOL GetCursorPos(LPPOINT point);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name);
// The simulated host's programs carry no resource sections: every module has
// an icon for each numeric id, and the system has IDI_APPLICATION.
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
UINT GetDoubleClickTime();
SHORT GetKeyState(int virtual_key);

#endif  // !_WIN32
