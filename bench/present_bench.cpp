// Presenting a 600 x 420 frame (the skinned UI's size): to the machine's
// run/ folder, to an X display (under an Xvfb of its own when DISPLAY is not
// set and Xvfb is installed), and from creating a window to its first frame.
// Targets: under 2 ms a frame to run/ and to X; under 100 ms to a first frame.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "platform/canvas.h"
#include "platform/image.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/display/SimPresent.h"
#include "platform/window_geometry.h"
#include "platform/window_messages.h"
#include "platform/window_paint.h"
#include "platform/window_surface.h"
#include "tests/support/SimTestSupport.h"
#include "tools/canvasdemo/CanvasScene.h"

namespace {

ZCanvas* scene = nullptr;
bool have_display = false;

LRESULT CALLBACK SceneProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    BeginPaint(hwnd, &paint);
    PresentCanvas(hwnd, *scene, 0, 0);
    EndPaint(hwnd, &paint);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

HWND MakeSceneWindow(const char16_t* title) {
  return CreateWindowExW(0, u"PresentBench", title, WS_POPUP | WS_VISIBLE, 0, 0, kSceneWidth,
                         kSceneHeight, nullptr, nullptr, nullptr, nullptr);
}

void BM_PresentToRunFolder(benchmark::State& state) {
  HWND hwnd = MakeSceneWindow(u"run folder");
  for (auto _ : state) benchmark::DoNotOptimize(PresentCanvas(hwnd, *scene, 0, 0));
  DestroyWindow(hwnd);
}
BENCHMARK(BM_PresentToRunFolder)->Unit(benchmark::kMicrosecond);

// From the hand-over to the image being on the X server (XPutImage and a round trip).
void BM_PresentToX(benchmark::State& state) {
  if (!have_display) {
    state.SkipWithError("no X display (neither DISPLAY nor Xvfb)");
    return;
  }
  HWND hwnd = MakeSceneWindow(u"x display");
  PresentCanvas(hwnd, *scene, 0, 0);
  for (auto _ : state) {
    uint64_t shown = SimDisplayFramesShown();
    PresentCanvas(hwnd, *scene, 0, 0);
    while (SimDisplayFramesShown() == shown) usleep(20);
  }
  DestroyWindow(hwnd);
}
BENCHMARK(BM_PresentToX)->Unit(benchmark::kMicrosecond)->UseRealTime();

// CreateWindowExW to the first frame another process could take.
void BM_WindowToFirstFrame(benchmark::State& state) {
  const std::u16string title = u"first frame";
  for (auto _ : state) {
    HWND hwnd = MakeSceneWindow(title.c_str());
    UpdateWindow(hwnd);
    SimFrame frame;
    if (!SimFindFrame(&title, nullptr, &frame)) state.SkipWithError("no frame");
    state.PauseTiming();
    DestroyWindow(hwnd);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_WindowToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TempDir dir;
  const std::string machine = dir.Path() + "/m";
  if (RunCommand({kSimhostPath, "new", machine}).exit_code != 0 || !SimHost::UseMachine(machine))
    return 1;
  ChildProcess xvfb;
  const char* display = std::getenv("DISPLAY");
  have_display = display && *display;
  if (!have_display && access("/usr/bin/Xvfb", X_OK) == 0 &&
      xvfb.Start("/usr/bin/Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"})) {
    std::string number = xvfb.ReadLine();
    if (!number.empty()) {
      setenv("DISPLAY", (":" + number).c_str(), 1);
      have_display = true;
    }
  }
  const ZImage disk = SceneDisk();
  auto canvas = std::make_unique<ZCanvas>();
  if (!canvas->Create(kSceneWidth, kSceneHeight)) return 1;
  PaintScene(canvas.get(), disk, disk);
  scene = canvas.get();
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = SceneProc;
  window_class.lpszClassName = u"PresentBench";
  if (!RegisterClassExW(&window_class)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  SimHost::ForgetMachine();
  if (xvfb.Running()) {
    xvfb.Kill(15);  // so that it removes its socket
    xvfb.Wait();
  }
  return 0;
}
