// The dialog views' routing, driven in-process by the messages Windows would
// send: state bits of hover and press, the notification records and where
// each view class delivers them, double clicks, cursors, tool tips, the
// notifications arriving at a view, timers and the keyboard's focus mark.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/windows/SimWindows.h"
#include "platform/tooltips.h"
#include "platform/window_input.h"
#include "platform/window_paint.h"
#include "tests/ui/dialog/dialog_test_support.h"
#include "ui/controls/container/CVuListWnd.h"
#include "ui/controls/progress/VuSlider.h"
#include "ui/dialog/CVuDialogImpl.h"
#include "ui/dialog/VuFramework.h"
#include "ui/element/CVuWindow.h"
#include "ui/element/VuNotify.h"

namespace {

struct Seen {
  WPARAM wparam = 0;
  HWND window = nullptr;
  UINT_PTR control_id = 0;
  int32_t code = 0, item_id = 0, sub_code = 0;
  std::string item_class;
};

Seen Copy(WPARAM wparam, LPARAM lparam) {
  const auto* r = reinterpret_cast<const VuNotifyRecord*>(lparam);
  return Seen{wparam, r->window, r->control_id, r->code, r->item_id, r->sub_code,
              r->item_class ? r->item_class : ""};
}

// The application side of a frameless dialog: its own window's WM_NOTIFY,
// WM_SYSCOMMAND and WM_TIMER.
class RecordingDialog : public CVuDialogImpl {
 public:
  explicit RecordingDialog(int id) : CVuDialogImpl(id) {}
  std::vector<Seen> notes;
  std::vector<WPARAM> commands, timers;
  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                            LRESULT* result) override {
    if (message == WM_NOTIFY && reinterpret_cast<VuNotifyRecord*>(lparam)->window == window)
      notes.push_back(Copy(wparam, lparam));
    if (message == WM_SYSCOMMAND) commands.push_back(wparam);
    if (message == WM_TIMER) timers.push_back(wparam);
    return CVuDialogImpl::ProcessWindowMessage(window, message, wparam, lparam, result);
  }
  std::vector<std::pair<int, int>> Codes() const {
    std::vector<std::pair<int, int>> out;
    for (const Seen& s : notes) out.push_back({s.code, s.item_id});
    return out;
  }
};

std::vector<Seen>& ParentNotes() {
  static std::vector<Seen> notes;
  return notes;
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NOTIFY) ParentNotes().push_back(Copy(wparam, lparam));
  return DefWindowProcW(window, message, wparam, lparam);
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

class EventsRoutingTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    Drain();
    ParentNotes().clear();
    WriteResource("10000.xml", "<skins/>");
    WriteResource("10001.xml", "<style><class name=\"hand\" cursor=\"hand\"/></style>");
    // Body elements lie 30 pixels down.
    WriteResource("11001.xml",
                  "<layer title=\"routing\" width=\"300\" height=\"200\" resize=\"1\" noborder=\"1\">"
                  "<header height=\"30\"><button id=\"8\" pos=\"-40,4,-4,26\">x</button></header>"
                  "<body><button id=\"10\" class=\"hand\" tip=\"first tip\" pos=\"10,10,90,40\">a</button>"
                  "<button id=\"11\" pos=\"100,10,180,40\">b</button>"
                  "<text id=\"12\" notify=\"3\" pos=\"10,50,90,80\">c</text></body></layer>");
    WriteResource("11002.xml",
                  "<layer title=\"child\" width=\"200\" height=\"100\" child=\"1\">"
                  "<body><button id=\"20\" pos=\"10,10,90,40\">a</button></body></layer>");
    VuFramework::Initialize(kPrimary);
  }
  void TearDown() override {
    if (parent_ && IsWindow(parent_)) DestroyWindow(parent_);
    Drain();
    DialogTest::TearDown();
  }
  static void Drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  // Pumps until done() (each wait bounded by the queue's own timers).
  template <typename F>
  static bool PumpUntil(F done) {
    for (int i = 0; i < 400 && !done(); ++i) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      Drain();
    }
    return done();
  }
  HWND parent_ = nullptr;
};

