// Dialog views on a machine's windows: the modal run and how it ends, the
// owner's state around it, what a layered view presents, the element
// operations by id and the frameless view's size and header drag.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/sim/display/SimPresent.h"
#include "platform/window_input.h"
#include "platform/window_paint.h"
#include "tests/ui/dialog/dialog_test_support.h"
#include "ui/dialog/CVuDialogImpl.h"
#include "ui/dialog/VuFramework.h"
#include "ui/element/CVuWindow.h"

namespace {

constexpr UINT kStep = WM_APP + 1;

// A dialog whose messages a test can answer.
class ScriptedDialog : public CVuDialogImpl {
 public:
  explicit ScriptedDialog(int id) : CVuDialogImpl(id) {}
  std::function<bool(ScriptedDialog*, UINT, WPARAM, LPARAM)> on_message;
  std::vector<UINT> seen;
  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                            LRESULT* result) override {
    seen.push_back(message);
    if (on_message && on_message(this, message, wparam, lparam)) {
      *result = 0;
      return true;
    }
    return CVuDialogImpl::ProcessWindowMessage(window, message, wparam, lparam, result);
  }
  void OnInitDialog() override { PostMessageW(GetHwnd(), kStep, 0, 0); }
};

class DialogViewTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    DrainQueue();
    WriteResource("10000.xml",
                  "<skins><gradation name=\"red\" from=\"FF0000\" to=\"FF0000\"/>"
                  "<gradation name=\"dlg_shadow\" from=\"000000\" to=\"000000\"/></skins>");
    WriteResource("11001.xml",
                  "<layer title=\"modal\" width=\"200\" height=\"120\" noborder=\"1\">"
                  "<header height=\"30\"><button id=\"5\" pos=\"-40,4,-4,26\">x</button></header>"
                  "<body><text id=\"6\" pos=\"10,10,100,30\">hello</text>"
                  "<text id=\"5\" pos=\"0,0,1,1\">body five</text></body></layer>");
    WriteResource("11002.xml",
                  "<layer title=\"layered\" frame=\"red\" width=\"40\" height=\"30\" layered=\"1\"/>");
    WriteResource("11003.xml",
                  "<layer title=\"fixed\" frame=\"red\" width=\"60\" height=\"50\" holdsize=\"1\" "
                  "nomove=\"1\"><header height=\"20\"/></layer>");
    VuFramework::Initialize(kPrimary);
  }
  void TearDown() override {
    if (owner_ && IsWindow(owner_)) DestroyWindow(owner_);
    DrainQueue();
    DialogTest::TearDown();
  }
  static void DrainQueue() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  HWND MakeOwner() {
    WNDCLASSEXW c = {};
    c.cbSize = sizeof(c);
    c.lpfnWndProc = DefWindowProcW;
    c.lpszClassName = u"DialogTestOwner";
    RegisterClassExW(&c);
    owner_ = CreateWindowExW(0, u"DialogTestOwner", u"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                             100, 100, 400, 300, nullptr, nullptr, nullptr, nullptr);
    return owner_;
  }
  HWND owner_ = nullptr;
};

TEST_F(DialogViewTest, DoModalEndsOnEndDialogWithTheOwnerDisabledMeanwhile) {
  HWND owner = MakeOwner();
  ASSERT_NE(owner, nullptr);
  ScriptedDialog dialog(11001);
  bool owner_enabled_inside = true;
  HWND current_modal = nullptr;
  dialog.on_message = [&](ScriptedDialog* d, UINT message, WPARAM, LPARAM) {
    if (message != kStep) return false;
    owner_enabled_inside = IsWindowEnabled(owner);
    current_modal = VuFramework::CurrentModalDialog();
    d->EndDialog(7);
    return true;
  };
  EXPECT_EQ(dialog.DoModal(owner), 7);
  EXPECT_FALSE(owner_enabled_inside);
  EXPECT_EQ(current_modal, dialog.GetHwnd());
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(VuFramework::CurrentModalDialog(), nullptr);
  ASSERT_TRUE(IsWindow(dialog.GetHwnd()));
  EXPECT_FALSE(IsWindowVisible(dialog.GetHwnd()));
  // WM_INITDIALOG came once, before the first paint.
  auto first = [&](UINT m) {
    for (size_t i = 0; i < dialog.seen.size(); ++i)
      if (dialog.seen[i] == m) return static_cast<int>(i);
    return -1;
  };
  EXPECT_GE(first(kVuWmInitDialog), 0);
  EXPECT_EQ(std::count(dialog.seen.begin(), dialog.seen.end(), kVuWmInitDialog), 1);
  // Centred on its owner.
  RECT o, d;
  GetWindowRect(owner, &o);
  GetWindowRect(dialog.GetHwnd(), &d);
  EXPECT_NEAR((d.left + d.right) / 2, (o.left + o.right) / 2, 1);
  EXPECT_NEAR((d.top + d.bottom) / 2, (o.top + o.bottom) / 2, 1);
}

