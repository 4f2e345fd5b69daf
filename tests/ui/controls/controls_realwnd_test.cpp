// Real child windows hosted by elements, on a machine's window: they
// follow the element's rectangle and visibility (a tab page switching
// counts), "realwnd2" destroys its window, "realwndex" follows the
// disabled bit; and the owner-event container's "notifymsg" arrives.
#include "platform/window_geometry.h"
#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "tests/ui/controls/controls_image_support.h"
#include "ui/controls/container/CVuOwnerEventDlg.h"
#include "ui/controls/container/CVuRealWnd2.h"
#include "ui/controls/container/CVuRealWndEx.h"
#include "ui/controls/container/CVuTabCtrl.h"
#include "ui/controls/container/VuContainerInput.h"

namespace {

class ControlsRealWindowTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    WNDCLASSEXW c = {};
    c.cbSize = sizeof(c);
    c.lpfnWndProc = DefWindowProcW;
    c.lpszClassName = u"RealWndTestHost";
    RegisterClassExW(&c);
    host_ = CreateWindowExW(0, u"RealWndTestHost", u"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300,
                            200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(host_, nullptr);
  }
  void TearDown() override {
    if (host_ && IsWindow(host_)) DestroyWindow(host_);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    ControlTest::TearDown();
  }
  HWND MakeChild() {
    return CreateWindowExW(0, u"RealWndTestHost", u"child", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, host_, nullptr,
                           nullptr, nullptr);
  }
  // The child's rectangle in the host's client coordinates.
  std::string ClientRect(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    POINT origin{0, 0};
    ClientToScreen(host_, &origin);
    return RectText(ZRect{r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y});
  }
  HWND host_ = nullptr;
};

TEST_F(ControlsRealWindowTest, ChildWindowFollowsTheElementsRectangleAndVisibility) {
  auto tabs = Make<CVuTabCtrl>(R"(<tabctrl pos="0,0,100,100" tabheight="10">
      <tab><realwnd id="5" pos="10,5,50,25"/></tab><tab/></tabctrl>)");
  tabs->SetHostWindow(host_);
  tabs->Position(0, 0, 100, 100);
  auto* real = dynamic_cast<CVuRealWnd*>(tabs->FindChildById(5));
  ASSERT_NE(real, nullptr);
  HWND child = MakeChild();
  ASSERT_NE(child, nullptr);
  real->AttachWindow(child);
  EXPECT_EQ(ClientRect(child), "10,15,50,35");
  EXPECT_TRUE(IsWindowVisible(child));

  ASSERT_TRUE(tabs->SelectTab(1));
  EXPECT_FALSE(IsWindowVisible(child));
  ASSERT_TRUE(tabs->SelectTab(0));
  EXPECT_TRUE(IsWindowVisible(child));
  real->Show(false);
  EXPECT_FALSE(IsWindowVisible(child));
  real->Show(true);
  EXPECT_TRUE(IsWindowVisible(child));

  // A new "pos" moves the window with the element.
  EXPECT_EQ(real->SetAttribute("pos", "20,30,40,45", false), 1);
  EXPECT_EQ(ClientRect(child), "20,40,40,55");
  tabs->Position(0, 20, 100, 100);
  EXPECT_EQ(ClientRect(child), "20,60,40,75");

  // The window stays the application's.
  tabs.reset();
  EXPECT_TRUE(IsWindow(child));
  DestroyWindow(child);
}

TEST_F(ControlsRealWindowTest, OwningAndEnablingVariants) {
  HWND owned = MakeChild();
  {
    auto real2 = Make<CVuRealWnd2>(R"(<realwnd2 pos="0,0,10,10"/>)");
    real2->SetHostWindow(host_);
    real2->AttachWindow(owned);
    HWND replaced = MakeChild();
    real2->AttachWindow(replaced);
    EXPECT_FALSE(IsWindow(owned));
    owned = replaced;
  }
  EXPECT_FALSE(IsWindow(owned));

  HWND child = MakeChild();
  auto real_ex = Make<CVuRealWndEx>(R"(<realwndex pos="0,0,10,10"/>)");
  real_ex->SetHostWindow(host_);
  real_ex->AttachWindow(child);
  EXPECT_TRUE(IsWindowEnabled(child));
  real_ex->ModifyState(kVuStateDisabled, 0);
  EXPECT_FALSE(IsWindowEnabled(child));
  real_ex->ModifyState(0, kVuStateDisabled);
  EXPECT_TRUE(IsWindowEnabled(child));
  // A window destroyed behind the element's back is left alone.
  DestroyWindow(child);
  real_ex->ModifyState(kVuStateHidden, 0);
  real_ex->AttachWindow(nullptr);
}

TEST_F(ControlsRealWindowTest, OwnerEventClickPostsTheNotifyMessage) {
  auto owner = Make<CVuOwnerEventDlg>(R"(<ownereventdlg pos="0,0,100,50" id="9" notifymsg="1025">
      <button id="3" pos="0,0,40,20"/></ownereventdlg>)");
  owner->SetHostWindow(host_);
  owner->Position(0, 0, 100, 50);
  LRESULT result = 0;
  owner->ProcessMessage(WM_LBUTTONDOWN, 0, VuMouseLParam(5, 5), &result);
  owner->ProcessMessage(WM_LBUTTONUP, 0, VuMouseLParam(5, 5), &result);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, host_, 1025, 1025, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 9u);
  EXPECT_EQ(msg.lParam, 3);
}

}  // namespace
