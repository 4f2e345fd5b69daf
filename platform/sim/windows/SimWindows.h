// The simulated host's own window entry points: input injection (what a
// display or `simhost input` delivers) and the hook a presenter uses to learn
// that a window's content changed.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window_input.h"
#include "platform/window_paint.h"

enum class SimInputKind {
  kMouseMove,
  kLeftDown,
  kLeftUp,
  kRightDown,
  kRightUp,
  kKeyDown,
  kKeyUp,
  kClose,  // the window manager's close button
};

struct SimInput {
  SimInputKind kind = SimInputKind::kMouseMove;
  int x = 0;  // mouse position relative to the window's top-left corner
  int y = 0;
  UINT key = 0;    // virtual key for key input
  DWORD time = 0;  // message time; 0 is now
};

// Queues input for a top-level window of any process of the machine. The
// receiving process turns it into messages when it reads its queue, as
// Windows does: hit test, WM_SETCURSOR, then the mouse or key message.
BOOL SimInjectInput(HWND window, const SimInput& input);

// Called (on the thread that changed it) when a window's content, position
// or visibility changed; null removes the hook.
typedef void (*SimContentHook)(HWND window, void* context);
void SimSetContentHook(SimContentHook hook, void* context);

// The pixels last given to a layered window (premultiplied BGRA, row-major).
struct SimWindowPixels {
  int width = 0;
  int height = 0;
  BYTE alpha = 255;
  std::vector<uint32_t> pixels;
};
BOOL SimGetLayeredPixels(HWND window, SimWindowPixels* out);

// Binds pixels to a memory device context, standing in for a selected
// bitmap, so that UpdateLayeredWindow can take them.
BOOL SimSetDcPixels(HDC dc, int width, int height, const uint32_t* pixels);

// Registers the tool-tip control's window class ("tooltips_class32") in this
// process; InitCommonControlsEx does it for ICC_BAR_CLASSES.
void SimRegisterToolTipClass();
