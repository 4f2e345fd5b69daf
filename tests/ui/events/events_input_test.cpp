// Dialog views driven by real window input on the simulated host: skinview
// runs a dialog and prints each notification, simhost gives its window the
// mouse and keys a person would.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/sim/files/SimShellLog.h"
#include "tests/support/XServer.h"
#include "tests/ui/dialog/dialog_test_support.h"

namespace {

// Body elements lie 30 pixels down (the header's height).
constexpr const char* kLayout =
    "<layer title=\"events\" width=\"300\" height=\"200\" noborder=\"1\">"
    "<header height=\"30\"><text id=\"9\" pos=\"4,4,60,26\">title</text>"
    "<button id=\"8\" pos=\"-40,4,-4,26\">x</button></header>"
    "<body><button id=\"10\" pos=\"10,10,90,40\">one</button>"
    "<button id=\"11\" pos=\"100,10,180,40\">two</button>"
    "<button id=\"12\" pos=\"190,10,270,40\">off</button>"
    "<button id=\"13\" href=\"https://example.invalid/help\" pos=\"10,50,90,80\">help</button>"
    "<button id=\"0\" pos=\"100,50,180,80\">zero</button>"
    "<button id=\"1\" pos=\"10,100,90,130\">OK</button>"
    "<button id=\"2\" pos=\"100,100,180,130\">Cancel</button>"
    "<text id=\"99\" pos=\"200,100,290,130\">here</text>"
    "<button id=\"14\" href=\"C:\\Tools\\simproc.exe\" pos=\"190,50,270,80\">run</button>"
    "</body></layer>";

// No element 2, and the window does not move.
constexpr const char* kFixedLayout =
    "<layer title=\"events\" width=\"200\" height=\"100\" noborder=\"1\" nomove=\"1\">"
    "<header height=\"30\"/><body><button id=\"5\" pos=\"10,10,90,40\">five</button>"
    "<text id=\"99\" pos=\"100,10,190,40\">here</text></body></layer>";

// Two radio boxes of one group and a check box (body from y 30).
constexpr const char* kChoiceLayout =
    "<layer title=\"events\" width=\"300\" height=\"120\" noborder=\"1\">"
    "<header height=\"30\"/><body>"
    "<radio id=\"30\" group=\"g\" pos=\"10,10,90,30\">one</radio>"
    "<radio id=\"31\" group=\"g\" pos=\"100,10,180,30\">two</radio>"
    "<check id=\"32\" pos=\"190,10,270,30\">three</check>"
    "<text id=\"99\" pos=\"200,50,290,80\">here</text></body></layer>";

// Resizable from its border.
constexpr const char* kResizeLayout =
    "<layer title=\"events\" width=\"200\" height=\"100\" noborder=\"1\" resize=\"1\" "
    "min_width=\"150\" min_height=\"80\"><header height=\"30\"/><body/></layer>";

class EventsInputTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    WriteResource("10000.xml", "<skins/>");
    WriteResource("10001.xml", "<style><class name=\"hand\" cursor=\"hand\"/></style>");
    WriteResource("10002.xml", "<string/>");
    WriteResource("11001.xml", kLayout);
    WriteResource("11002.xml", kFixedLayout);
    WriteResource("11003.xml", kChoiceLayout);
    WriteResource("11004.xml", kResizeLayout);
  }
  void TearDown() override {
    if (dialog_.Running()) {
      dialog_.Kill(9);
      dialog_.Wait();
    }
    DialogTest::TearDown();
  }

  // Runs the layout in skinview and waits for its first frame.
  void Start(int layout, const std::vector<std::string>& extra = {},
             const std::vector<std::string>& env = {}) {
    std::vector<std::string> args{"C:\\res\\uninstall", std::to_string(layout), "--notify"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<std::string> environment{"SIMHOST_MACHINE=" + MachineDir()};
    environment.insert(environment.end(), env.begin(), env.end());
    ASSERT_TRUE(dialog_.Start(UNINST_SKINVIEW_PATH, args, environment));
    const std::string ready = dialog_.ReadLine(30000);
    ASSERT_EQ(std::sscanf(ready.c_str(), "ready %d %d", &left_, &top_), 2) << ready;
  }

  void Input(const std::vector<std::string>& action) {
    std::vector<std::string> argv{kSimhostPath, "input", MachineDir(), "--title", "events"};
    argv.insert(argv.end(), action.begin(), action.end());
    const CommandResult run = RunCommand(argv);
    ASSERT_EQ(run.exit_code, 0) << action[0] << " " << action.back() << ": " << run.err;
  }
  // Closes the dialog by its window's close button; it ends with 0.
  void Close() {
    Input({"close"});
    EXPECT_EQ(dialog_.Wait(20000), 0);
    dialog_ = ChildProcess();  // nothing of its output is left to read
  }
  void Click(int x, int y) { Input({"click", std::to_string(x), std::to_string(y)}); }
  void Key(const std::string& name) { Input({"key", name}); }

  // Everything printed up to the line that starts with marker (included).
  std::vector<std::string> Until(const std::string& marker) {
    std::vector<std::string> lines;
    for (std::string line = dialog_.ReadLine(); !line.empty(); line = dialog_.ReadLine()) {
      lines.push_back(line);
      if (line.rfind(marker, 0) == 0) return lines;
    }
    ADD_FAILURE() << "no \"" << marker << "\" after: " << Join(lines);
    return lines;
  }
  // All that the last input caused: the mouse then visits the text 99,
  // whose notification closes the list.
  std::vector<std::string> Settle(int x = 250, int y = 145) {
    Input({"move", std::to_string(x), std::to_string(y)});
    return Until("notify 3 99 ");
  }
  static std::string Join(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    return out;
  }
  static bool Has(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  }

  ChildProcess dialog_;
  int left_ = 0, top_ = 0;
};

