// The screen's DPI and DPI awareness: which pixels a window of a thread sees
// (the system scales the windows of a DPI-unaware thread for it).
#pragma once

#include "platform/types.h"
#include "platform/window_messages.h"
#include "platform/window_paint.h"

#if !defined(_WIN32)

struct DPI_AWARENESS_CONTEXT__ {
  int unused;
};
typedef DPI_AWARENESS_CONTEXT__* DPI_AWARENESS_CONTEXT;

enum DPI_AWARENESS {
  DPI_AWARENESS_INVALID = -1,
  DPI_AWARENESS_UNAWARE = 0,
  DPI_AWARENESS_SYSTEM_AWARE = 1,
  DPI_AWARENESS_PER_MONITOR_AWARE = 2,
};

// Pseudo handles: the contexts Windows hands back are other values that stand
// for the same awareness (compare them with AreDpiAwarenessContextsEqual).
#define DPI_AWARENESS_CONTEXT_UNAWARE \
  (reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<LONG_PTR>(-1)))
#define DPI_AWARENESS_CONTEXT_SYSTEM_AWARE \
  (reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<LONG_PTR>(-2)))
#define DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE \
  (reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<LONG_PTR>(-3)))
#define DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 \
  (reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<LONG_PTR>(-4)))
#define DPI_AWARENESS_CONTEXT_UNAWARE_GDISCALED \
  (reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<LONG_PTR>(-5)))

#define USER_DEFAULT_SCREEN_DPI 96

// GetDeviceCaps indexes.
#define LOGPIXELSX 88
#define LOGPIXELSY 90

// LOGPIXELSX/LOGPIXELSY of a display context: the screen's DPI for a
// DPI-aware calling thread, 96 for an unaware one.
int GetDeviceCaps(HDC dc, int index);

#endif  // !_WIN32

// user32's DPI functions are newer than the oldest supported Windows (or, for
// SetProcessDPIAware, reached the same way): looked up in "user32.dll" at run
// time, never imported. The types of those entry points:
typedef BOOL(WINAPI* SetProcessDPIAwareFn)();
typedef BOOL(WINAPI* SetProcessDpiAwarenessContextFn)(DPI_AWARENESS_CONTEXT context);
typedef DPI_AWARENESS_CONTEXT(WINAPI* SetThreadDpiAwarenessContextFn)(
    DPI_AWARENESS_CONTEXT context);
typedef DPI_AWARENESS_CONTEXT(WINAPI* GetThreadDpiAwarenessContextFn)();
typedef BOOL(WINAPI* AreDpiAwarenessContextsEqualFn)(DPI_AWARENESS_CONTEXT a,
                                                     DPI_AWARENESS_CONTEXT b);
typedef UINT(WINAPI* GetDpiForWindowFn)(HWND window);
