// The interactive uninstall as a person meets it: the real uninstaller started
// without the silent switch inside a machine with the sample product, its
// dialog driven through the input a display gives (simhost input, or xdotool
// on an X server) and read back from its presented frames (simhost
// screenshot). Each page is recognised by holding the frame to skinview's
// drawing of the same layout in that page's state. The frames are kept in
// <build>/ui-renders/run_*.png.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "packet_public/ZText.h"
#include "platform/image.h"
#include "platform/types.h"
#include "platform/window_geometry.h"
#include "platform/window_messages.h"
#include "tests/support/SimTestSupport.h"
#include "tests/support/XServer.h"

namespace {

const char* const kProduct = "Program Files/Sample Product/";
const char* const kProgressText = "正在卸载 (%d%%)";

std::string BuildDir() { return UNINST_BUILD_DIR; }
std::string SkinDir() { return std::string(kSourceDir) + "/resources/sample/res/uninstall"; }

// The windows' title: the sample configuration's "title".
const std::string& Title() {
  static const std::string title = SampleTitle();
  return title;
}


ZImage LoadPicture(const std::string& path) {
  ZImage image;
  const std::string bytes = ReadTextFile(path);
  image.LoadBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return image;
}

// Share of the pixels of rect (clipped to both pictures) that differ by more
// than 16 in some channel; 1 when the pictures do not overlap it.
double Difference(const ZImage& a, const ZImage& b, const RECT& rect) {
  int64_t differing = 0, total = 0;
  for (int y = std::max<int>(rect.top, 0); y < rect.bottom; ++y)
    for (int x = std::max<int>(rect.left, 0); x < rect.right; ++x) {
      if (x >= a.Width() || x >= b.Width() || y >= a.Height() || y >= b.Height()) continue;
      ++total;
      const uint32_t p = a.PixelAt(x, y), q = b.PixelAt(x, y);
      for (int shift = 0; shift < 32; shift += 8) {
        const int d = static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF);
        if (d > 16 || d < -16) {
          ++differing;
          break;
        }
      }
    }
  return total ? static_cast<double>(differing) / static_cast<double>(total) : 1.0;
}

// A page state of the main dialog as skinview draws it.
struct PageState {
  std::string name;
  std::vector<std::string> options;  // skinview --show/--hide/--attr/--text
};

PageState ConfirmationPage() { return {"confirm", {}}; }
PageState ProgressPage(int percent) {
  char text[64];
  std::snprintf(text, sizeof(text), kProgressText, percent);
  return {"progress" + std::to_string(percent),
          {"--hide", "100", "--show", "200", "--attr", "3:skin=mainbg_banner_finish", "--text",
           std::string("201=") + text, "--attr", "206:value=" + std::to_string(percent)}};
}
PageState FinishPage() {
  return {"finish",
          {"--hide", "100", "--hide", "200", "--show", "400", "--attr",
           "3:skin=mainbg_banner_finish"}};
}

class InteractiveRunTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    auto installed = RunCommand({kSimhostPath, "install-sample", MachineDir()});
    ASSERT_EQ(installed.exit_code, 0) << installed.err;
    // The reports go to the reference collector on loopback.
    reports_ = temp_.Path() + "/reports.jsonl";
    ASSERT_TRUE(collector_.Start(UNINST_STATCOLLECTOR_PATH,
                                 {"--listen", "127.0.0.1:0", "--out", reports_, "--reply", "ok"}));
    const std::string line = collector_.ReadLine();
    ASSERT_EQ(line.rfind("listening ", 0), 0u) << line;
    ASSERT_EQ(Simhost({"route", MachineDir(), "--statistics", line.substr(10)}).exit_code, 0);
    RunCommand({"/bin/mkdir", "-p", BuildDir() + "/ui-renders"});
  }
  void TearDown() override {
    for (ChildProcess* child : {&uninstaller_, &collector_})
      if (child->Running()) {
        child->Kill();
        child->Wait();
      }
    MachineTest::TearDown();
  }

  CommandResult Simhost(std::vector<std::string> args) {
    args.insert(args.begin(), kSimhostPath);
    return RunCommand(args);
  }

  // The uninstaller without the silent switch, as a double click starts it.
  void StartUninstaller(const std::vector<std::string>& env = {}) {
    std::vector<std::string> environment{"SIMHOST_MACHINE=" + MachineDir()};
    environment.insert(environment.end(), env.begin(), env.end());
    ASSERT_TRUE(uninstaller_.Start(Real(std::string(kProduct) + "uninst.exe"), {}, environment));
  }
  int WaitForEnd(int timeout_ms = 20000) {
    const int code = uninstaller_.Wait(timeout_ms);
    uninstaller_ = ChildProcess();
    return code;
  }

  // Waits for a presented frame of the window with the title of the given
  // size (0: any); false when the program ended or the time ran out.
  bool WaitForWindow(int width = 0, int height = 0, int timeout_ms = 30000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < until) {
      if (uninstaller_.Pid() > 0 && !uninstaller_.Running()) return false;
      ZImage frame;
      if (Probe(&frame) && (width == 0 || (frame.Width() == width && frame.Height() == height)))
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  // The window's last frame, kept as ui-renders/run_<name>.png.
  bool Shot(const std::string& name, ZImage* frame) {
    return ShotTo(BuildDir() + "/ui-renders/run_" + name + ".png", frame);
  }
  // A frame to wait on, in the test's own folder: tests run side by side,
  // and a picture another test is writing would be read half done.
  bool Probe(ZImage* frame) { return ShotTo(temp_.Path() + "/probe.png", frame); }
  bool ShotTo(const std::string& path, ZImage* frame) {
    if (Simhost({"screenshot", MachineDir(), "--title", Title(), path}).exit_code != 0) return false;
    *frame = LoadPicture(path);
    return !frame->Empty();
  }

  void Input(const std::vector<std::string>& action) {
    std::vector<std::string> argv{"input", MachineDir(), "--title", Title()};
    argv.insert(argv.end(), action.begin(), action.end());
    const CommandResult run = Simhost(argv);
    ASSERT_EQ(run.exit_code, 0) << action[0] << ": " << run.err;
  }
  // Clicks an element's centre, then takes the mouse off every control so
  // that no hover state colours the frames that follow.
  void Click(int layout, int id) {
    const RECT r = Rect(layout, id);
    Input({"click", std::to_string((r.left + r.right) / 2), std::to_string((r.top + r.bottom) / 2)});
    // The click may have ended the window already.
    Simhost({"input", MachineDir(), "--title", Title(), "move", "1", "1"});
  }

  // Element rectangles of a layout of the sample set at the machine's DPI,
  // as skinview lays them out (the first element of each id).
  RECT Rect(int layout, int id) {
    auto& rects = rects_[layout];
    if (rects.empty()) {
      std::vector<std::string> args{SkinDir(), std::to_string(layout), "--elements", "--out",
                                    temp_.Path() + "/layout.png"};
      if (dpi_) args.insert(args.end(), {"--dpi", std::to_string(dpi_)});
      args.insert(args.begin(), UNINST_SKINVIEW_PATH);
      const CommandResult run = RunCommand(args);
      EXPECT_EQ(run.exit_code, 0) << run.err;
      static const std::regex kLine(R"(\{"id": (-?\d+), "tag": "[^"]*", "rect": \[(-?\d+), (-?\d+), (-?\d+), (-?\d+)\])");
      for (std::sregex_iterator it(run.out.begin(), run.out.end(), kLine), end; it != end; ++it) {
        const int element = std::stoi((*it)[1]);
        if (element == 0 || rects.count(element)) continue;
        rects[element] = RECT{std::stoi((*it)[2]), std::stoi((*it)[3]), std::stoi((*it)[4]),
                              std::stoi((*it)[5])};
      }
    }
    auto found = rects.find(id);
    EXPECT_NE(found, rects.end()) << "layout " << layout << " has no element " << id;
    return found == rects.end() ? RECT{} : found->second;
  }

  // skinview's drawing of the main dialog in a page state, made in the
  // test's own folder (another test may be drawing the same page).
  ZImage Expected(const PageState& page) {
    const std::string path = temp_.Path() + "/expected_" + page.name +
                             (dpi_ ? "_" + std::to_string(dpi_) : "") + ".png";
    std::vector<std::string> args{UNINST_SKINVIEW_PATH, SkinDir(), "11001", "--out", path};
    if (dpi_) args.insert(args.end(), {"--dpi", std::to_string(dpi_)});
    args.insert(args.end(), page.options.begin(), page.options.end());
    const CommandResult run = RunCommand(args);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return LoadPicture(path);
  }

  // The dialog's frame shows the page when the given elements look as
  // skinview draws them there (the window's own border aside).
  bool Shows(const ZImage& frame, const ZImage& expected, const std::vector<int>& ids) {
    if (frame.Width() != expected.Width() || frame.Height() != expected.Height()) return false;
    for (int id : ids)
      if (Difference(frame, expected, Rect(11001, id)) > 0.03) return false;
    return true;
  }

  // Waits until the frames show the page; the last frame is kept as name.
  bool WaitForPage(const PageState& page, const std::vector<int>& ids, int timeout_ms,
                   const std::string& name) {
    const ZImage expected = Expected(page);
    if (expected.Empty()) {
      ADD_FAILURE() << "skinview drew no " << page.name << " page";
      return false;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    ZImage frame;
    while (std::chrono::steady_clock::now() < until) {
      if (Shot(name, &frame) && Shows(frame, expected, ids)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    return false;
  }

  std::vector<std::string> Reports() const { return ReadTextLines(reports_); }
  static std::string Event(const std::string& json) {
    return JsonField(json, "event", "result") + "," + JsonField(json, "event", "kind");
  }

  std::string LogPath() const { return Real(std::string(kProduct) + "log/uninst.exe.log"); }
  bool ProductRemoved() { return !PathExists(Real(std::string(kProduct) + "SampleCore.dll")); }
  std::string TempCopy() const { return Real("Users/User/AppData/Local/Temp/SampleProductUninstall"); }

  // The time the removal takes: the product's service stops this slowly.
  void SlowService(int milliseconds) {
    ASSERT_EQ(Simhost({"svc", MachineDir(), "set", "SampleProductService", "--stop-ms",
                       std::to_string(milliseconds)}).exit_code, 0);
  }

  TempDir temp_;
  ChildProcess collector_;
  ChildProcess uninstaller_;
  std::string reports_;
  int dpi_ = 0;
  std::map<int, std::map<int, RECT>> rects_;
};

// Confirmation, start, 99 % held while the service takes its time, the
// finish page, its button: everything removed, the skin copy gone, one
// finished report.
TEST_F(InteractiveRunTest, AWholeRunThroughTheDialog) {
  SlowService(6000);
  StartUninstaller();
  ASSERT_TRUE(WaitForWindow());
  ASSERT_TRUE(WaitForPage(ConfirmationPage(), {3, 101, 104}, 10000, "confirm_96"));
  EXPECT_TRUE(PathExists(TempCopy() + "/uninstall/11001.xml"));
  EXPECT_FALSE(ProductRemoved()) << "nothing goes before the start";

  Click(11001, 101);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitForPage(ProgressPage(99), {3, 201, 206}, 5000, "progress_96"))
      << "the progress is held at 99 % while the removal runs";
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  // Held there, not run on to 100 %.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ZImage frame;
  ASSERT_TRUE(Shot("progress_held", &frame));
  EXPECT_TRUE(Shows(frame, Expected(ProgressPage(99)), {201, 206}));
  EXPECT_TRUE(Reports().empty());

  ASSERT_TRUE(WaitForPage(FinishPage(), {3, 401}, 60000, "finish_96"));
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::seconds(6));
  EXPECT_TRUE(ProductRemoved());
  EXPECT_TRUE(PathExists(TempCopy())) << "the copy goes with the window";

  Click(11001, 401);
  EXPECT_EQ(WaitForEnd(), 0);
  EXPECT_FALSE(PathExists(TempCopy()));
  const auto reports = Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(Event(reports[0]), "1,1");
}

// Alt+F4 while the removal runs: the closed report goes at once, the
// dialog ends, and the program does not wait for the removal past its bound.
TEST_F(InteractiveRunTest, ClosingDuringTheRunReportsItAndEnds) {
  SlowService(25000);
  StartUninstaller();
  ASSERT_TRUE(WaitForWindow());
  ASSERT_TRUE(WaitForPage(ConfirmationPage(), {101}, 10000, "close_confirm"));
  Click(11001, 101);
  ASSERT_TRUE(WaitForPage(ProgressPage(99), {201}, 5000, "close_progress"));
  const auto closed = std::chrono::steady_clock::now();
  Input({"key", "Alt+F4"});
  EXPECT_EQ(WaitForEnd(30000), 0);
  const auto waited = std::chrono::steady_clock::now() - closed;
  EXPECT_LT(waited, std::chrono::seconds(15)) << "five seconds for the worker, then it is ended";
  const auto reports = Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(Event(reports[0]), "0,2");
  EXPECT_TRUE(PathExists(TempCopy())) << "an unfinished run keeps its skin copy";
}

// WM_CLOSE from another program only minimises the dialog; the system
// close (the taskbar's) ends it with the closed report.
TEST_F(InteractiveRunTest, WmCloseMinimisesAndTheSystemCloseEnds) {
  StartUninstaller();
  ASSERT_TRUE(WaitForWindow());
  HWND window = FindWindowW(nullptr, Utf8ToUtf16(Title()).c_str());
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsIconic(window));
  ASSERT_TRUE(PostMessageW(window, WM_CLOSE, 0, 0));
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!IsIconic(window) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(IsIconic(window));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(uninstaller_.Running());
  EXPECT_TRUE(Reports().empty());

  // The taskbar's close of a minimised window.
  ASSERT_TRUE(PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0));
  EXPECT_EQ(WaitForEnd(), 0);
  const auto reports = Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(Event(reports[0]), "0,2");
  EXPECT_FALSE(ProductRemoved());
}

