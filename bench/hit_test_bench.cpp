// Hit testing a tree of 1,000 elements (a root, 9 groups of 10 sections of
// 10 buttons, laid out absolutely) at points all over it, and at the point
// whose answer is found last; and the flat worst case, 999 siblings asked in
// turn (floats first, then the rest). Target: under 10 us a hit test.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/controls/basic/CVuButton.h"
#include "ui/element/CVuContainerWnd.h"

namespace {

constexpr int kGroups = 9, kSections = 10, kButtons = 10;
constexpr int kSide = 900;  // groups are rows of 100 pixels, sections columns of 90

std::unique_ptr<CVuDialog> MakeTree(int* count) {
  auto root = std::make_unique<CVuDialog>();
  root->SetAttribute("pos", "0,0,-0,-0", true);
  *count = 1;
  for (int g = 0; g < kGroups; ++g) {
    auto group = std::make_unique<CVuDialog>();
    group->SetAttribute("pos", ("0," + std::to_string(g * 100) + ",-0," + std::to_string(g * 100 + 100)).c_str(), true);
    for (int s = 0; s < kSections; ++s) {
      auto section = std::make_unique<CVuDialog>();
      section->SetAttribute("pos", (std::to_string(s * 90) + ",0," + std::to_string(s * 90 + 90) + ",-0").c_str(), true);
      for (int b = 0; b < kButtons; ++b) {
        auto button = std::make_unique<CVuButton>();
        button->SetAttribute("pos", ("0," + std::to_string(b * 10) + ",-0," + std::to_string(b * 10 + 9)).c_str(), true);
        section->AppendChild(std::move(button));
        ++*count;
      }
      group->AppendChild(std::move(section));
      ++*count;
    }
    root->AppendChild(std::move(group));
    ++*count;
  }
  root->Position(0, 0, kSide, kSide);
  return root;
}

void Run(benchmark::State& state, const std::vector<ZPoint>& points) {
  int count = 0;
  auto root = MakeTree(&count);
  size_t i = 0;
  for (auto _ : state) {
    const ZPoint& p = points[i++ % points.size()];
    benchmark::DoNotOptimize(root->HitTest(p.x, p.y, 1));
  }
  state.counters["elements"] = count;
  state.counters["target_us"] = 10;
}

void BM_HitTestSpread(benchmark::State& state) {
  std::vector<ZPoint> points;
  for (int y = 5; y < kSide; y += 37)
    for (int x = 3; x < kSide; x += 41) points.push_back({x, y});
  Run(state, points);
}
BENCHMARK(BM_HitTestSpread)->Unit(benchmark::kNanosecond);

void BM_HitTestLastElement(benchmark::State& state) {
  // The last group's last section's last button: every earlier sibling asked first.
  Run(state, {{kSide - 1, kSide - 2}});
}
BENCHMARK(BM_HitTestLastElement)->Unit(benchmark::kNanosecond);

void BM_HitTestFlatLastSibling(benchmark::State& state) {
  CVuDialog root;
  root.SetAttribute("pos", "0,0,-0,-0", true);
  for (int i = 0; i < 999; ++i) {
    auto button = std::make_unique<CVuButton>();
    const int x = (i % 37) * 20, y = (i / 37) * 20;
    button->SetAttribute("pos", (std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(x + 19) +
                                 "," + std::to_string(y + 19)).c_str(),
                         true);
    root.AppendChild(std::move(button));
  }
  root.Position(0, 0, 740, 540);
  const ZRect last = root.Children().back()->GetRect();
  for (auto _ : state) benchmark::DoNotOptimize(root.HitTest(last.left + 1, last.top + 1, 1));
  state.counters["elements"] = 1000;
  state.counters["target_us"] = 10;
}
BENCHMARK(BM_HitTestFlatLastSibling)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