TEST_F(DialogViewTest, DoModalEndsOnAPostedQuitAndLeavesItForTheOuterLoop) {
  ScriptedDialog dialog(11001);
  dialog.on_message = [](ScriptedDialog*, UINT message, WPARAM, LPARAM) {
    if (message != kStep) return false;
    PostQuitMessage(3);
    return true;
  };
  EXPECT_EQ(dialog.DoModal(nullptr), 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(DialogViewTest, DoModalEndsWhenTheWindowIsDestroyed) {
  HWND owner = MakeOwner();
  ScriptedDialog dialog(11001);
  dialog.on_message = [](ScriptedDialog* d, UINT message, WPARAM, LPARAM) {
    if (message != kStep) return false;
    DestroyWindow(d->GetHwnd());
    return true;
  };
  EXPECT_EQ(dialog.DoModal(owner), 0);
  EXPECT_EQ(dialog.GetHwnd(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(DialogViewTest, MissingLayoutGivesNoWindowAndTheOwnerBack) {
  HWND owner = MakeOwner();
  ScriptedDialog dialog(11999);
  EXPECT_EQ(dialog.DoModal(owner), 0);
  EXPECT_EQ(dialog.GetHwnd(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_TRUE(Reported({"11999.xml", "not found"})) << Problems();
}

TEST_F(DialogViewTest, LayeredViewIsPresentedWithItsConstantAlpha) {
  CVuDialogViewEx dialog(11002);
  dialog.SetAlpha(128);
  HWND window = dialog.Create(nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_NE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  SendMessageW(window, WM_PAINT, 0, 0);
  const std::u16string title = u"layered";
  SimFrame frame;
  ASSERT_TRUE(SimFindFrame(&title, nullptr, &frame));
  ASSERT_EQ(frame.width, 40);
  ASSERT_EQ(frame.height, 30);
  const uint32_t pixel = frame.pixels[15 * 40 + 20];
  EXPECT_NEAR(static_cast<int>(pixel >> 24), 128, 1);           // alpha
  EXPECT_NEAR(static_cast<int>((pixel >> 16) & 0xFF), 128, 1);  // red, premultiplied
  EXPECT_EQ(pixel & 0xFFFF, 0u);
}

TEST_F(DialogViewTest, ItemOperationsFindHeaderFirstAndSayWhenNothingHasTheId) {
  CVuDialogViewEx dialog(11001);
  ASSERT_NE(dialog.Create(nullptr), nullptr);
  ASSERT_NE(dialog.FindItem(5), nullptr);
  EXPECT_STREQ(dialog.FindItem(5)->GetTag(), "button");

  EXPECT_FALSE(dialog.SetItemText(404, u"nobody"));
  EXPECT_FALSE(dialog.SetItemVisible(404, false));
  EXPECT_FALSE(dialog.SetItemAttribute(404, "crtext", "FF0000"));
  EXPECT_FALSE(dialog.SetItemIntAttribute(404, "userdata", 1));

  EXPECT_TRUE(dialog.SetItemText(6, u"changed"));
  EXPECT_EQ(dialog.FindItem(6)->GetText(), u"changed");
  EXPECT_TRUE(dialog.SetItemVisible(6, false));
  EXPECT_FALSE(dialog.FindItem(6)->IsVisible(true));
  EXPECT_TRUE(dialog.SetItemVisible(6, true));
  EXPECT_TRUE(dialog.FindItem(6)->IsVisible(true));
  // A new "pos" re-lays the element out at once (body starts at y 30).
  EXPECT_TRUE(dialog.SetItemAttribute(6, "pos", "20,40,60,50"));
  const ZRect r = dialog.FindItem(6)->GetRect();
  EXPECT_EQ((std::vector<int>{r.left, r.top, r.right, r.bottom}), (std::vector<int>{20, 70, 60, 80}));
  EXPECT_TRUE(dialog.SetItemIntAttribute(6, "userdata", -42));
  EXPECT_EQ(dialog.FindItem(6)->GetUserData(), -42);
  EXPECT_FALSE(dialog.SetItemAttribute(6, "valign", "sideways"));  // rejected by the element
}

TEST_F(DialogViewTest, FramelessViewKeepsItsHeldSizeAndHasNoBorder) {
  CVuDialogViewEx dialog(11003);
  HWND window = dialog.Create(nullptr);
  ASSERT_NE(window, nullptr);
  RECT outer, client;
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  EXPECT_EQ(outer.right - outer.left, client.right);
  EXPECT_EQ(outer.bottom - outer.top, client.bottom);
  EXPECT_EQ(client.right, 60);
  SetWindowPos(window, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 60);
  EXPECT_EQ(client.bottom, 50);
}

TEST_F(DialogViewTest, HeaderPressOnNoControlStartsTheMoveUnlessNomove) {
  ScriptedDialog dialog(11001);
  std::vector<WPARAM> moves;
  dialog.on_message = [&](ScriptedDialog*, UINT message, WPARAM wparam, LPARAM) {
    if (message != WM_SYSCOMMAND) return false;
    moves.push_back(wparam);
    return true;  // the test does not run the host's move loop
  };
  HWND window = dialog.Create(nullptr);
  ASSERT_NE(window, nullptr);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));  // empty header
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0], static_cast<WPARAM>(SC_MOVE | HTCAPTION));
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(180, 10));  // the header's button
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 60));   // the body
  EXPECT_EQ(moves.size(), 1u);
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(20, 60));

  ScriptedDialog fixed(11003);
  fixed.on_message = dialog.on_message;
  ASSERT_NE(fixed.Create(nullptr), nullptr);
  SendMessageW(fixed.GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
  EXPECT_EQ(moves.size(), 1u);
}

TEST_F(DialogViewTest, ShadowFollowsAVisibleTopLevelDialogAndGoesWithIt) {
  CVuDialogViewEx dialog(11003);
  HWND window = dialog.Create(nullptr);
  ASSERT_NE(window, nullptr);
  UpdateWindow(window);
  HWND shadow = dialog.Shadow().GetHwnd();
  ASSERT_NE(shadow, nullptr);
  EXPECT_TRUE(IsWindowVisible(shadow));
  RECT d, s;
  GetWindowRect(window, &d);
  GetWindowRect(shadow, &s);
  const int size = VuShadowWindow::kShadowSize;
  EXPECT_EQ((std::vector<long>{s.left, s.top, s.right, s.bottom}),
            (std::vector<long>{d.left - size, d.top - size, d.right + size, d.bottom + size}));
  EXPECT_NE(GetWindowLongW(shadow, GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
  const std::u16string shadow_class = kVuShadowWindowClass;
  SimFrame frame;
  ASSERT_TRUE(SimFindFrame(nullptr, &shadow_class, &frame));
  EXPECT_EQ(frame.pixels[0] >> 24, 0xFFu);  // painted with "dlg_shadow"

  SetWindowPos(window, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  GetWindowRect(shadow, &s);
  EXPECT_EQ(s.left, 300 - size);
  EXPECT_EQ(s.top, 200 - size);
  ShowWindow(window, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(shadow));

  // A layered dialog draws its own edges: no shadow.
  CVuDialogViewEx layered(11002);
  ASSERT_NE(layered.Create(nullptr), nullptr);
  UpdateWindow(layered.GetHwnd());
  EXPECT_TRUE(layered.Shadow().GetHwnd() == nullptr || !IsWindowVisible(layered.Shadow().GetHwnd()));
}

}  // namespace