TEST_F(EventsRoutingTest, HoverAndPressFollowTheMouseAndLeavingClearsThem) {
  RecordingDialog dialog(11001);
  HWND window = dialog.Create(nullptr);
  ASSERT_NE(window, nullptr);
  CVuWindow* a = dialog.FindItem(10);
  CVuWindow* b = dialog.FindItem(11);
  SendMessageW(window, WM_MOUSEMOVE, 0, At(50, 55));
  EXPECT_EQ(a->GetState(), kVuStateHover);
  SendMessageW(window, WM_MOUSEMOVE, 0, At(140, 55));
  EXPECT_EQ(a->GetState(), 0u);
  EXPECT_EQ(b->GetState(), kVuStateHover);
  EXPECT_EQ(dialog.Codes(), (std::vector<std::pair<int, int>>{{3, 10}, {3, 11}, {4, 10}}));
  for (const Seen& s : dialog.notes) {
    EXPECT_EQ(s.wparam, static_cast<WPARAM>(-1));
    EXPECT_EQ(s.control_id, static_cast<UINT_PTR>(-1));
    EXPECT_EQ(s.window, window);
  }

  dialog.notes.clear();
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(140, 55));
  EXPECT_EQ(b->GetState(), kVuStateHover | kVuStatePushed);
  EXPECT_TRUE(dialog.HasCapture());
  EXPECT_EQ(GetCapture(), window);
  SendMessageW(window, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(b->GetState(), 0u);
  EXPECT_EQ(dialog.GetHoverElement(), 0u);
  EXPECT_EQ(dialog.GetPushedElement(), 0u);
  EXPECT_EQ(dialog.Codes(), (std::vector<std::pair<int, int>>{{7, 11}, {4, 11}}));
  // Nothing pushed any more: the release is no command.
  SendMessageW(window, WM_LBUTTONUP, 0, At(140, 55));
  EXPECT_EQ(dialog.Codes().size(), 2u);
  EXPECT_EQ(GetCapture(), nullptr);

  // An element with "notify" reports its own moves and leave (code 6, "wnd").
  dialog.notes.clear();
  SendMessageW(window, WM_MOUSEMOVE, 0, At(50, 95));
  SendMessageW(window, WM_MOUSELEAVE, 0, 0);
  ASSERT_EQ(dialog.Codes(), (std::vector<std::pair<int, int>>{{6, 12}, {3, 12}, {6, 12}, {4, 12}}));
  EXPECT_EQ(dialog.notes[0].item_class, "wnd");
  EXPECT_EQ(dialog.notes[0].sub_code, 3);
  EXPECT_EQ(dialog.notes[2].sub_code, 4);

  // A disabled element is reported under the mouse but never hovered or pressed.
  b->ModifyState(kVuStateDisabled, 0);
  dialog.notes.clear();
  SendMessageW(window, WM_MOUSEMOVE, 0, At(141, 55));
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(141, 55));
  SendMessageW(window, WM_LBUTTONUP, 0, At(141, 55));
  EXPECT_EQ(b->GetState(), kVuStateDisabled);
  EXPECT_EQ(dialog.Codes(), (std::vector<std::pair<int, int>>{{3, 11}}));
}

