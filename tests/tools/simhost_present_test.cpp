// simhost screenshot and input against a real program of a machine: the demo
// window of canvasdemo, painted through the window surface.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/image.h"
#include "tests/support/SimTestSupport.h"

// Xlib last: its macros (None, Bool, Status) clash with gtest's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef None
#undef Bool
#undef Status

namespace {

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  for (size_t start = 0; start <= dirs.size();) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return std::string();
}

// An X server of the test's own, ended with SIGTERM so that it removes its
// socket and lock file, pass or fail.
struct XServer {
  ChildProcess process;
  ~XServer() {
    if (process.Running()) {
      process.Kill(15);
      process.Wait();
    }
  }
};

ZImage LoadPng(const std::string& path) {
  std::string bytes = ReadTextFile(path);
  ZImage image;
  image.LoadBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return image;
}

class PresentToolTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    // A program of the machine: it finds its machine from where it lies.
    RunCommand({"/bin/mkdir", "-p", Real("Tools")});
    demo_ = Real("Tools/canvasdemo.exe");
    ASSERT_EQ(RunCommand({"/bin/cp", UNINST_CANVASDEMO_PATH, demo_}).exit_code, 0);
  }

  // Starts the demo window and waits for its first paint; keeps where its
  // client area lies on the screen.
  void StartDemo(ChildProcess* child, const std::vector<std::string>& env = {}) {
    ASSERT_TRUE(child->Start(demo_, {"--window", "--trace"}, env));
    ASSERT_EQ(child->ReadLine(), "painted");
    const std::string place = child->ReadLine();
    ASSERT_EQ(std::sscanf(place.c_str(), "client at %d %d", &client_x_, &client_y_), 2) << place;
  }

  CommandResult Simhost(std::vector<std::string> args) {
    args.insert(args.begin(), kSimhostPath);
    return RunCommand(args);
  }

  std::string Out(const std::string& name) const { return MachineDir() + "/../" + name; }

  std::string demo_;
  int client_x_ = 0, client_y_ = 0;
};

TEST_F(PresentToolTest, ScreenshotHoldsExactlyThePaintedPixels) {
  ChildProcess demo;
  StartDemo(&demo);
  auto shot = Simhost({"screenshot", MachineDir(), "--title", "Canvas demo", Out("shot.png")});
  ASSERT_EQ(shot.exit_code, 0) << shot.err;
  // The scene as canvasdemo saves it without a window: it covers the client area.
  ASSERT_EQ(RunCommand({UNINST_CANVASDEMO_PATH, Out("scene.png")}).exit_code, 0);
  ZImage seen = LoadPng(Out("shot.png"));
  ZImage painted = LoadPng(Out("scene.png"));
  ASSERT_FALSE(painted.Empty());
  ASSERT_EQ(seen.Width(), painted.Width());
  ASSERT_EQ(seen.Height(), painted.Height());
  // Its rounded corners let the white of the unpainted window show through.
  auto over_white = [](uint32_t pixel) {
    uint32_t rest = 255 - (pixel >> 24);
    return pixel + rest * 0x01010101u;
  };
  int differing = 0;
  for (int y = 0; y < seen.Height(); ++y)
    for (int x = 0; x < seen.Width(); ++x)
      differing += seen.PixelAt(x, y) != over_white(painted.PixelAt(x, y));
  EXPECT_EQ(differing, 0);

  // By class too; another title or class is no window.
  EXPECT_EQ(Simhost({"screenshot", MachineDir(), "--class", "CanvasDemoWindow", Out("c.png")}).exit_code, 0);
  EXPECT_NE(Simhost({"screenshot", MachineDir(), "--title", "Canvas", Out("n.png")}).exit_code, 0);
  EXPECT_NE(Simhost({"input", MachineDir(), "--class", "Other", "close"}).exit_code, 0);
}

TEST_F(PresentToolTest, InputReachesTheWindowAsADisplayWouldGiveIt) {
  ChildProcess demo;
  StartDemo(&demo);
  auto click = Simhost({"input", MachineDir(), "--title", "Canvas demo", "click", "37", "52"});
  ASSERT_EQ(click.exit_code, 0) << click.err;
  // Client coordinates, though the window has a caption above them.
  EXPECT_EQ(demo.ReadLine(), "WM_LBUTTONDOWN 37 52");
  EXPECT_EQ(demo.ReadLine(), "WM_LBUTTONUP 37 52");
  ASSERT_EQ(Simhost({"input", MachineDir(), "key", "Escape"}).exit_code, 0);
  EXPECT_EQ(demo.ReadLine(), "WM_KEYDOWN 27");
  EXPECT_NE(Simhost({"input", MachineDir(), "key", "NoSuchKey"}).exit_code, 0);

  ASSERT_EQ(Simhost({"input", MachineDir(), "close"}).exit_code, 0);
  EXPECT_EQ(demo.ReadLine(), "SC_CLOSE");
  EXPECT_EQ(demo.ReadLine(), "WM_CLOSE");
  EXPECT_EQ(demo.Wait(), 0);
  // Destroyed: nothing left to look at.
  EXPECT_NE(Simhost({"screenshot", MachineDir(), Out("gone.png")}).exit_code, 0);
  EXPECT_NE(Simhost({"input", MachineDir(), "click", "1", "1"}).exit_code, 0);
}

