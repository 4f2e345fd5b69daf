// Every page of the sample skin set as the program shows it (confirmation,
// progress at 40 %, finish, failure, and the message box with two buttons
// and its check box), drawn by skinview at 96 and 144 DPI into the build
// folder's ui-renders/ for a look, and held to what a person needs of them:
// nothing outside the window or its page, buttons apart, the banner's
// colour telling the state, the failure page hidden until it is the only
// one. In this process: the pages take the mouse and the Enter key from the
// failure page lying under them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "platform/image.h"
#include "tests/ui/dialog/dialog_test_support.h"
#include "ui/dialog/CVuDialogView.h"
#include "ui/dialog/VuFramework.h"
#include "ui/element/CVuContainerWnd.h"
#include "ui/element/CVuWindow.h"

namespace {

struct Rgb {
  int r, g, b;
};

struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  Rgb At(int x, int y) const {
    const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
    return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
  }
  template <typename Test>
  int Count(const ZRect& r, Test test) const {
    int n = 0;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, height); ++y)
      for (int x = std::max(r.left, 0); x < std::min(r.right, width); ++x) n += test(At(x, y));
    return n;
  }
  Rgb Mean(const ZRect& r) const {
    long sum[3] = {0, 0, 0}, n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x, ++n) {
        const Rgb p = At(x, y);
        sum[0] += p.r, sum[1] += p.g, sum[2] += p.b;
      }
    return n ? Rgb{static_cast<int>(sum[0] / n), static_cast<int>(sum[1] / n), static_cast<int>(sum[2] / n)}
             : Rgb{0, 0, 0};
  }
};

bool Dark(const Rgb& p) { return p.r < 140 && p.g < 140 && p.b < 140; }
bool Light(const Rgb& p) { return p.r > 200 && p.g > 200 && p.b > 200; }
bool Blue(const Rgb& p) { return p.b > p.r + 60 && p.b > 150; }
bool Red(const Rgb& p) { return p.r > p.g + 80 && p.r > p.b + 80; }

bool LoadPng(const std::string& path, ZImage* image) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return image->LoadBytes(bytes.data(), bytes.size());
}

bool LoadPicture(const std::string& path, Picture* out) {
  ZImage image;
  if (!LoadPng(path, &image)) return false;
  out->width = image.Width();
  out->height = image.Height();
  out->pixels.assign(image.Pixels(), image.Pixels() + static_cast<size_t>(out->width) * out->height);
  return true;
}