TEST_F(EventsRoutingTest, ReleaseAwayTellsTheFramelessViewAndTheChildViewTellsItsParent) {
  RecordingDialog dialog(11001);
  HWND window = dialog.Create(nullptr);
  SendMessageW(window, WM_MOUSEMOVE, 0, At(50, 55));
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(50, 55));
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, At(140, 55));
  dialog.notes.clear();
  SendMessageW(window, WM_LBUTTONUP, 0, At(140, 55));
  EXPECT_EQ(dialog.Codes(), (std::vector<std::pair<int, int>>{{4, 10}}));
  EXPECT_EQ(dialog.FindItem(10)->GetState(), 0u);

  // The plain view of a child layout notifies its parent with its own id.
  WNDCLASSEXW c = {};
  c.cbSize = sizeof(c);
  c.lpfnWndProc = ParentProc;
  c.lpszClassName = u"RoutingParent";
  RegisterClassExW(&c);
  parent_ = CreateWindowExW(0, u"RoutingParent", u"parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50,
                            50, 400, 300, nullptr, nullptr, nullptr, nullptr);
  CVuDialogView view(11002);
  HWND child = view.Create(parent_);
  ASSERT_NE(child, nullptr);
  SetWindowLongW(child, GWL_ID, 77);
  SendMessageW(child, WM_MOUSEMOVE, 0, At(50, 25));
  SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, At(50, 25));
  SendMessageW(child, WM_LBUTTONUP, 0, At(50, 25));
  ASSERT_FALSE(ParentNotes().empty());
  const Seen& command = ParentNotes().back();
  EXPECT_EQ(command.code, 1);
  EXPECT_EQ(command.item_id, 20);
  EXPECT_EQ(command.item_class, "button");
  EXPECT_EQ(command.wparam, 77u);
  EXPECT_EQ(command.control_id, 77u);
  EXPECT_EQ(command.window, child);
}

TEST_F(EventsRoutingTest, DoubleClicksMaximizeFromTheHeaderAndReportControls) {
  RecordingDialog dialog(11001);
  HWND window = dialog.Create(nullptr);
  SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, At(100, 15));
  EXPECT_TRUE(IsZoomed(window));
  SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, At(100, 15));
  EXPECT_FALSE(IsZoomed(window));
  EXPECT_EQ(dialog.commands, (std::vector<WPARAM>{0xF032, 0xF122}));

  // On a control: code 8, and the second click of the pair is still a click.
  SendMessageW(window, WM_MOUSEMOVE, 0, At(140, 55));
  SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, At(140, 55));
  SendMessageW(window, WM_LBUTTONUP, 0, At(140, 55));
  SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, At(50, 95));  // text: no control
  SendMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, At(50, 95));
  EXPECT_EQ(dialog.Codes(),
            (std::vector<std::pair<int, int>>{{3, 11}, {8, 11}, {7, 11}, {1, 11}, {9, 12}}));
  EXPECT_EQ(dialog.notes[1].item_class, "button");
}

TEST_F(EventsRoutingTest, CursorComesFromTheStyleAndTheTipFromTheElement) {
  RecordingDialog dialog(11001);
  HWND window = dialog.Create(nullptr);
  UpdateWindow(window);
  auto move = [&](int x, int y) {
    SimInput input;
    input.kind = SimInputKind::kMouseMove;
    input.x = x;
    input.y = y;
    ASSERT_TRUE(SimInjectInput(window, input));
    Drain();
  };
  move(50, 55);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  move(140, 55);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  dialog.FindItem(10)->ModifyState(kVuStateDisabled, 0);
  move(51, 55);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));  // disabled: the arrow
  dialog.FindItem(10)->ModifyState(0, kVuStateDisabled);

  // The tip shows near the mouse after its delay, and goes with the element.
  move(52, 56);
  HWND tip = dialog.ToolTip().GetHwnd();
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(FindWindowW(u"tooltips_class32", nullptr), tip);
  EXPECT_EQ(dialog.ToolTip().Text(), u"first tip");
  SendMessageW(tip, TTM_SETDELAYTIME, TTDT_INITIAL, 1);
  move(53, 56);
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(tip) != FALSE; }));
  RECT w, t;
  GetWindowRect(window, &w);
  GetWindowRect(tip, &t);
  EXPECT_NEAR(t.left, w.left + 53, 2);
  EXPECT_GT(t.top, w.top + 56);
  EXPECT_GT(t.right - t.left, 20);
  move(140, 55);
  EXPECT_FALSE(IsWindowVisible(tip));
  EXPECT_EQ(dialog.ToolTip().Text(), u"");
  // A skin's huge tip is cut to a tip's length.
  dialog.FindItem(11)->SetAttribute("tip", std::string(1 << 20, 'x').c_str(), false);
  move(50, 95);
  move(141, 55);
  EXPECT_EQ(dialog.ToolTip().Text().size(), 1024u);
}

