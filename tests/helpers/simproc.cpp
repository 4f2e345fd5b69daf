// A helper program that runs inside a machine for tests.
#include "platform/kernel.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return 0; }
