// The message box's window icon, kept in one place: the icon resources of
// the program are loaded here only.
#pragma once

#include "platform/types.h"
#include "platform/window_messages.h"

// Sets icon resource id of the program as the window's big and small icon;
// false when the icon cannot be had (the window keeps its class icon).
bool SetMsgboxIcon(HWND window, int id);