TEST_F(EventsRoutingTest, ArrivingNotificationsTimersAndElementRequests) {
  RecordingDialog dialog(11001);
  HWND window = dialog.Create(nullptr);
  UpdateWindow(window);
  VuNotifyRectRecord dirty;
  dirty.window = nullptr;
  dirty.rect = RECT{5, 6, 25, 26};
  SendMessageW(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&dirty));
  RECT update;
  ASSERT_TRUE(GetUpdateRect(window, &update, FALSE));
  EXPECT_EQ((std::vector<long>{update.left, update.top, update.right, update.bottom}),
            (std::vector<long>{5, 6, 25, 26}));

  // An element asks for a record: the view fills in who sends it.
  EXPECT_TRUE(VuNotifyHost(*dialog.FindItem(12), kVuNotifyHostReport, 12, "wnd", 3));
  ASSERT_EQ(dialog.notes.size(), 1u);
  EXPECT_EQ(dialog.notes[0].code, 6);
  EXPECT_EQ(dialog.notes[0].item_class, "wnd");
  EXPECT_EQ(dialog.notes[0].sub_code, 3);
  EXPECT_EQ(dialog.notes[0].window, window);

  EXPECT_NE(SendMessageW(window, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, 0);

  // Plain timers of the window reach the derived dialog's handler.
  ASSERT_NE(SetTimer(window, 41, 10, nullptr), 0u);
  ASSERT_NE(dialog.SetViewTimer(42, 10), 0u);
  ASSERT_TRUE(PumpUntil([&] {
    bool a = false, b = false;
    for (WPARAM id : dialog.timers) a = a || id == 41, b = b || id == 42;
    return a && b;
  }));
  EXPECT_TRUE(KillTimer(window, 41));
  EXPECT_TRUE(dialog.KillViewTimer(42));
  EXPECT_FALSE(dialog.KillViewTimer(42));
}

TEST_F(EventsRoutingTest, FocusMarkIsDrawnAroundTheControlAndCommandsMapToElementsOrTheDefault) {
  RecordingDialog dialog(11001);
  HWND window = dialog.Create(nullptr);
  SetFocus(window);
  ASSERT_TRUE(dialog.MoveFocus(false));
  EXPECT_EQ(dialog.GetFocusElement(), dialog.FindItem(8)->GetHandle());
  ASSERT_TRUE(dialog.MoveFocus(false));
  CVuWindow* a = dialog.FindItem(10);
  ASSERT_EQ(dialog.GetFocusElement(), a->GetHandle());
  ZCanvas canvas;
  dialog.PaintClient(&canvas, 300, 200, nullptr);
  const ZRect r = a->GetRect();
  // Alternating dots just outside the element, from its top-left corner.
  EXPECT_EQ(canvas.PixelAt(r.left - 1, r.top - 1), 0xFF000000u);
  EXPECT_EQ(canvas.PixelAt(r.left, r.top - 1), 0xFFFFFFFFu);
  EXPECT_EQ(canvas.PixelAt(r.left - 1, r.bottom), canvas.PixelAt(r.left - 1, r.bottom) | 0xFF000000u);
  // Hidden controls take no focus: wrapping from b comes back to the header.
  dialog.FindItem(11)->Show(false);
  ASSERT_TRUE(dialog.MoveFocus(false));
  EXPECT_EQ(dialog.GetFocusElement(), dialog.FindItem(8)->GetHandle());

  // IDOK and IDCANCEL are clicks of elements 1 and 2 when they exist, are
  // enabled and visible.
  WriteResource("11003.xml",
                "<layer title=\"ids\" width=\"200\" height=\"100\"><body>"
                "<button id=\"1\" pos=\"10,10,90,40\">OK</button>"
                "<button id=\"2\" pos=\"100,10,180,40\">Cancel</button></body></layer>");
  RecordingDialog ids(11003);
  HWND ids_window = ids.Create(nullptr);
  SendMessageW(ids_window, WM_COMMAND, IDOK, 0);
  SendMessageW(ids_window, WM_COMMAND, IDCANCEL, 0);
  ids.FindItem(2)->Show(false);
  SendMessageW(ids_window, WM_COMMAND, IDCANCEL, 0);
  SendMessageW(ids_window, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(window));  // from a control
  EXPECT_EQ(ids.Codes(), (std::vector<std::pair<int, int>>{{1, 1}, {1, 2}}));
  EXPECT_EQ(ids.notes[1].item_class, "button");
  EXPECT_TRUE(IsWindow(ids_window));

  // No element 1: IDOK presses the first enabled, visible button of the body.
  dialog.notes.clear();
  SendMessageW(window, WM_COMMAND, IDOK, 0);
  ASSERT_EQ(dialog.notes.size(), 1u);
  EXPECT_EQ(dialog.Codes()[0], (std::pair<int, int>{1, 10}));
  EXPECT_EQ(dialog.notes[0].item_class, "button");
  a->ModifyState(kVuStateDisabled, 0);
  dialog.notes.clear();
  SendMessageW(window, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(dialog.notes.empty());  // b is hidden, a disabled: no default button (the header's is none)
}

}  // namespace

