// Routing one mouse move through a dialog of 500 elements (25 x 20 buttons
// in the body, the whole window proc path: hit test, the element's own
// message, notifications to the dialog's window, hover changes with their
// repaint requests and the tool tip's text; the repaints themselves are
// dialog_bench's). Target: under 20 us a move.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/sim/core/SimHost.h"
#include "platform/window_input.h"
#include "tests/support/BenchMachine.h"
#include "ui/dialog/CVuDialogImpl.h"
#include "ui/dialog/VuFramework.h"

namespace fs = std::filesystem;

namespace {

constexpr int kColumns = 25, kRows = 20, kCell = 24, kHeader = 30;

// The application's side: every record counted, as a dialog's handler would look at it.
class CountingDialog : public CVuDialogImpl {
 public:
  CountingDialog() : CVuDialogImpl(11001) {}
  long notes = 0;
  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                            LRESULT* result) override {
    if (message == WM_NOTIFY) ++notes;
    return CVuDialogImpl::ProcessWindowMessage(window, message, wparam, lparam, result);
  }
};

// The resources the benchmarks read, in the program's machine.
bool PrepareMachine() {
  const fs::path dir = fs::path(SimHost::Machine()->DriveDir(u'C')) / "bench" / "res";
  std::error_code ec;
  fs::create_directories(dir, ec);
  std::ofstream(dir / "10000.xml") << "<skins/>";
  std::ofstream(dir / "10001.xml") << "<style><class name=\"b\" crhover=\"FF0000\" cursor=\"hand\"/></style>";
  std::ofstream(dir / "10002.xml") << "<string/>";
  std::string layout = "<layer title=\"bench\" width=\"" + std::to_string(kColumns * kCell) +
                       "\" height=\"" + std::to_string(kRows * kCell + kHeader) +
                       "\" noborder=\"1\"><header height=\"30\"/><body>";
  for (int i = 0; i < kColumns * kRows; ++i) {
    const int x = (i % kColumns) * kCell, y = (i / kColumns) * kCell;
    layout += "<button id=\"" + std::to_string(100 + i) + "\" class=\"b\" tip=\"tip " +
              std::to_string(i) + "\" pos=\"" + std::to_string(x) + "," + std::to_string(y) + "," +
              std::to_string(x + kCell - 2) + "," + std::to_string(y + kCell - 2) + "\">" +
              std::to_string(i) + "</button>";
  }
  layout += "</body></layer>";
  std::ofstream(dir / "11001.xml") << layout;
  return !ec && VuFramework::Initialize(u"C:\\bench\\res") == 3;
}

void Drain() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// arg 1: every move lands on another element (hover changes); 0: moves
// within one element.
void BM_RouteMouseMove(benchmark::State& state) {
  CountingDialog dialog;
  HWND window = dialog.Create(nullptr);
  if (!window) {
    state.SkipWithError("no dialog window");
    return;
  }
  Drain();
  std::vector<LPARAM> points;
  for (int i = 0; i < kColumns * kRows; i += 7) {
    const int x = (i % kColumns) * kCell + 5, y = (i / kColumns) * kCell + kHeader + 5;
    points.push_back(MAKELPARAM(x, y));
    if (!state.range(0)) break;
  }
  size_t i = 0;
  long moves = 0;
  for (auto _ : state) {
    LPARAM at = points[i++ % points.size()];
    if (!state.range(0)) at += (moves & 1);  // one pixel to and fro
    SendMessageW(window, WM_MOUSEMOVE, 0, at);
    ++moves;
    // The repaint the move asked for is the paint's cost, not the routing's
    // (a dialog paints between moves; the host's update region is not built
    // for thousands of unpainted rectangles).
    ValidateRect(window, nullptr);
  }
  state.counters["elements"] = kColumns * kRows;
  state.counters["notes_per_move"] = static_cast<double>(dialog.notes) / static_cast<double>(moves);
  state.counters["target_us"] = 20;
}
BENCHMARK(BM_RouteMouseMove)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  BenchMachine machine("event_routing_bench");
  return RunBenchmarks(machine.Ready() && PrepareMachine(), &argc, argv, "target: a mouse move routed in under 20 us");
}
