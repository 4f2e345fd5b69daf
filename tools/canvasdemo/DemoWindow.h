// canvasdemo's window mode: the demo scene in a window of the machine the
// program runs in, painted through the window surface on every WM_PAINT.
#pragma once

// Runs the window until it is closed; trace prints the input and close
// messages it receives (one line each) for tests and curious people.
int RunDemoWindow(bool trace);
