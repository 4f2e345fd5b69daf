// The simulated host's DPI awareness bookkeeping, for the window machinery
// and for tests.
#pragma once

#include "platform/types.h"

// A window takes the DPI awareness of its thread when it is created and keeps
// it: the window machinery reports each creation and destruction here.
void SimDpiWindowCreated(HWND window);
void SimDpiWindowDestroyed(HWND window);

// user32's DPI entry points for GetProcAddress (called once by the library table).
void SimRegisterDpiEntryPoints();

// Tests only: the process and the calling thread back to "never set"
// (Windows allows the process awareness to be set once per process).
void SimResetDpiAwareness();

// The machine's screen DPI: the fact "dpi", 96 when absent or not a number.
UINT SimScreenDpi();
