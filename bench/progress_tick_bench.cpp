// One progress tick of the main dialog on the sample skin set: the timer
// message (text of 201, "value" of 206) and the repaint it causes, presented
// (target: under 2 ms). The baseline, measured in the same run, is a full
// repaint of the same dialog; the ratio says what the tick's partial repaint
// saves. Runs in a throw-away machine, with a worker that never ends.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "app/ZUnInstallMainDlg.h"
#include "packet_public/ZInstallConfigLoader.h"
#include "platform/sim/core/SimHost.h"
#include "platform/window_messages.h"
#include "platform/window_paint.h"
#include "tests/support/BenchMachine.h"

namespace fs = std::filesystem;

namespace {

struct Totals {
  double seconds = 0;
  int64_t runs = 0;
  double Mean() const { return runs ? seconds / static_cast<double>(runs) : 0; }
};
Totals g_tick;
Totals g_full;

std::atomic<bool> g_release{false};

// The progress stays at 99 % while the worker waits: every tick does the same work.
class BenchDialog : public ZUnInstallMainDlg {
 public:
  explicit BenchDialog(ZInstallConfigLoader* config) : ZUnInstallMainDlg(config) {}
  ~BenchDialog() override {
    g_release = true;
    StopWorker();
  }
  void DoUninstall() override {
    while (!g_release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
};

ZInstallConfigLoader* g_config = nullptr;
BenchDialog* g_dialog = nullptr;

// The sample product's configuration and skins beside C:\bench\uninst.exe.
bool PrepareMachine() {
  const fs::path c = SimHost::Machine()->DriveDir(u'C');
  std::error_code ec;
  fs::create_directories(c / "bench" / "res" / "uninstall", ec);
  fs::copy(fs::path(UNINST_SOURCE_DIR) / "resources/sample/res/uninstall",
           c / "bench" / "res" / "uninstall", fs::copy_options::recursive, ec);
  std::ifstream in(fs::path(UNINST_SOURCE_DIR) / "resources/sample/installConfig.xml");
  std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string packed = ".tmp";
  for (char ch : xml) packed += static_cast<char>(ch ^ 0xA7);
  std::ofstream(c / "bench" / "installConfig.dat", std::ios::binary) << packed;
  SimHost::SetModulePath(u"C:\\bench\\uninst.exe");
  if (ec) return false;
  g_config = new ZInstallConfigLoader();
  g_dialog = new BenchDialog(g_config);
  if (!g_dialog->Init() || !g_dialog->Create(nullptr)) return false;
  g_dialog->StartUninstall();
  // Past the animation: the steady state of a long removal.
  for (int i = 0; i < 100; ++i) SendMessageW(g_dialog->GetHwnd(), WM_TIMER, 1, 0);
  UpdateWindow(g_dialog->GetHwnd());
  return g_dialog->Progress() == 99;
}

void BM_ProgressTick(benchmark::State& state) {
  HWND window = g_dialog->GetHwnd();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    SendMessageW(window, WM_TIMER, 1, 0);
    UpdateWindow(window);
    g_tick.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++g_tick.runs;
  }
}
BENCHMARK(BM_ProgressTick)->Unit(benchmark::kMicrosecond);

// The baseline: the whole client invalidated and repainted the same way.
void BM_FullRepaint(benchmark::State& state) {
  HWND window = g_dialog->GetHwnd();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    g_full.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++g_full.runs;
  }
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  int status = 0;
  {
    BenchMachine machine("progress_tick_bench");
    status = RunBenchmarks(machine.Ready() && PrepareMachine(), &argc, argv,
                           "target: a tick under 2 ms");
    if (g_tick.runs && g_full.runs)
      std::printf("tick %.3f ms, full repaint %.3f ms, ratio tick/full = %.2f\n",
                  g_tick.Mean() * 1e3, g_full.Mean() * 1e3, g_tick.Mean() / g_full.Mean());
    delete g_dialog;
    delete g_config;
  }
  return status;
}