// The keyboard alone: Enter starts (the confirmation page's default
// button), Enter on the finish page ends; Esc on the confirmation page is
// the close request.
TEST_F(InteractiveRunTest, EnterAndEscDriveTheDialog) {
  StartUninstaller();
  ASSERT_TRUE(WaitForWindow());
  ASSERT_TRUE(WaitForPage(ConfirmationPage(), {101}, 10000, "keys_confirm"));
  Input({"key", "Return"});
  ASSERT_TRUE(WaitForPage(FinishPage(), {401}, 60000, "keys_finish"));
  Input({"key", "Return"});
  EXPECT_EQ(WaitForEnd(), 0);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Event(Reports()[0]), "1,1");
  EXPECT_TRUE(ProductRemoved());
}

TEST_F(InteractiveRunTest, EscOnTheConfirmationPageRemovesNothing) {
  StartUninstaller();
  ASSERT_TRUE(WaitForWindow());
  ASSERT_TRUE(WaitForPage(ConfirmationPage(), {101}, 10000, "esc_confirm"));
  Input({"key", "Escape"});
  EXPECT_EQ(WaitForEnd(), 0);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Event(Reports()[0]), "0,2");
  EXPECT_FALSE(ProductRemoved());
}

// The product running: the tips box comes first. Its second button ends
// the run with nothing removed, nothing reported and nothing asked of the
// product; its first button asks the product to close and goes on.
TEST_F(InteractiveRunTest, TheTipsBoxStopsOrGoesOn) {
  std::string app = InstallHelper(u"C:\\Tools", "app.exe");
  ChildProcess product;
  ASSERT_TRUE(StartInMachine(&product, app, {"window", "SampleProductMainWindow", "Sample Product"}));
  ASSERT_EQ(product.ReadLine(), "ready");
  // The box's size, from its own layout.
  const ZImage box_drawing = [&] {
    const std::string path = temp_.Path() + "/box.png";
    EXPECT_EQ(RunCommand({UNINST_SKINVIEW_PATH, SkinDir(), "11004", "--out", path}).exit_code, 0);
    return LoadPicture(path);
  }();
  ASSERT_FALSE(box_drawing.Empty());

  StartUninstaller();
  ASSERT_TRUE(WaitForWindow(box_drawing.Width(), box_drawing.Height()));
  ZImage frame;
  ASSERT_TRUE(Shot("tips_96", &frame));
  Click(11004, 110);
  EXPECT_EQ(WaitForEnd(), 0);
  EXPECT_EQ(product.ReadLine(500), "") << "no close request";
  EXPECT_TRUE(Reports().empty());
  EXPECT_FALSE(ProductRemoved());

  StartUninstaller();
  ASSERT_TRUE(WaitForWindow(box_drawing.Width(), box_drawing.Height()));
  Click(11004, 108);
  EXPECT_EQ(product.ReadLine(), "1138 0 0");  // 0x0472, both parameters 0
  ASSERT_TRUE(WaitForPage(ConfirmationPage(), {101}, 10000, "tips_then_confirm"));
  Click(11001, 104);
  EXPECT_EQ(WaitForEnd(), 0);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Event(Reports()[0]), "0,2");
  EXPECT_FALSE(ProductRemoved());
}

