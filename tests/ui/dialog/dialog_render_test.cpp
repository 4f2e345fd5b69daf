// The sample skin set drawn as the uninstaller would draw it: the main
// dialog (11001) and the message box (11004) at scale 1.0 in this process
// and at 1.5 through skinview. The pictures are kept in the build folder's
// ui-renders/ for a look; the checks are structural: the banner is there,
// the buttons' skins are drawn, texts stay inside their rectangles.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/image.h"
#include "tests/ui/dialog/dialog_test_support.h"
#include "ui/dialog/CVuDialogView.h"
#include "ui/dialog/VuFramework.h"
#include "ui/element/CVuWindow.h"

namespace {

struct Rgba {
  int r, g, b, a;
};
Rgba Unpack(uint32_t p) {
  return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
          static_cast<int>(p & 0xFF), static_cast<int>(p >> 24)};
}

// A picture to look at: a canvas or a PNG read back.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  Rgba At(int x, int y) const { return Unpack(pixels[static_cast<size_t>(y) * width + x]); }
  // Pixels of r for which test holds.
  template <typename Test>
  int Count(const ZRect& r, Test test) const {
    int n = 0;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, height); ++y)
      for (int x = std::max(r.left, 0); x < std::min(r.right, width); ++x) n += test(At(x, y));
    return n;
  }
};

bool Dark(const Rgba& p) { return p.r < 140 && p.g < 140 && p.b < 140; }
bool White(const Rgba& p) { return p.r > 235 && p.g > 235 && p.b > 235; }
bool Light(const Rgba& p) { return p.r > 200 && p.g > 200 && p.b > 200; }
bool Blue(const Rgba& p) { return p.b > p.r + 60 && p.b > 150; }

Picture FromCanvas(const ZCanvas& canvas) {
  Picture p;
  p.width = canvas.Width();
  p.height = canvas.Height();
  p.pixels.assign(canvas.Pixels(), canvas.Pixels() + static_cast<size_t>(p.width) * p.height);
  return p;
}

bool FromPngFile(const std::string& path, Picture* out) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  ZImage image;
  if (!image.LoadBytes(bytes.data(), bytes.size())) return false;
  out->width = image.Width();
  out->height = image.Height();
  out->pixels.assign(image.Pixels(), image.Pixels() + static_cast<size_t>(out->width) * out->height);
  return true;
}

std::string RenderDir() {
  const std::string dir = std::string(UNINST_BUILD_DIR) + "/ui-renders";
  RunCommand({"/bin/mkdir", "-p", dir});
  return dir;
}

std::string SampleDir() { return std::string(kSourceDir) + "/resources/sample/res/uninstall"; }

ZRect Shrunk(const ZRect& r, int by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }

// The element rectangles skinview printed, by id (the last of an id wins).
std::map<int, ZRect> ElementRects(const std::string& json_lines) {
  std::map<int, ZRect> rects;
  std::istringstream in(json_lines);
  std::string line;
  while (std::getline(in, line)) {
    int id = 0;
    ZRect r;
    const size_t rect = line.find("\"rect\": [");
    if (std::sscanf(line.c_str(), "{\"id\": %d,", &id) != 1 || rect == std::string::npos) continue;
    if (std::sscanf(line.c_str() + rect, "\"rect\": [%d, %d, %d, %d]", &r.left, &r.top, &r.right,
                    &r.bottom) == 4)
      rects[id] = r;
  }
  return rects;
}

// Each problem line names one of the tags a later control set brings.
void ExpectOnlyLaterTags(const std::string& problems, const std::vector<std::string>& tags) {
  std::istringstream in(problems);
  std::string line;
  while (std::getline(in, line)) {
    bool later = false;
    for (const std::string& tag : tags) later = later || line.find("<" + tag + ">") != std::string::npos;
    EXPECT_TRUE(later) << line;
  }
}

class DialogRenderTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    CopySampleSet();
    VuFramework::Initialize(kPrimary);
  }
  Picture Render(CVuDialogView* view, const std::string& name) {
    if (!view->Layout().IsLoaded()) {
      EXPECT_TRUE(view->LoadLayout());
    }
    view->EnableFrameBorder(true);
    const VuLayoutAttributes& a = view->Layout().Attributes();
    view->LayoutView(a.width, a.height);
    ZCanvas canvas;
    view->PaintClient(&canvas, a.width, a.height, nullptr);
    std::vector<uint8_t> png;
    EXPECT_TRUE(canvas.EncodePng(&png));
    std::ofstream(RenderDir() + "/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return FromCanvas(canvas);
  }
  ZImage SampleImage(const std::string& name) {
    std::ifstream in(SampleDir() + "/" + name, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    ZImage image;
    EXPECT_TRUE(image.LoadBytes(bytes.data(), bytes.size())) << name;
    return image;
  }
  CommandResult Skinview(int id, const std::string& out) {
    return RunCommand({UNINST_SKINVIEW_PATH, SampleDir(), std::to_string(id), "--dpi", "144",
                       "--out", out, "--elements"},
                      {}, 120000);
  }
};

TEST_F(DialogRenderTest, MainDialogAtScaleOne) {
  CVuDialogView view(11001);
  const Picture p = Render(&view, "11001_1.0.png");
  ASSERT_EQ(p.width, 540);
  ASSERT_EQ(p.height, 380);
  ExpectOnlyLaterTags(Problems(), {"progress"});

  // The banner fills the header, under the title.
  const ZImage banner = SampleImage("3001.png");
  EXPECT_EQ(p.pixels[100 * 540 + 270], banner.PixelAt(270, 100));
  EXPECT_GT(p.Count({96, 34, 460, 62}, White), 30) << "the title on the banner";
  // The close button's cross in the top-right corner, on the banner.
  const ZRect close = view.FindItem(1)->GetRect();
  EXPECT_EQ((std::vector<int>{close.left, close.top, close.right, close.bottom}),
            (std::vector<int>{504, 4, 534, 34}));
  EXPECT_TRUE(Light(p.At(519, 19))) << "the cross's centre";
  EXPECT_GT(p.Count(close, Light), 12);
  EXPECT_TRUE(Blue(p.At(506, 32))) << "the banner around it";

  // The buttons' skins, each with its label inside.
  const CVuWindow* uninstall = view.FindItem(101);
  const CVuWindow* cancel = view.FindItem(104);
  ASSERT_NE(uninstall, nullptr);
  ASSERT_NE(cancel, nullptr);
  const ZRect u = uninstall->GetRect(), c = cancel->GetRect();
  EXPECT_EQ(u.right, 540 - 136);
  EXPECT_EQ(u.bottom, 380 - 16);
  EXPECT_TRUE(Blue(p.At(u.left + 3, u.top + 3)));
  EXPECT_GT(p.Count(Shrunk(u, 4), Light), 20) << "white label on the blue button";
  const Rgba border = p.At(c.left, (c.top + c.bottom) / 2);
  EXPECT_LT(border.r, 215);  // the secondary button's grey border
  EXPECT_TRUE(White(p.At(c.left + 4, c.top + 3)));
  EXPECT_GT(p.Count(Shrunk(c, 4), Dark), 20) << "dark label on the light button";

  // The question stays inside its rectangle: dark pixels there, none below
  // the list down to the buttons' band, none in the hidden pages.
  EXPECT_GT(p.Count({32, 142, 508, 166}, Dark), 100);
  EXPECT_EQ(p.Count({1, 282, 539, 314}, Dark), 0);
  EXPECT_FALSE(view.FindItem(200)->IsVisible(true));
}

TEST_F(DialogRenderTest, MessageBoxAtScaleOne) {
  CVuDialogView view(11004);
  ASSERT_TRUE(view.LoadLayout());
  ASSERT_TRUE(view.SetItemText(103, u"Sample Product is still running. Close it and go on?"));
  ASSERT_TRUE(view.SetItemVisible(106, true));
  ASSERT_TRUE(view.SetItemVisible(107, true));
  const Picture p = Render(&view, "11004_1.0.png");
  ASSERT_EQ(p.width, 420);
  ASSERT_EQ(p.height, 210);
  ExpectOnlyLaterTags(Problems(), {"check", "dlgbtn"});

  const ZRect text = view.FindItem(103)->GetRect();
  EXPECT_GT(p.Count(text, Dark), 100);
  EXPECT_EQ(p.Count({1, text.bottom + 1, 419, view.FindItem(106)->GetRect().top - 1}, Dark), 0);
  for (int id : {106, 107}) {
    const ZRect b = view.FindItem(id)->GetRect();
    EXPECT_EQ(b.bottom, 210 - 12) << id;
    EXPECT_LT(p.At(b.left, (b.top + b.bottom) / 2).r, 215) << id;
  }
  // The first is the primary (blue, light label), the second light with a dark label.
  const ZRect first = view.FindItem(106)->GetRect(), second = view.FindItem(107)->GetRect();
  EXPECT_TRUE(Blue(p.At(first.left + 4, first.top + 4)));
  EXPECT_GT(p.Count(Shrunk(first, 4), Light), 20);
  EXPECT_GT(p.Count(Shrunk(second, 4), Dark), 20);
}

TEST_F(DialogRenderTest, MessageBoxContainerButtonsShowTheirLabels) {
  CVuDialogView view(11004);
  ASSERT_TRUE(view.LoadLayout());
  ASSERT_TRUE(view.SetItemText(103, u"Sample Product is still running. Close it and go on?"));
  ASSERT_TRUE(view.SetItemVisible(108, true));
  ASSERT_TRUE(view.SetItemVisible(110, true));
  const Picture p = Render(&view, "11004_dlgbtn_1.0.png");
  EXPECT_EQ(Problems(), "");
  for (int id : {108, 110}) {
    const ZRect b = view.FindItem(id)->GetRect();
    EXPECT_EQ(b.bottom, 210 - 12) << id;
    EXPECT_EQ(b.Width(), id == 108 ? 112 : 104) << id;
    EXPECT_LT(p.At(b.left, (b.top + b.bottom) / 2).r, 215) << "the button's edge " << id;
    // The label (a child of the button) is drawn inside it.
    const ZRect label = view.FindItem(id == 108 ? 111 : 112)->GetRect();
    EXPECT_EQ((std::vector<int>{label.left, label.top, label.right, label.bottom}),
              (std::vector<int>{b.left, b.top, b.right, b.bottom}))
        << id;
  }
  // The primary button is blue with a light label, the secondary light with a dark one.
  const ZRect primary = view.FindItem(108)->GetRect(), secondary = view.FindItem(110)->GetRect();
  EXPECT_TRUE(Blue(p.At(primary.left + 4, primary.top + 4)));
  EXPECT_GT(p.Count(Shrunk(primary, 4), Light), 20);
  EXPECT_TRUE(White(p.At(secondary.left + 4, secondary.top + 3)));
  EXPECT_GT(p.Count(Shrunk(secondary, 4), Dark), 20);
  // The whole button answers hit tests, not its label.
  CVuWindow* button = view.FindItem(108);
  EXPECT_EQ(button->HitTest(primary.left + 10, primary.top + 10, 1), button->GetHandle());
}

TEST_F(DialogRenderTest, MainDialogAtScaleOneAndAHalfThroughSkinview) {
  const std::string out = RenderDir() + "/11001_1.5.png";
  const CommandResult run = Skinview(11001, out);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  ExpectOnlyLaterTags(ProblemLines(run.err), {"progress"});
  EXPECT_EQ(ProblemLines(run.err).find("<progress>"), std::string::npos) << run.err;
  Picture p;
  ASSERT_TRUE(FromPngFile(out, &p));
  ASSERT_EQ(p.width, 810);
  ASSERT_EQ(p.height, 570);
  const std::map<int, ZRect> rects = ElementRects(run.out);
  ASSERT_EQ(rects.count(101), 1u) << run.out;
  const ZRect banner = rects.at(3), u = rects.at(101), c = rects.at(104);
  EXPECT_EQ(banner.bottom, 180);
  EXPECT_EQ(u.right, 810 - 204);
  EXPECT_EQ(u.bottom, 570 - 24);
  EXPECT_TRUE(Blue(p.At(405, 150))) << "banner";
  EXPECT_TRUE(Blue(p.At(u.left + 4, u.top + 4)));
  EXPECT_GT(p.Count(Shrunk(u, 6), Light), 30);
  EXPECT_GT(p.Count(Shrunk(c, 6), Dark), 30);
  EXPECT_GT(p.Count({48, 213, 762, 249}, Dark), 150) << "the question, scaled";
  EXPECT_EQ(p.Count({1, 422, 809, 470}, Dark), 0);
}

TEST_F(DialogRenderTest, MessageBoxAtScaleOneAndAHalfThroughSkinview) {
  const std::string out = RenderDir() + "/11004_1.5.png";
  const CommandResult run = Skinview(11004, out);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  ExpectOnlyLaterTags(ProblemLines(run.err), {"check", "dlgbtn"});
  EXPECT_EQ(ProblemLines(run.err).find("<check>"), std::string::npos) << run.err;
  Picture p;
  ASSERT_TRUE(FromPngFile(out, &p));
  ASSERT_EQ(p.width, 630);
  ASSERT_EQ(p.height, 315);
  const std::map<int, ZRect> rects = ElementRects(run.out);
  ASSERT_EQ(rects.count(100), 1u) << run.out;
  const ZRect close = rects.at(100);
  EXPECT_EQ(close.right, 630 - 6);  // "-4" at 1.5
  EXPECT_EQ(close.Width(), 45);
  // A white cross on the blue band.
  EXPECT_GT(p.Count(close, Light), 20) << "the close button's glyph";
  EXPECT_GT(p.Count(close, Blue), 45 * 45 / 2);
  EXPECT_NE(run.out.find("\"visible\": false"), std::string::npos) << "hidden buttons listed";
}

TEST(SkinviewTest, SaysWhatIsWrongWithItsArguments) {
  const std::string out = RenderDir() + "/never.png";
  CommandResult run = RunCommand({UNINST_SKINVIEW_PATH, SampleDir(), "12345", "--out", out});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("12345.xml:0: layout resource 12345.xml not found"), std::string::npos)
      << run.err;
  EXPECT_FALSE(PathExists(out));
  run = RunCommand({UNINST_SKINVIEW_PATH, "/nonexistent/skins", "11001", "--out", out});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("is not a folder"), std::string::npos) << run.err;
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{SampleDir()}, {SampleDir(), "abc"}, {SampleDir(), "11001", "--dpi", "0"},
        {SampleDir(), "11001", "--bogus"}})
    EXPECT_EQ(RunCommand([&] {
                std::vector<std::string> argv{UNINST_SKINVIEW_PATH};
                argv.insert(argv.end(), bad.begin(), bad.end());
                return argv;
              }())
                  .exit_code,
              2);
}

}  // namespace