bool Inside(const ZRect& inner, const ZRect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

bool Overlap(const ZRect& a, const ZRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

std::string Show(const ZRect& r) {
  return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + "]";
}

// One line of skinview --elements, in tree order.
struct Element {
  int id = 0;
  std::string tag;
  ZRect rect;
  bool visible = false;
};

std::vector<Element> ParseElements(const std::string& lines) {
  std::vector<Element> out;
  std::istringstream in(lines);
  std::string line;
  while (std::getline(in, line)) {
    Element e;
    char tag[32] = {};
    if (std::sscanf(line.c_str(), "{\"id\": %d, \"tag\": \"%31[^\"]\", \"rect\": [%d, %d, %d, %d]", &e.id, tag,
                    &e.rect.left, &e.rect.top, &e.rect.right, &e.rect.bottom) != 6)
      continue;
    e.tag = tag;
    e.visible = line.find("\"visible\": true") != std::string::npos;
    out.push_back(e);
  }
  return out;
}

bool IsButton(const std::string& tag) {
  return tag == "button" || tag == "skinbtn" || tag == "dlgbtn" || tag == "check";
}

std::string SampleDir() { return std::string(kSourceDir) + "/resources/sample"; }

std::string RenderDir() {
  const std::string dir = std::string(UNINST_BUILD_DIR) + "/ui-renders";
  RunCommand({"/bin/mkdir", "-p", dir});
  return dir;
}

// A page drawn by skinview, with its elements.
struct Screen {
  Picture picture;
  std::vector<Element> elements;
  double scale = 1.0;
  int S(int units) const { return static_cast<int>(units * scale); }
  // The first element of id, as the program finds it.
  const Element* First(int id) const {
    for (const Element& e : elements)
      if (e.id == id) return &e;
    return nullptr;
  }
  // The body's own close button: the last element of id 1.
  // The failure page's close button: the last 104 (the first is cancel).
  const Element* FailureClose() const {
    for (auto e = elements.rbegin(); e != elements.rend(); ++e)
      if (e->id == 104) return &*e;
    return nullptr;
  }
};

const char* const kLongQuestion =
    "Sample Product 正在运行，需要先关闭它才能继续卸载。是否立即关闭 Sample Product "
    "并继续卸载？未保存的数据可能会丢失，请先保存您的工作。";

class SampleSkinScreens : public ::testing::TestWithParam<int> {
 protected:
  // Draws layout with the edits into ui-renders/NAME_DPI.png.
  void Draw(const std::string& name, int layout, const std::vector<std::string>& edits, Screen* screen) {
    const int dpi = GetParam();
    const std::string out = RenderDir() + "/" + name + "_" + std::to_string(dpi) + ".png";
    std::vector<std::string> argv{UNINST_SKINVIEW_PATH, SampleDir() + "/res/uninstall", std::to_string(layout),
                                  "--dpi", std::to_string(dpi), "--out", out, "--elements"};
    argv.insert(argv.end(), edits.begin(), edits.end());
    const CommandResult run = RunCommand(argv, {}, 120000);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(ProblemLines(run.err), "") << name;
    ASSERT_TRUE(LoadPicture(out, &screen->picture)) << out;
    screen->elements = ParseElements(run.out);
    screen->scale = dpi / 96.0 >= 1.5 ? 1.5 : dpi / 96.0 >= 1.2 ? 1.2 : 1.0;
  }

  // What every page owes its reader: the window's size, every visible
  // element inside the window and inside the page that holds it, no text
  // cut at its rectangle's right edge, and the visible buttons apart.
  void ExpectTidy(const std::string& name, const Screen& screen, int width, int height) {
    ASSERT_EQ(screen.picture.width, screen.S(width)) << name;
    ASSERT_EQ(screen.picture.height, screen.S(height)) << name;
    const ZRect window{0, 0, screen.picture.width, screen.picture.height};
    const Element* page = nullptr;
    std::vector<const Element*> buttons;
    for (const Element& e : screen.elements) {
      if (e.id == 100 || e.id == 200 || e.id == 300 || e.id == 400) page = e.tag == "dlg" ? &e : page;
      if (!e.visible) continue;
      EXPECT_TRUE(Inside(e.rect, window)) << name << ": element " << e.id << " " << e.tag << Show(e.rect);
      if (page && &e != page) {
        EXPECT_TRUE(Inside(e.rect, page->rect)) << name << ": element " << e.id << " of page " << page->id;
      }
      if (e.tag == "text") {
        // Ink in the last column, against the background above it, is a text
        // cut short (the rows at the ends may be the window's border).
        int ink = 0;
        const int x = e.rect.right - 1;
        const Rgb above = screen.picture.At(x, e.rect.top + 2);
        for (int y = e.rect.top + 2; y < e.rect.bottom - 2; ++y) {
          const Rgb p = screen.picture.At(x, y);
          ink += std::abs(p.r - above.r) + std::abs(p.g - above.g) + std::abs(p.b - above.b) > 90;
        }
        EXPECT_EQ(ink, 0) << name << ": text " << e.id << Show(e.rect) << " reaches its right edge";
      }
      if (IsButton(e.tag)) buttons.push_back(&e);
    }
    for (size_t i = 0; i < buttons.size(); ++i)
      for (size_t j = i + 1; j < buttons.size(); ++j)
        EXPECT_FALSE(Overlap(buttons[i]->rect, buttons[j]->rect))
            << name << ": buttons " << buttons[i]->id << " and " << buttons[j]->id;
  }
};

TEST_P(SampleSkinScreens, MainDialogPages) {
  Screen confirm, progress, finish, failure;
  Draw("main_confirm", 11001, {}, &confirm);
  Draw("main_progress", 11001,
       {"--hide", "100", "--show", "200", "--attr", "3:skin=mainbg_banner_finish", "--text",
        "201=正在卸载 (40%)", "--attr", "206:value=40"},
       &progress);
  Draw("main_finish", 11001,
       {"--attr", "3:skin=mainbg_banner_finish", "--hide", "100", "--hide", "200", "--show", "400"}, &finish);
  Draw("main_error", 11001,
       {"--attr", "3:skin=mainbg_error", "--hide", "100", "--hide", "200", "--show", "300"}, &failure);
  if (HasFatalFailure()) return;
  ExpectTidy("confirm", confirm, 540, 380);
  ExpectTidy("progress", progress, 540, 380);
  ExpectTidy("finish", finish, 540, 380);
  ExpectTidy("failure", failure, 540, 380);

  // The banner's colour tells the state: blue, green, green, red.
  const ZRect band{confirm.S(200), confirm.S(92), confirm.S(380), confirm.S(118)};
  const Rgb start = confirm.picture.Mean(band), going = progress.picture.Mean(band),
            done = finish.picture.Mean(band), failed = failure.picture.Mean(band);
  EXPECT_TRUE(start.b > start.r + 60 && start.b > start.g) << start.r << "," << start.g << "," << start.b;
  EXPECT_TRUE(going.g > going.r + 60 && going.g > going.b) << going.r << "," << going.g << "," << going.b;
  EXPECT_TRUE(done.g > done.r + 60 && done.g > done.b);
  EXPECT_TRUE(failed.r > failed.g + 60 && failed.r > failed.b + 60) << failed.r << "," << failed.g;

  // At 144 DPI the banner is the drawing made for 1.5, not the 1.0 one scaled.
  if (GetParam() == 144) {
    ZImage drawn;
    ASSERT_TRUE(LoadPng(SampleDir() + "/ressrc/chs/dpiimg/1.5/uninstall/3001_1.5.png", &drawn));
    ASSERT_EQ(drawn.Width(), confirm.picture.width);
    int differing = 0;
    for (int y = 132; y < 180; y += 3)
      for (int x = 3; x < drawn.Width() - 3; x += 3) {  // inside the window's border
        const uint32_t a = drawn.PixelAt(x, y), b = confirm.picture.pixels[static_cast<size_t>(y) * drawn.Width() + x];
        for (int shift : {0, 8, 16}) differing += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 3;
      }
    EXPECT_EQ(differing, 0);
  }

  // Confirmation: a light cancel button.
  const Element* cancel = confirm.First(104);
  ASSERT_NE(cancel, nullptr);
  EXPECT_TRUE(Light(confirm.picture.At(cancel->rect.left + 4, (cancel->rect.top + cancel->rect.bottom) / 2)));
  EXPECT_GT(confirm.picture.Count(cancel->rect, Dark), 20) << "the cancel label";
  EXPECT_EQ(confirm.picture.Count(cancel->rect, Blue), 0);

  // Progress: the text, and the bar filled to 40 % of its width.
  const Element* text = progress.First(201);
  const Element* bar = progress.First(206);
  ASSERT_TRUE(text && bar && text->visible && bar->visible);
  EXPECT_GT(progress.picture.Count(text->rect, Blue), 30) << "the progress text";
  const int mid = (bar->rect.top + bar->rect.bottom) / 2, span = bar->rect.right - bar->rect.left;
  EXPECT_TRUE(Blue(progress.picture.At(bar->rect.left + span * 30 / 100, mid)));
  EXPECT_TRUE(Light(progress.picture.At(bar->rect.left + span * 50 / 100, mid)));

  // Finish: its close button, blue with a light label.
  const Element* close = finish.First(401);
  ASSERT_TRUE(close && close->visible);
  EXPECT_GT(finish.picture.Count(close->rect, Blue), close->rect.Width() * close->rect.Height() / 2);

  // Failure: the red heading and its blue close button.
  const Element* body_close = failure.FailureClose();
  ASSERT_TRUE(body_close && body_close->visible);
  EXPECT_GT(failure.picture.Count(body_close->rect, Blue), body_close->rect.Width() * body_close->rect.Height() / 2);
  EXPECT_GT(failure.picture.Count(body_close->rect, Light), 20) << "its label";
  EXPECT_GT(failure.picture.Count({failure.S(96), failure.S(144), failure.S(300), failure.S(168)}, Red), 40)
      << "the failure heading";
  EXPECT_EQ(confirm.picture.Count({confirm.S(96), confirm.S(144), confirm.S(300), confirm.S(168)}, Red), 0)
      << "no failure text through the confirmation page";
}

TEST_P(SampleSkinScreens, MessageBoxWrapsALongQuestion) {
  Screen box;
  Draw("msgbox", 11004, {"--text", std::string("103=") + kLongQuestion, "--show", "108", "--show", "110",
                         "--show", "105"},
       &box);
  if (HasFatalFailure()) return;
  ExpectTidy("msgbox", box, 420, 210);
  const Element* text = box.First(103);
  const Element* check = box.First(105);
  const Element* yes = box.First(108);
  ASSERT_TRUE(text && check && yes);
  for (int id : {108, 110}) EXPECT_FALSE(Overlap(check->rect, box.First(id)->rect)) << id;
  // The question wraps into lines that stay within its rectangle.
  int lines = 0;
  bool in_line = false;
  for (int y = text->rect.top; y < text->rect.bottom; ++y) {
    const bool dark = box.picture.Count({text->rect.left, y, text->rect.right, y + 1}, Dark) > 0;
    lines += dark && !in_line;
    in_line = dark;
  }
  EXPECT_GE(lines, 3);
  EXPECT_EQ(box.picture.Count({1, text->rect.bottom, box.picture.width - 1, yes->rect.top - 1}, Dark), 0)
      << "nothing of it below its rectangle";
  EXPECT_GT(box.picture.Count(check->rect, Dark), 10) << "the check box's text";
}

INSTANTIATE_TEST_SUITE_P(Dpi, SampleSkinScreens, ::testing::Values(96, 144),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

// The main dialog in this process, changed as the program changes it
// (no new layout in between).
class SampleSkinPagesInput : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    CopySampleSet();
    VuFramework::Initialize(kPrimary);
  }
  static ZRect Centre(const CVuWindow* e) {
    const ZRect& r = e->GetRect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2, 0, 0};
  }
  // Every visible control but skip answers the mouse at its centre (no
  // picture or text drawn beside it takes the click).
  static void ExpectControlsAnswer(CVuDialogView* view, const CVuWindow* skip, const std::string& state) {
    std::vector<CVuWindow*> controls;
    std::function<void(CVuWindow*)> walk = [&](CVuWindow* e) {
      if (!e || !e->IsVisible(true)) return;
      const std::string tag = e->GetTag() ? e->GetTag() : "";
      if (tag == "button" || tag == "skinbtn" || tag == "dlgbtn" || tag == "check") {
        if (e != skip) controls.push_back(e);
        return;
      }
      if (auto* container = dynamic_cast<CVuContainerWnd*>(e))
        for (const auto& child : container->Children()) walk(child.get());
    };
    for (CVuDialog* section : {view->Layout().Header(), view->Layout().Body(), view->Layout().Footer()})
      walk(section);
    EXPECT_FALSE(controls.empty()) << state;
    for (CVuWindow* control : controls) {
      const ZRect c = Centre(control);
      EXPECT_EQ(view->Layout().HitTest(c.left, c.top), control->GetHandle())
          << state << ": element " << control->GetId() << " " << control->GetTag();
    }
  }
};

