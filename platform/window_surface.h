// Putting a finished canvas on a window a person can see. The UI draws into
// its own ZCanvas; these two calls are the only way its pixels reach the
// screen: a normal window takes them while it paints (WM_PAINT), a layered
// window (WS_EX_LAYERED) takes its whole content at once with per-pixel alpha.
#pragma once

#include "platform/canvas.h"
#include "platform/types.h"

// Blends canvas (premultiplied) over the client area of window with its
// top-left corner at client point (x, y). FALSE for a window that is gone or
// an empty canvas.
BOOL PresentCanvas(HWND window, const ZCanvas& canvas, int x, int y);

// Makes canvas the whole content of a layered window, resized to the canvas,
// with its per-pixel alpha times alpha / 255 (UpdateLayeredWindow, ULW_ALPHA).
BOOL PresentLayeredCanvas(HWND window, const ZCanvas& canvas, BYTE alpha = 255);
