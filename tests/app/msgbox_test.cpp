// The message box run modally on a machine's windows and answered by mouse
// input posted to its window, and the tips question built on it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/AppWindow.h"
#include "app/ZLiteMsgbox.h"
#include "packet_public/ZInstallConfigLoader.h"
#include "platform/canvas.h"
#include "platform/sim/core/SimHost.h"
#include "platform/window_input.h"
#include "platform/xml.h"
#include "tests/ui/dialog/dialog_test_support.h"
#include "ui/dialog/VuFramework.h"
#include "ui/element/CVuWindow.h"
#include "ui/style/VuFontPool.h"

namespace {

// Every id of the box, each control apart from the others; the check box
// starts checked in the layout.
constexpr const char* kBoxLayout =
    "<layer title=\"box\" width=\"300\" height=\"160\" noborder=\"1\"><header height=\"full\">"
    "<button id=\"100\" pos=\"-30,4,-4,28\">x</button>"
    "<text id=\"103\" pos=\"10,40,-10,80\">layout text</text>"
    "<check id=\"105\" pos=\"10,-30,100,-10\" show=\"0\" check=\"1\">layout check</check>"
    "<button id=\"106\" pos=\"110,-30,160,-10\" show=\"0\">plain one</button>"
    "<button id=\"107\" pos=\"170,-30,220,-10\" show=\"0\">plain two</button>"
    "<dlgbtn id=\"108\" pos=\"110,-60,160,-40\" show=\"0\"><text id=\"111\" "
    "pos=\"0,0,-0,-0\">first</text></dlgbtn>"
    "<dlgbtn id=\"110\" pos=\"170,-60,220,-40\" show=\"0\"><text id=\"112\" "
    "pos=\"0,0,-0,-0\">second</text></dlgbtn>"
    "</header></layer>";

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// Waits on a thread timer for the box's window, then acts once; a box still
// open long after is closed so that no test hangs (it then answers 0).
struct Driver {
  std::function<HWND()> window;
  std::function<void(HWND)> act;
  bool acted = false;
  int ticks = 0;
  static Driver* current;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Driver* d = current;
    HWND w = d->window();
    if (!w || !IsWindowVisible(w)) return;
    if (!d->acted) {
      d->acted = true;
      d->act(w);
    } else if (++d->ticks == 250) {
      PostMessageW(w, WM_CLOSE, 0, 0);
    }
  }
  template <typename Run>
  INT_PTR Drive(Run run) {
    current = this;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
    const INT_PTR result = run();
    KillTimer(nullptr, timer);
    current = nullptr;
    return result;
  }
};
Driver* Driver::current = nullptr;

// A click a person would make at (x, y) of the window's client.
void ClickAt(HWND w, int x, int y) {
  PostMessageW(w, WM_MOUSEMOVE, 0, At(x, y));
  PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
  PostMessageW(w, WM_LBUTTONUP, 0, At(x, y));
}

class MsgboxTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    WriteResource("10000.xml", "<skins/>");
    WriteResource("10001.xml", "<style/>");
    WriteResource("10002.xml", "<string/>");
  }
  void TearDown() override {
    VuFontPool::Instance().ResetForTest();
    DialogTest::TearDown();
  }
  void UseLayout(const std::string& xml) {
    WriteResource("11004.xml", xml);
    VuFramework::Initialize(kPrimary);
  }
  // Runs box; once shown, look sees it and the elements are clicked in order.
  INT_PTR Run(ZLiteMsgbox* box, const std::vector<int>& clicks,
              const std::function<void()>& look = {}) {
    Driver d{[box] { return box->GetHwnd(); },
             [&](HWND w) {
               if (look) look();
               for (int id : clicks) {
                 const ZRect r = box->FindItem(id)->GetRect();
                 ClickAt(w, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
               }
             }};
    return d.Drive([box] { return box->DoModal(nullptr); });
  }
  static std::u16string TextOf(ZLiteMsgbox& box, int id) { return box.FindItem(id)->GetText(); }
  // The visible ones of the optional elements, and the texts of all.
  static std::string Shown(ZLiteMsgbox& box) {
    std::string out;
    for (int id : {105, 106, 107, 108, 110})
      if (box.FindItem(id)->IsVisible(true)) out += std::to_string(id) + " ";
    return out;
  }
  static std::u16string Texts(ZLiteMsgbox& box) {
    std::u16string out;
    for (int id : {103, 105, 106, 107, 111, 112}) out += TextOf(box, id) + u"|";
    return out;
  }
  static std::u16string Title(HWND w) {
    char16_t title[64] = {};
    GetWindowTextW(w, title, 64);
    return title;
  }
};

