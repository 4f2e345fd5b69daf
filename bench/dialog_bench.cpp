// The skinned dialog's costs on the sample skin set: loading the shared
// documents and the main dialog's layout from the resource folder (target:
// under 20 ms), and a full repaint of the laid-out main dialog at scale 1.0
// and 1.5 (target: under 2 ms each). Runs in a throw-away machine.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/canvas.h"
#include "platform/sim/core/SimHost.h"
#include "tests/support/BenchMachine.h"
#include "ui/dialog/CVuDialogView.h"
#include "ui/dialog/VuFramework.h"
#include "ui/dpi/VuDpiManager.h"

namespace fs = std::filesystem;

namespace {

constexpr const char16_t* kResources = u"C:\\bench\\res\\uninstall";

// The resources the benchmarks read, in the program's machine.
bool PrepareMachine() {
  const fs::path c = SimHost::Machine()->DriveDir(u'C');
  std::error_code ec;
  fs::create_directories(c / "bench" / "res" / "uninstall", ec);
  fs::copy(fs::path(UNINST_SOURCE_DIR) / "resources/sample/res/uninstall",
           c / "bench" / "res" / "uninstall", fs::copy_options::recursive, ec);
  // Scale 1.5 for dialogs that ask for it ("dpiaware"), as on a 144 DPI screen.
  fs::create_directories(c / "bench" / "ressrc" / "chs", ec);
  std::ofstream(c / "bench" / "ressrc" / "chs" / "dpisetting.ini")
      << "[basesetting]\r\ndebug=1\r\ndebugdpi=144\r\nsupportprocess=dialog_bench\r\n";
  SimHost::SetModulePath(u"C:\\bench\\dialog_bench.exe");
  return !ec && VuFramework::Initialize(kResources) == 3;
}

void BM_LoadSharedDocumentsAndMainLayout(benchmark::State& state) {
  for (auto _ : state) {
    VuFramework::Initialize(kResources);
    CVuDialogView view(11001);
    if (!view.LoadLayout()) state.SkipWithError("layout 11001 did not load");
    benchmark::DoNotOptimize(view.FindItem(101));
  }
}
BENCHMARK(BM_LoadSharedDocumentsAndMainLayout)->Unit(benchmark::kMillisecond);

// arg: scale x 10 (10 or 15).
void BM_RepaintMainDialog(benchmark::State& state) {
  VuFramework::Initialize(kResources);
  std::ifstream in(SimHost::Machine()->DriveDir(u'C') + "/bench/res/uninstall/11001.xml");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The same dialog unscaled: the layout without "dpiaware".
  if (state.range(0) == 10) text.replace(text.find("dpiaware=\"1\""), 12, "dpiaware=\"0\"");
  CVuDialogView view(11001);
  if (!view.Layout().LoadText(text, nullptr)) {
    state.SkipWithError("layout 11001 did not load");
    return;
  }
  view.EnableFrameBorder(true);
  const VuLayoutAttributes& a = view.Layout().Attributes();
  view.LayoutView(a.width, a.height);
  ZCanvas canvas;
  view.PaintClient(&canvas, a.width, a.height, nullptr);  // images loaded once, as a shown dialog has them
  for (auto _ : state) {
    view.PaintClient(&canvas, a.width, a.height, nullptr);
    benchmark::DoNotOptimize(canvas.PixelAt(a.width / 2, a.height / 2));
  }
  state.counters["width"] = a.width;
  state.counters["scale"] = VuDpiManager::Instance().IsEnabled() && a.dpi_aware
                                ? VuDpiManager::Instance().GetScale()
                                : 1.0;
}
BENCHMARK(BM_RepaintMainDialog)->Arg(10)->Arg(15)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  BenchMachine machine("dialog_bench");
  return RunBenchmarks(machine.Ready() && PrepareMachine(), &argc, argv, "targets: loading under 20 ms, a repaint under 2 ms");
}