// At 144 DPI the dialog is drawn half as large again, page by page.
TEST_F(InteractiveRunTest, TheRunAt144Dpi) {
  dpi_ = 144;
  ASSERT_EQ(Simhost({"fact", MachineDir(), "dpi", "144"}).exit_code, 0);
  SlowService(3000);
  StartUninstaller();
  ASSERT_TRUE(WaitForWindow());
  ASSERT_TRUE(WaitForPage(ConfirmationPage(), {3, 101, 104}, 10000, "confirm_144"));
  Click(11001, 101);
  ASSERT_TRUE(WaitForPage(ProgressPage(99), {201, 206}, 5000, "progress_144"));
  ASSERT_TRUE(WaitForPage(FinishPage(), {3, 401}, 60000, "finish_144"));
  Click(11001, 401);
  EXPECT_EQ(WaitForEnd(), 0);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Event(Reports()[0]), "1,1");
}

// Bad skin sets (the flow suite has the missing main layout).
// Without the message box's layout the question cannot be asked: the run
// stops as if the user had said no.
TEST_F(InteractiveRunTest, AMissingMessageBoxLayoutStopsTheRun) {
  std::string app = InstallHelper(u"C:\\Tools", "app.exe");
  ChildProcess product;
  ASSERT_TRUE(StartInMachine(&product, app, {"window", "SampleProductMainWindow", "Sample Product"}));
  ASSERT_EQ(product.ReadLine(), "ready");
  ASSERT_EQ(unlink(Real(std::string(kProduct) + "res/uninstall/11004.xml").c_str()), 0);
  StartUninstaller();
  EXPECT_EQ(WaitForEnd(), 0);
  EXPECT_EQ(product.ReadLine(500), "");
  EXPECT_FALSE(ProductRemoved());
  EXPECT_TRUE(Reports().empty());
  EXPECT_NE(ReadTextFile(LogPath()).find("11004"), std::string::npos) << ReadTextFile(LogPath());
}