TEST_F(MsgboxTest, FlagsChooseTheElementsAndTheClickedOneIsTheAnswer) {
  UseLayout(kBoxLayout);
  const std::u16string kLayoutTexts = u"layout text|layout check|plain one|plain two|first|second|";
  const std::u16string kPlainTexts = u"layout text|layout check|Yes|No|first|second|";
  const std::u16string kAskTexts = u"layout text|Ask|plain one|plain two|first|second|";
  const struct {
    UINT flags;
    const char16_t *text, *first, *second, *check;
    bool check_initial;
    std::vector<int> clicks;
    INT_PTR result;
    std::string shown;
    std::u16string texts;
  } cases[] = {
      // clang-format off
      // Both buttons with the layout's texts. The layout checks its check
      // box, but without 0x10 it is no part of the answer.
      {3, nullptr, nullptr, u"", nullptr, true, {108}, 1, "108 110 ", kLayoutTexts},
      {3, u"", nullptr, nullptr, nullptr, true, {110}, 2, "108 110 ", kLayoutTexts},
      {3, u"Go?", u"Yes", u"No", u"Ask", true, {100}, 32, "108 110 ",
       u"Go?|layout check|plain one|plain two|Yes|No|"},
      // The plain buttons only without their main ones.
      {0x0C, nullptr, u"Yes", u"No", nullptr, false, {106}, 4, "106 107 ", kPlainTexts},
      {0x0C, nullptr, u"Yes", u"No", nullptr, false, {107}, 8, "106 107 ", kPlainTexts},
      {0x0F, nullptr, u"Yes", u"No", nullptr, false, {110}, 2, "108 110 ",
       u"layout text|layout check|plain one|plain two|Yes|No|"},
      // The check box counts as it is at the end: clicks toggle it first.
      {0x13, nullptr, nullptr, nullptr, u"Ask", false, {108}, 1, "105 108 110 ", kAskTexts},
      {0x13, nullptr, nullptr, nullptr, u"Ask", false, {105, 108}, 0x11, "105 108 110 ", kAskTexts},
      {0x13, nullptr, nullptr, nullptr, nullptr, true, {110}, 0x12, "105 108 110 ", kLayoutTexts},
      {0x13, nullptr, nullptr, nullptr, u"", true, {105, 100}, 32, "105 108 110 ", kLayoutTexts},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags * 1000 + c.result);
    ZLiteMsgbox box(c.text, nullptr, c.first, c.second, c.flags, c.check, c.check_initial);
    std::string shown;
    std::u16string texts;
    EXPECT_EQ(Run(&box, c.clicks, [&] { shown = Shown(box), texts = Texts(box); }), c.result);
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(texts, c.texts);
    EXPECT_EQ(box.Result(), c.result);
  }
}

TEST_F(MsgboxTest, CaptionBecomesTheTitleUnlessEmpty) {
  UseLayout(kBoxLayout);
  for (const char16_t* caption : {u"Question", u"", static_cast<const char16_t*>(nullptr)}) {
    ZLiteMsgbox box(nullptr, caption, nullptr, nullptr, 1, nullptr, false);
    std::u16string title;
    EXPECT_EQ(Run(&box, {108}, [&] { title = Title(box.GetHwnd()); }), 1);
    EXPECT_EQ(title, caption && *caption ? caption : u"box");
  }
}

