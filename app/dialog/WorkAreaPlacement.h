// Where a window without owner goes: centred on the desktop's work area.
#pragma once

#include "platform/window_geometry.h"

namespace main_dlg {

// A width x height rectangle centred on the work area and moved inside it
// (its top-left corner stays inside when it is larger).
RECT WorkAreaPlacement(int width, int height);
// Moves window (keeping its size) to that place.
void CentreInWorkArea(HWND window);

}  // namespace main_dlg
