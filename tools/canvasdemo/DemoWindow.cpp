#include "tools/canvasdemo/DemoWindow.h"

#include <cstdio>

#include "platform/canvas.h"
#include "platform/image.h"
#include "platform/window_geometry.h"
#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "platform/window_paint.h"
#include "platform/window_surface.h"
#include "tools/canvasdemo/CanvasScene.h"

namespace {

struct Demo {
  ZCanvas canvas;
  bool trace = false;
};
Demo* demo = nullptr;

void Trace(const char* format, long a = 0, long b = 0) {
  if (!demo->trace) return;
  std::printf(format, a, b);
  std::printf("\n");
  std::fflush(stdout);
}

LRESULT CALLBACK DemoProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  const long x = static_cast<short>(lparam & 0xFFFF);
  const long y = static_cast<short>((lparam >> 16) & 0xFFFF);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(hwnd, &paint);
      PresentCanvas(hwnd, demo->canvas, 0, 0);
      EndPaint(hwnd, &paint);
      Trace("painted");
      return 0;
    }
    case WM_LBUTTONDOWN:
      Trace("WM_LBUTTONDOWN %ld %ld", x, y);
      return 0;
    case WM_LBUTTONUP:
      Trace("WM_LBUTTONUP %ld %ld", x, y);
      return 0;
    case WM_KEYDOWN:
      Trace("WM_KEYDOWN %ld", static_cast<long>(wparam));
      return 0;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == SC_CLOSE) Trace("SC_CLOSE");
      break;
    case WM_CLOSE:
      Trace("WM_CLOSE");
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

int RunDemoWindow(bool trace) {
  Demo state;
  state.trace = trace;
  demo = &state;
  const ZImage disk = SceneDisk();
  if (!state.canvas.Create(kSceneWidth, kSceneHeight)) return 1;
  PaintScene(&state.canvas, disk, disk);

  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = DemoProc;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = AsWide(u"CanvasDemoWindow");
  if (!RegisterClassExW(&window_class)) {
    std::fprintf(stderr, "canvasdemo: no window system here (run it inside a machine)\n");
    return 1;
  }
  HWND hwnd = CreateWindowExW(0, u"CanvasDemoWindow", u"Canvas demo",
                              WS_OVERLAPPEDWINDOW & ~(WS_THICKFRAME | WS_MAXIMIZEBOX), CW_USEDEFAULT,
                              CW_USEDEFAULT, kSceneWidth, kSceneHeight, nullptr, nullptr, nullptr,
                              nullptr);
  if (!hwnd) {
    std::fprintf(stderr, "canvasdemo: cannot create its window\n");
    return 1;
  }
  // The scene fills the client area exactly: the frame goes around it.
  RECT outer, inner;
  GetWindowRect(hwnd, &outer);
  GetClientRect(hwnd, &inner);
  SetWindowPos(hwnd, nullptr, 0, 0, kSceneWidth + (outer.right - outer.left) - inner.right,
               kSceneHeight + (outer.bottom - outer.top) - inner.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);
  POINT client = {0, 0};
  ClientToScreen(hwnd, &client);
  Trace("client at %ld %ld", client.x, client.y);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  demo = nullptr;
  return static_cast<int>(msg.wParam);
}