// Each page answers Enter and the mouse with its own buttons, and Tab stops
// only on what is shown: a hidden page's buttons take nothing.
TEST_F(SampleSkinPagesInput, EachPageTakesTheMouseAndEnter) {
  CVuDialogView view(11001);
  ASSERT_TRUE(view.LoadLayout());
  view.LayoutView(540, 380);
  // The program's ids find the header's caption buttons first.
  EXPECT_EQ(view.FindItem(1)->GetRect().top, 4);
  EXPECT_EQ(view.FindItem(2)->GetRect().top, 4);
  CVuWindow* failure_close = nullptr;
  for (const auto& child : dynamic_cast<CVuContainerWnd*>(view.FindItem(300))->Children())
    if (child->GetId() == 104) failure_close = child.get();
  ASSERT_NE(failure_close, nullptr);
  const ZRect spot = Centre(failure_close);
  auto hit = [&] { return view.Layout().HitTest(spot.left, spot.top); };

  // Confirmation: Enter starts, the mouse meets the cancel button.
  ExpectControlsAnswer(&view, nullptr, "confirmation");
  ASSERT_NE(view.FindDefaultButton(), nullptr);
  EXPECT_EQ(view.FindDefaultButton()->GetId(), 101);
  EXPECT_EQ(hit(), view.FindItem(104)->GetHandle());

  // Progress: Enter and the mouse find the page's minimise button.
  view.SetItemVisible(100, false);
  view.SetItemVisible(200, true);
  view.SetItemAttribute(3, "skin", "mainbg_banner_finish");
  CVuWindow* minimise = view.FindDefaultButton();
  ASSERT_NE(minimise, nullptr);
  EXPECT_EQ(minimise->GetId(), 2);
  EXPECT_NE(minimise, view.FindItem(2)) << "the body's, not the caption's";
  EXPECT_EQ(hit(), minimise->GetHandle());
  ExpectControlsAnswer(&view, nullptr, "progress");
  // Tab visits only what is shown: the caption buttons and the page's own.
  std::set<VUHANDLE> stops;
  for (int i = 0; i < 6; ++i) {
    ASSERT_TRUE(view.MoveFocus(false));
    stops.insert(view.GetFocusElement());
  }
  EXPECT_EQ(stops, (std::set<VUHANDLE>{view.FindItem(1)->GetHandle(), view.FindItem(2)->GetHandle(),
                                        minimise->GetHandle()}));
  EXPECT_TRUE(Inside(view.FindItem(206)->GetRect(), view.FindItem(200)->GetRect()));

  // Finish.
  view.SetItemVisible(200, false);
  view.SetItemVisible(400, true);
  ASSERT_NE(view.FindDefaultButton(), nullptr);
  EXPECT_EQ(view.FindDefaultButton()->GetId(), 401);
  EXPECT_EQ(hit(), view.FindItem(401)->GetHandle());
  ExpectControlsAnswer(&view, nullptr, "finish");

  // Failure: the page the program shows with the red banner; its close
  // button answers both.
  view.SetItemVisible(400, false);
  view.SetItemVisible(300, true);
  view.SetItemAttribute(3, "skin", "mainbg_error");
  EXPECT_EQ(view.FindDefaultButton(), failure_close);
  EXPECT_EQ(hit(), failure_close->GetHandle());
  ExpectControlsAnswer(&view, nullptr, "failure");
  EXPECT_EQ(Problems(), "");
}

TEST_F(SampleSkinPagesInput, MessageBoxControlsAnswerTheMouse) {
  for (const std::vector<int>& shown : {std::vector<int>{105, 108, 110}, std::vector<int>{106, 107}}) {
    CVuDialogView view(11004);
    ASSERT_TRUE(view.LoadLayout());
    for (int id : shown) view.SetItemVisible(id, true);
    view.LayoutView(420, 210);
    ExpectControlsAnswer(&view, nullptr, "buttons " + std::to_string(shown.back()));
  }
  EXPECT_EQ(Problems(), "");
}

}  // namespace