// A layout without the banner, the progress text and the bar, and pictures
// that do not decode: those operations do nothing, and the run goes through.
TEST_F(InteractiveRunTest, MissingElementsAndBrokenPicturesDoNotStopTheRun) {
  const std::string folder = Real(std::string(kProduct) + "res/uninstall/");
  std::string layout = ReadTextFile(folder + "11001.xml");
  for (const char* id : {"3", "201", "206"}) {
    const std::string attribute = std::string("\\bid=\"") + id + "\"";
    layout = std::regex_replace(layout, std::regex("<(\\w+)[^<>]*" + attribute + "[^<>]*/>"), "");
    layout = std::regex_replace(
        layout, std::regex("<(\\w+)[^<>]*" + attribute + "[^<>]*>[^<]*</\\1>"), "");
    EXPECT_EQ(layout.find(std::string("id=\"") + id + "\""), std::string::npos) << id;
  }
  ASSERT_TRUE(WriteTextFile(folder + "11001.xml", layout));
  for (const char* picture : {"banner.png", "banner_finish.png", "banner_error.png"})
    if (PathExists(folder + picture)) {
      ASSERT_TRUE(WriteTextFile(folder + picture, "not a picture"));
    }
  StartUninstaller();
  ASSERT_TRUE(WaitForWindow());
  Input({"key", "Return"});
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!ProductRemoved() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(ProductRemoved());
  // The finish page follows within a few ticks; its button is then the default.
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  Input({"key", "Return"});
  EXPECT_EQ(WaitForEnd(), 0);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Event(Reports()[0]), "1,1");
}

// The real X window under Xvfb, clicked by xdotool from start to finish.
TEST_F(InteractiveRunTest, XClicksRunTheWholeUninstall) {
  const std::string xdotool = FindProgram("xdotool");
  XvfbServer server;
  if (xdotool.empty() || FindProgram("Xvfb").empty())
    GTEST_SKIP() << "needs Xvfb and xdotool (scripts/setup)";
  ASSERT_TRUE(server.Start()) << "Xvfb gave no display";
  const std::string display = server.DisplayVariable();
  StartUninstaller({display});
  const CommandResult found = RunCommand(
      {xdotool, "search", "--sync", "--name", "^" + Title() + "$"}, {display}, 30000);
  ASSERT_EQ(found.exit_code, 0) << found.err;
  const std::string window = found.out.substr(0, found.out.find('\n'));
  ASSERT_TRUE(WaitForPage(ConfirmationPage(), {101}, 10000, "x_confirm"));
  auto x_click = [&](int id) {
    const RECT r = Rect(11001, id);
    const CommandResult click = RunCommand(
        {xdotool, "mousemove", "--window", window, std::to_string((r.left + r.right) / 2),
         std::to_string((r.top + r.bottom) / 2), "click", "1"},
        {display});
    ASSERT_EQ(click.exit_code, 0) << click.err;
    // Off the buttons, unless the click ended the window.
    RunCommand({xdotool, "mousemove", "--window", window, "1", "1"}, {display});
  };
  x_click(101);
  ASSERT_TRUE(WaitForPage(FinishPage(), {401}, 60000, "x_finish"));
  x_click(401);
  EXPECT_EQ(WaitForEnd(), 0);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Event(Reports()[0]), "1,1");
  EXPECT_TRUE(ProductRemoved());
  EXPECT_FALSE(PathExists(TempCopy()));
}

}  // namespace
