// A full repaint of a 600 x 420 canvas with 40 mixed primitives (fills,
// gradients, pictures with alpha, text, lines, a clip): the skinned UI's
// frame. Target: well under 2 ms a repaint.
#include <benchmark/benchmark.h>

#include "platform/canvas.h"
#include "platform/image.h"
#include "tools/canvasdemo/CanvasScene.h"

namespace {

void BM_CanvasFullRepaint(benchmark::State& state) {
  const ZImage disk = SceneDisk();
  ZCanvas canvas;
  if (!canvas.Create(kSceneWidth, kSceneHeight)) {
    state.SkipWithError("no canvas");
    return;
  }
  PaintScene(&canvas, disk, disk);  // fonts loaded once, as a running program has them
  for (auto _ : state) {
    PaintScene(&canvas, disk, disk);
    benchmark::DoNotOptimize(canvas.PixelAt(300, 200));
  }
}
BENCHMARK(BM_CanvasFullRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