TEST_F(PresentToolTest, KilledProgramLeavesNoFrameToTake) {
  EXPECT_NE(Simhost({"screenshot", MachineDir(), Out("none.png")}).exit_code, 0);
  ChildProcess demo;
  StartDemo(&demo);
  demo.Kill(9);
  demo.Wait();
  EXPECT_NE(Simhost({"screenshot", MachineDir(), Out("dead.png")}).exit_code, 0);
  EXPECT_FALSE(PathExists(Out("dead.png")));
  // The dead frame is cleared away by the look.
  auto left = RunCommand({"/bin/ls", MachineDir() + "/run/frames"});
  EXPECT_EQ(left.out, "");
}

// Under an X server of its own: the window appears with its title, shows the
// frame, and a click on it comes back as the window's own message.
TEST_F(PresentToolTest, XWindowShowsTheFrameAndGivesBackClicks) {
  const std::string xvfb = FindProgram("Xvfb");
  const std::string xdotool = FindProgram("xdotool");
  if (xvfb.empty() || xdotool.empty())
    GTEST_SKIP() << "needs Xvfb and xdotool (scripts/setup --wine installs them)";
  XServer server;
  ASSERT_TRUE(server.process.Start(xvfb, {"-displayfd", "1", "-screen", "0", "1024x768x24",
                                          "-nolisten", "tcp"}));
  const std::string number = server.process.ReadLine();
  ASSERT_FALSE(number.empty()) << "Xvfb gave no display";
  const std::string display = "DISPLAY=:" + number;

  ChildProcess demo;
  StartDemo(&demo, {display});
  auto found = RunCommand({xdotool, "search", "--sync", "--name", "^Canvas demo$"}, {display}, 20000);
  ASSERT_EQ(found.exit_code, 0) << found.err;
  const std::string window = found.out.substr(0, found.out.find('\n'));

  // What X shows is the frame a screenshot takes (opaque, so colour for colour).
  ASSERT_EQ(Simhost({"screenshot", MachineDir(), Out("x.png")}).exit_code, 0);
  ZImage frame = LoadPng(Out("x.png"));
  Display* x = XOpenDisplay((":" + number).c_str());
  ASSERT_NE(x, nullptr);
  XImage* image = nullptr;
  for (int attempt = 0; attempt < 100 && !image; ++attempt) {
    image = XGetImage(x, std::stoul(window), 0, 0, 600, 420, AllPlanes, ZPixmap);
    if (image && (XGetPixel(image, 300, 10) & 0xFFFFFF) != (frame.PixelAt(300, 10) & 0xFFFFFF)) {
      XDestroyImage(image);  // not drawn yet
      image = nullptr;
      usleep(50000);
    }
  }
  ASSERT_NE(image, nullptr);
  // Where the window is on the machine's screen (no window manager moves it).
  int root_x = -1, root_y = -1;
  ::Window child_window;
  XTranslateCoordinates(x, std::stoul(window), DefaultRootWindow(x), 0, 0, &root_x, &root_y,
                        &child_window);
  EXPECT_GT(client_x_, 0);
  EXPECT_EQ(root_x, client_x_);
  EXPECT_EQ(root_y, client_y_);
  for (auto [px, py] : {std::pair{300, 10}, {60, 120}, {450, 380}, {599, 419}})
    EXPECT_EQ(XGetPixel(image, px, py) & 0xFFFFFF, frame.PixelAt(px, py) & 0xFFFFFF) << px << "," << py;
  XDestroyImage(image);
  XCloseDisplay(x);

  auto click = RunCommand({xdotool, "mousemove", "--window", window, "33", "44", "click", "1"},
                          {display});
  ASSERT_EQ(click.exit_code, 0) << click.err;
  std::string line;
  do line = demo.ReadLine();
  while (!line.empty() && line.rfind("WM_LBUTTONDOWN", 0) != 0);
  EXPECT_EQ(line, "WM_LBUTTONDOWN 33 44");
  EXPECT_EQ(demo.ReadLine(), "WM_LBUTTONUP 33 44");
  ASSERT_EQ(RunCommand({xdotool, "key", "--window", window, "Escape"}, {display}).exit_code, 0);
  EXPECT_EQ(demo.ReadLine(), "WM_KEYDOWN 27");

  // The close button, as a window manager reports it.
  x = XOpenDisplay((":" + number).c_str());
  ASSERT_NE(x, nullptr);
  XEvent close = {};
  close.xclient.type = ClientMessage;
  close.xclient.window = std::stoul(window);
  close.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
  XSendEvent(x, close.xclient.window, False, NoEventMask, &close);
  XCloseDisplay(x);
  EXPECT_EQ(demo.ReadLine(), "SC_CLOSE");
  EXPECT_EQ(demo.ReadLine(), "WM_CLOSE");
  EXPECT_EQ(demo.Wait(), 0);
}

}  // namespace
