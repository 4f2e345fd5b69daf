// Laying out and painting 10 KB of rich text (paragraphs of plain, bold,
// italic, sized and coloured runs with links, breaks and offsets) in a
// 600-pixel-wide element tall enough to hold all of it, as one paint does
// it: on a 600 x 420 canvas (a dialog's window; the text below it is laid
// out but not drawn), and on a canvas that shows all of it. Target: under
// 5 ms a paint.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/canvas.h"
#include "platform/xml.h"
#include "ui/richtext/CVuRichText.h"
#include "ui/style/VuStyle.h"

namespace {

std::string TenKilobytes() {
  const std::string paragraph =
      "Removing the product deletes its files, <b>its settings</b> and the <i>links it made</i>; "
      "<c color='C03020'>programs still running are closed first</c>. <s size='2'>Read more</s> in the "
      "<a id='5' color='2060C0'>online help</a><o offset='8'/>or <u>ask the vendor</u>.<br/>";
  std::string text;
  while (text.size() < 10 * 1024) text += paragraph;
  return text;
}

// arg: the canvas height.
void BM_LayoutAndPaintRichText(benchmark::State& state) {
  ZXmlDocument styles;
  styles.Parse("<style><class name='rt' x-margin='6' y-margin='4' spacing='3' linespacing='2'/></style>");
  VuStylePool::Instance().Clear();
  VuStylePool::Instance().LoadDocument(styles.FirstChildElement());
  const std::string markup = TenKilobytes();
  ZXmlDocument doc;
  if (!doc.Parse(("<richtext class='rt'>" + markup + "</richtext>").c_str())) {
    state.SkipWithError("markup refused");
    return;
  }
  CVuRichText rich;
  rich.Load(doc.FirstChildElement());
  rich.SetAttribute("pos", "0,0,-0,-0", true);
  rich.Position(0, 0, 600, 4000);
  ZCanvas canvas;
  canvas.Create(600, static_cast<int>(state.range(0)));
  rich.Redraw(&canvas, nullptr);  // fonts made once, as a shown dialog has them
  for (auto _ : state) {
    rich.Redraw(&canvas, nullptr);
    benchmark::DoNotOptimize(canvas.PixelAt(300, 200));
    if (rich.LastLayout().truncated) state.SkipWithError("the text did not fit");
  }
  state.counters["bytes"] = static_cast<double>(markup.size());
  state.counters["lines"] = static_cast<double>(rich.LastLayout().lines.size());
  state.counters["target_ms"] = 5;
}
BENCHMARK(BM_LayoutAndPaintRichText)->Arg(420)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