TEST_F(EventsInputTest, CommandsComeOnlyFromAReleaseOnThePressedEnabledControl) {
  Start(11001, {"--disable", "12"});
  // Pressed on one, released over another: no command, the pushed bit goes.
  Input({"down", "50", "55"});
  std::vector<std::string> lines = Until("notify 7 10 ");
  EXPECT_EQ(lines.back(), "notify 7 10 - 3");  // hover and pushed
  Input({"up", "140", "55"});
  lines = Settle();
  EXPECT_FALSE(Has(lines, "notify 1 ")) << Join(lines);
  EXPECT_TRUE(Has(lines, "notify 4 10 - 0")) << Join(lines);

  // A plain click on it is a command with the tag.
  Click(140, 55);
  lines = Until("notify 1 ");
  EXPECT_EQ(lines.back(), "notify 1 11 button 1");

  // The disabled button: moves are reported, presses are not.
  Click(230, 55);
  lines = Settle();
  EXPECT_TRUE(Has(lines, "notify 3 12 - 10")) << Join(lines);
  EXPECT_FALSE(Has(lines, "notify 7 12")) << Join(lines);
  EXPECT_FALSE(Has(lines, "notify 1 ")) << Join(lines);

  // Id 0: pressed, but never a command.
  Click(140, 95);
  lines = Settle();
  EXPECT_TRUE(Has(lines, "notify 7 0 ")) << Join(lines);
  EXPECT_FALSE(Has(lines, "notify 1 ")) << Join(lines);

  // A link opens its target through the shell instead of a command.
  Click(50, 95);
  lines = Settle();
  EXPECT_FALSE(Has(lines, "notify 1 ")) << Join(lines);
  const std::vector<SimShellCall> calls = SimReadShellCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].verb, "open");
  EXPECT_EQ(calls[0].file, "https://example.invalid/help");
  EXPECT_EQ(calls[0].show, 1);  // SW_SHOWNORMAL
  EXPECT_GT(calls[0].result, 32);

  // A skin's link to a program of the machine is never run, nor a command.
  InstallHelper(u"C:\\Tools", "simproc.exe");
  Click(230, 95);
  lines = Settle();
  EXPECT_TRUE(Has(lines, "notify 7 14 ")) << Join(lines);
  EXPECT_FALSE(Has(lines, "notify 1 ")) << Join(lines);
  EXPECT_EQ(SimReadShellCalls().size(), 1u);
}

TEST_F(EventsInputTest, HeaderDragMovesTheWindowUnlessNomoveAndTheBorderResizesIt) {
  Start(11001);
  Input({"down", "120", "15"});
  Input({"up", "170", "75"});
  std::vector<std::string> lines = Until("moved ");
  EXPECT_EQ(lines.back(), "moved " + std::to_string(left_ + 50) + " " + std::to_string(top_ + 60) +
                             " 300 200");
  EXPECT_FALSE(Has(lines, "notify 7 ")) << Join(lines);
  Close();

  Start(11002);
  Input({"down", "120", "15"});
  Input({"up", "170", "75"});
  lines = Settle(150, 55);
  EXPECT_FALSE(Has(lines, "moved ")) << Join(lines);
  EXPECT_FALSE(Has(lines, "notify 7 ")) << Join(lines);
  Close();

  // The left border of a resizable layout: dragged out 30 pixels, and in
  // past the minimum width, where it stops.
  Start(11004);
  Input({"down", "1", "60"});
  Input({"up", "-29", "60"});
  EXPECT_EQ(Until("moved ").back(), "moved " + std::to_string(left_ - 30) + " " +
                                        std::to_string(top_) + " 230 100");
  Input({"down", "1", "60"});
  Input({"up", "150", "60"});
  const std::string last = Until("moved ").back();
  EXPECT_NE(last.find(" 150 100"), std::string::npos) << last;
}