TEST_F(MsgboxTest, TextMovesForFontsOtherThanTheYaheiFaces) {
  UseLayout(kBoxLayout);
  auto text_rect = [&] {
    ZLiteMsgbox box(nullptr, nullptr, nullptr, nullptr, 1, nullptr, false);
    EXPECT_EQ(Run(&box, {108}), 1);
    const ZRect r = box.FindItem(103)->GetRect();
    return std::vector<int>{r.left, r.top, r.right, r.bottom};
  };
  VuFontPool::Instance().SetDefaultFont(u"Tahoma", -12);
  EXPECT_EQ(text_rect(), (std::vector<int>{100, 33, 280, 78}));
  for (const char16_t* face : {u"Microsoft YaHei", u"微软雅黑"}) {
    VuFontPool::Instance().SetDefaultFont(face, -12);
    EXPECT_EQ(text_rect(), (std::vector<int>{10, 40, 290, 80}));
  }
}

TEST_F(MsgboxTest, MissingElementsAreSkippedAndMissingLayoutAnswersZero) {
  UseLayout(
      "<layer title=\"bare\" width=\"200\" height=\"100\" noborder=\"1\"><header height=\"full\">"
      "<button id=\"108\" pos=\"10,10,90,40\">go</button></header></layer>");
  ZLiteMsgbox box(u"text", u"caption", u"a", u"b", 0x1F, u"c", true);
  EXPECT_EQ(Run(&box, {108}), 1) << "no check box to count";

  RunCommand({"/bin/rm", Real("res/uninstall/11004.xml")});
  ResetFramework();
  VuFramework::Initialize(kPrimary);
  EXPECT_EQ(ZLiteMsgbox::Show(nullptr, u"text", u"caption", nullptr, nullptr, 3, nullptr, false),
            0);
  // The tips question then answers stop: nothing is removed.
  EXPECT_FALSE(AppWindow::ShowTips(u"still running"));
}

TEST_F(MsgboxTest, TipsQuestionGoesOnOnlyWithTheFirstButton) {
  UseLayout(kBoxLayout);
  ZXmlDocument doc;
  ASSERT_TRUE(
      doc.Parse("<packet><installcfg><item key=\"title\" value=\"Tips title\"/>"
                "</installcfg></packet>"));
  ZInstallConfigLoader config;
  ASSERT_TRUE(config.ReadSection(doc, u"packet\\installcfg\\item"));
  // The box is found by its caption, as any other program would find it;
  // points are the centres of 108, 110 and 100 in the layout.
  const struct {
    int x, y;
    bool go_on;
  } cases[] = {{135, 110, true}, {195, 110, false}, {283, 16, false}};
  for (const auto& c : cases) {
    Driver d{[] { return FindWindowW(nullptr, u"Tips title"); },
             [&](HWND w) { ClickAt(w, c.x, c.y); }};
    EXPECT_EQ(d.Drive([&] { return AppWindow::ShowTips(u"Sample is running", &config); }), c.go_on);
    EXPECT_TRUE(d.acted);
  }
}

// ---- Pictures of the sample's box, at 96 and 144 DPI ----
//
// DPI scaling is decided once per process, so each picture is drawn in a
// child: this binary again, as C:\App\msgbox.exe of the same machine.

constexpr char kRenderVariable[] = "UNINST_MSGBOX_RENDER";