namespace {

TEST_F(EventsRoutingTest, TheWheelScrollsTheListUnderTheMouseAndADragOutlastsItsElement) {
  WriteResource("11003.xml",
                "<layer title=\"wheel\" width=\"300\" height=\"200\" noborder=\"1\">"
                "<body><listwnd id=\"30\" wheelmove=\"20\" pos=\"10,10,150,90\">"
                "<listitem height=\"40\"><text>one</text></listitem>"
                "<listitem height=\"40\"><text>two</text></listitem>"
                "<listitem height=\"40\"><text>three</text></listitem>"
                "<listitem height=\"40\"><text>four</text></listitem></listwnd>"
                "<slider id=\"31\" sliderpos=\"10\" pos=\"170,20,270,40\"/></body></layer>");
  RecordingDialog dialog(11003);
  HWND window = dialog.Create(nullptr);
  ASSERT_NE(window, nullptr);
  auto* list = dynamic_cast<CVuListWnd*>(dialog.FindItem(30));
  ASSERT_NE(list, nullptr);
  // A notch down over a row (the point is on the screen) scrolls the list.
  POINT over_row = {40, 20};
  ClientToScreen(window, &over_row);
  SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)),
               MAKELPARAM(over_row.x, over_row.y));
  EXPECT_EQ(list->GetScrollOffset(), 20);
  // Away from the list the wheel turns nothing.
  POINT away = {200, 150};
  ClientToScreen(window, &away);
  SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)),
               MAKELPARAM(away.x, away.y));
  EXPECT_EQ(list->GetScrollOffset(), 20);

  auto* slider = dynamic_cast<VuSlider*>(dialog.FindItem(31));
  ASSERT_NE(slider, nullptr);
  const ZRect thumb = slider->ThumbRect();
  const int x = (thumb.left + thumb.right) / 2, y = (thumb.top + thumb.bottom) / 2;
  SendMessageW(window, WM_MOUSEMOVE, 0, At(x, y));
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
  // Dragged far past the track's right end, outside the slider.
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, At(295, 150));
  EXPECT_EQ(slider->Position(), 100);
  SendMessageW(window, WM_LBUTTONUP, 0, At(295, 150));
  // Without the button held, moves elsewhere leave it alone.
  SendMessageW(window, WM_MOUSEMOVE, 0, At(180, 150));
  EXPECT_EQ(slider->Position(), 100);
}

}  // namespace