TEST_F(EventsInputTest, KeyboardAloneGoesThroughTheDialog) {
  Start(11001, {"--disable", "12"});
  // Enter with no focus mark presses the first enabled, visible button of
  // the body (not element 1, which a skin often makes its close button).
  Key("Return");
  EXPECT_EQ(Until("notify 1 ").back(), "notify 1 10 button 0");

  // Tab walks the enabled controls in document order, header first, and
  // skips the disabled one; Shift+Tab walks back.
  Key("Tab");
  EXPECT_EQ(Until("focus ").back(), "focus 8");
  Key("Tab");
  EXPECT_EQ(Until("focus ").back(), "focus 10");
  Key("Shift+Tab");
  EXPECT_EQ(Until("focus ").back(), "focus 8");
  Key("Shift+Tab");
  EXPECT_EQ(Until("focus ").back(), "focus 14");  // wrapped to the last
  Key("Tab");
  EXPECT_EQ(Until("focus ").back(), "focus 8");
  Key("Tab");
  Key("Tab");
  EXPECT_EQ(Until("focus 11").back(), "focus 11");
  // Space and Enter press the control that has the mark.
  Key("Space");
  EXPECT_EQ(Until("notify 1 ").back(), "notify 1 11 button 0");
  Key("Tab");
  EXPECT_EQ(Until("focus ").back(), "focus 13");
  Key("Return");
  Key("Tab");
  const std::vector<std::string> lines = Until("focus ");
  EXPECT_FALSE(Has(lines, "notify 1 ")) << Join(lines);
  ASSERT_EQ(SimReadShellCalls().size(), 1u);

  // Esc is the close request, as the window's close button.
  RunCommand({kSimhostPath, "input", MachineDir(), "--title", "events", "key", "Escape"});
  EXPECT_EQ(dialog_.Wait(20000), 0);  // (the key's release may find the window gone)
}

TEST_F(EventsInputTest, RadioGroupsKeepOneCheckedAndCheckBoxesToggle) {
  Start(11003);
  Click(50, 50);
  EXPECT_EQ(Until("notify 1 ").back(), "notify 1 30 radio 5");  // hover and checked
  Click(140, 50);
  EXPECT_EQ(Until("notify 1 ").back(), "notify 1 31 radio 5");
  // Back over the first: no longer checked.
  Input({"move", "50", "51"});
  EXPECT_EQ(Until("notify 3 30 ").back(), "notify 3 30 - 0");
  Click(230, 50);
  EXPECT_EQ(Until("notify 1 ").back(), "notify 1 32 check 5");
  Click(230, 50);
  EXPECT_EQ(Until("notify 1 ").back(), "notify 1 32 check 1");

  // The same by keys: Space on the focused box (the mouse still hovers the check box).
  Key("Tab");
  Key("Space");
  EXPECT_EQ(Until("notify 1 ").back(), "notify 1 30 radio 4");
  Key("Tab");
  Key("Tab");
  EXPECT_EQ(Until("focus 32").back(), "focus 32");
  Key("Space");
  EXPECT_EQ(Until("notify 1 ").back(), "notify 1 32 check 5");
  Key("Space");
  EXPECT_EQ(Until("notify 1 ").back(), "notify 1 32 check 1");
  Input({"move", "140", "51"});
  EXPECT_EQ(Until("notify 3 31 ").back(), "notify 3 31 - 0");
}

// The real X window under Xvfb, clicked by xdotool.
TEST_F(EventsInputTest, XClickOnAButtonIsACommand) {
  const std::string xdotool = FindProgram("xdotool");
  XvfbServer server;
  if (xdotool.empty() || FindProgram("Xvfb").empty())
    GTEST_SKIP() << "needs Xvfb and xdotool (scripts/setup)";
  ASSERT_TRUE(server.Start("1024x768x24")) << "Xvfb gave no display";
  const std::string display = server.DisplayVariable();
  Start(11001, {}, {display});
  const CommandResult found =
      RunCommand({xdotool, "search", "--sync", "--name", "^events$"}, {display}, 20000);
  ASSERT_EQ(found.exit_code, 0) << found.err;
  const std::string window = found.out.substr(0, found.out.find('\n'));
  const CommandResult click =
      RunCommand({xdotool, "mousemove", "--window", window, "140", "55", "click", "1"}, {display});
  ASSERT_EQ(click.exit_code, 0) << click.err;
  EXPECT_EQ(Until("notify 1 ").back(), "notify 1 11 button 1");
}

}  // namespace