TEST(MsgboxRenderChild, DrawsTheBox) {
  const char* request = std::getenv(kRenderVariable);  // "FLAGS PNG_PATH"
  if (!request) return;
  SimHost::SetModulePath(u"C:\\App\\msgbox.exe");
  VuFramework::Initialize(u"C:\\res\\uninstall");
  char* rest = nullptr;
  const UINT flags = static_cast<UINT>(std::strtoul(request, &rest, 16));
  const bool full = flags & ZLiteMsgbox::kCheckBox;
  ZLiteMsgbox box(u"Sample Product is still running. Close it and go on?", nullptr,
                  full ? u"Go on" : nullptr, full ? u"Stop" : nullptr, flags,
                  full ? u"Do not ask again" : nullptr, true);
  HWND w = box.Create(nullptr);
  ASSERT_NE(w, nullptr);
  RECT client{};
  GetClientRect(w, &client);
  ZCanvas canvas;
  box.EnableFrameBorder(true);
  box.PaintClient(&canvas, client.right, client.bottom, nullptr);
  std::vector<uint8_t> png;
  ASSERT_TRUE(canvas.EncodePng(&png));
  std::ofstream(rest + 1, std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  std::printf("size %ld %ld\n", static_cast<long>(client.right), static_cast<long>(client.bottom));
}

TEST_F(MsgboxTest, SampleBoxWorksAndIsDrawnAtTwoScales) {
  CopySampleSet();
  VuFramework::Initialize(kPrimary);
  // The sample's banner lies over its close button in hit order, so the
  // close button is answered with the notification its click would send;
  // one from another view's window is not the box's.
  auto command = [](HWND from, WPARAM view_id, int id) {
    VuNotifyRecord record;
    record.window = from;
    record.control_id = view_id;
    record.code = kVuNotifyCommand;
    record.item_id = id;
    return record;
  };
  for (const auto& [id, result] :
       std::vector<std::pair<int, INT_PTR>>{{108, 1}, {110, 2}, {100, 32}}) {
    ZLiteMsgbox box(u"Close it?", u"Sample", nullptr, nullptr, 3, nullptr, false);
    EXPECT_EQ(Run(&box, id == 100 ? std::vector<int>{} : std::vector<int>{id},
                  [&] {
                    EXPECT_FALSE(TextOf(box, 111).empty() || TextOf(box, 112).empty());
                    if (id != 100) return;
                    VuNotifyRecord foreign = command(nullptr, 1000, 108),
                                   own = command(box.GetHwnd(), -1, 100);
                    SendMessageW(box.GetHwnd(), WM_NOTIFY, 1000,
                                 reinterpret_cast<LPARAM>(&foreign));
                    EXPECT_FALSE(box.IsEnding());
                    SendMessageW(box.GetHwnd(), WM_NOTIFY, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(&own));
                  }),
              result);
  }

  const std::string dir = std::string(UNINST_BUILD_DIR) + "/ui-renders";
  RunCommand({"/bin/mkdir", "-p", dir, Real("App/ressrc/chs")});
  for (int dpi : {96, 144}) {
    ASSERT_TRUE(WriteTextFile(Real("App/ressrc/chs/dpisetting.ini"),
                              "[basesetting]\r\ndebug=1\r\ndebugdpi=" + std::to_string(dpi) +
                                  "\r\nsupportprocess=msgbox\r\n"));
    for (const char* flags : {"3", "1F"}) {
      const std::string png = dir + "/11004_msgbox_" + flags + "_" + std::to_string(dpi) + ".png";
      const CommandResult run =
          RunCommand({SimHost::ExecutablePath(), "--gtest_filter=MsgboxRenderChild.*"},
                     {std::string(kRenderVariable) + "=" + flags + " " + png,
                      "SIMHOST_MACHINE=" + MachineDir()});
      ASSERT_EQ(run.exit_code, 0) << run.out << run.err;
      const int w = dpi == 96 ? 420 : 630, h = dpi == 96 ? 210 : 315;  // the sample box's size
      EXPECT_NE(run.out.find("size " + std::to_string(w) + " " + std::to_string(h)),
                std::string::npos)
          << run.out;
      EXPECT_TRUE(PathExists(png));
    }
  }
}

}  // namespace
