// The containers driven by mouse messages: the tab strip selecting pages,
// the list scrolled by the wheel and by its bar, and the owner-event
// container's child tracking and listener calls.
#include <vector>

#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "tests/ui/controls/controls_image_support.h"
#include "ui/controls/container/CVuListItem.h"
#include "ui/controls/container/CVuListWnd.h"
#include "ui/controls/container/CVuOwnerEventDlg.h"
#include "ui/controls/container/CVuTabCtrl.h"
#include "ui/controls/container/CVuWindowScollBar.h"
#include "ui/controls/container/VuContainerInput.h"

namespace {

class ControlsContainerTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    WriteResource("7.bmp", BmpBytes(40, 10, Stripes(10, {kRed, kGreen, kBlue, kYellow})));
    LoadSkins(R"(<imglst name="strip" src="7" subwidth="10"/>)");
  }
  static bool Send(CVuWindow* element, UINT message, int x, int y, WPARAM wparam = 0) {
    LRESULT result = 0;
    return element->ProcessMessage(message, wparam, VuMouseLParam(x, y), &result);
  }
  static WPARAM Wheel(int delta) { return static_cast<WPARAM>(static_cast<uint16_t>(delta)) << 16; }
};

TEST_F(ControlsContainerTest, ClickingATabShowsItsPageOnly) {
  auto tabs = Make<CVuTabCtrl>(R"(<tabctrl pos="0,0,60,40" tabwidth="20" tabheight="10" tabskin="strip" cursel="1">
      <tab title="A"><text id="11" crbg="FF0000" pos="0,0,-0,-0"/></tab>
      <tab title="B"><text id="12" crbg="0000FF" pos="0,0,-0,-0"/></tab>
      <tab title="C" hide="1"><text id="13"/></tab>
      <text id="14"/>
    </tabctrl>)");
  ASSERT_EQ(tabs->GetTabCount(), 3);
  EXPECT_EQ(ProblemsMentioning("<text> in <tabctrl> skipped"), 1u);
  tabs->Position(0, 0, 60, 40);
  EXPECT_EQ(RectText(tabs->PageArea()), "0,10,60,40");
  EXPECT_EQ(RectText(tabs->TabRect(1)), "20,0,40,10");
  EXPECT_EQ(RectText(tabs->TabRect(2)), "0,0,0,0");  // off the strip
  Paint(tabs.get());
  EXPECT_EQ(Px(1, 1), kRed);    // tab 0: normal frame
  EXPECT_EQ(Px(21, 1), kBlue);  // tab 1: selected, the pushed frame
  EXPECT_TRUE(AllOf(ZRect{0, 10, 60, 40}, kBlue));
  EXPECT_FALSE(tabs->FindChildById(11)->IsVisible(true));

  // Hover frame under the mouse; a press selects.
  EXPECT_TRUE(Send(tabs.get(), WM_MOUSEMOVE, 5, 5));
  Paint(tabs.get());
  EXPECT_EQ(Px(1, 1), kGreen);
  EXPECT_TRUE(Send(tabs.get(), WM_LBUTTONDOWN, 5, 5));
  EXPECT_EQ(tabs->GetCurSel(), 0);
  Send(tabs.get(), WM_MOUSELEAVE, 0, 0);
  Paint(tabs.get());
  EXPECT_EQ(Px(1, 1), kBlue);
  EXPECT_EQ(Px(21, 1), kRed);
  EXPECT_TRUE(AllOf(ZRect{0, 10, 60, 40}, kRed));
  EXPECT_TRUE(tabs->FindChildById(11)->IsVisible(true));
  EXPECT_FALSE(tabs->FindChildById(12)->IsVisible(true));
  // The page's children are hit below the strip, the control on the strip.
  EXPECT_EQ(tabs->HitTest(30, 30, 0), tabs->FindChildById(11)->GetHandle());
  EXPECT_EQ(tabs->HitTest(30, 5, 0), tabs->GetHandle());
  // A hidden page cannot be selected; a disabled control ignores presses.
  EXPECT_FALSE(tabs->SelectTab(2));
  EXPECT_FALSE(tabs->SelectTab(-1));
  tabs->ModifyState(kVuStateDisabled, 0);
  Send(tabs.get(), WM_LBUTTONDOWN, 25, 5);
  EXPECT_EQ(tabs->GetCurSel(), 0);
  Paint(tabs.get());
  EXPECT_EQ(Px(1, 1), kYellow);  // disabled frame

  for (const auto& [name, value] : {std::pair{"tabalign", "middle"}, {"tabwidth", "-3"}, {"tabheight", "99999999"},
                                    {"framepos", "1,2"}, {"tabtext", "F00"}, {"Selfont", "xyz"}})
    EXPECT_EQ(tabs->SetAttribute(name, value, false), E_FAIL) << name;
  EXPECT_EQ(tabs->SetAttribute("tabalign", "right", false), 1);
  tabs->Position(0, 0, 60, 40);
  EXPECT_EQ(RectText(tabs->TabRect(0)), "20,0,40,10");
  EXPECT_EQ(tabs->SetAttribute("framepos", "5,15,-5,-5", false), 1);
  EXPECT_EQ(RectText(tabs->PageArea()), "5,15,55,35");
}

TEST_F(ControlsContainerTest, ListStacksRowsAndScrollsByWheelAndBar) {
  auto list = Make<CVuListWnd>(R"(<listwnd pos="0,0,30,20" wheelmove="5">
      <listitem id="1" height="10" crbg="FF0000"/>
      <listitem id="2" height="10" crbg="00FF00"/>
      <listitem id="3" height="10" viewvisible="0" crbg="000000"/>
      <listitem id="4" height="10" crbg="0000FF"/>
      <listscrollbar barwidth="4" color_bar="FFFF00" rectanglebar="1"/>
    </listwnd>)");
  ASSERT_EQ(list->GetItemCount(), 4);
  list->Position(0, 0, 30, 20);
  EXPECT_EQ(list->GetContentHeight(), 30);
  EXPECT_EQ(RectText(list->GetItem(3)->GetRect()), "0,20,26,30");  // the bar takes 4
  Paint(list.get());
  EXPECT_TRUE(AllOf(ZRect{0, 0, 26, 10}, kRed));
  EXPECT_TRUE(AllOf(ZRect{0, 10, 26, 20}, kGreen));
  EXPECT_EQ(Px(10, 25), kWhite);  // clipped to the list
  EXPECT_TRUE(AllOf(ZRect{26, 0, 30, 13}, kYellow));  // thumb: 20 x 20 / 30
  EXPECT_EQ(Px(28, 15), kWhite);
  EXPECT_EQ(list->HitTest(10, 15, 0), list->GetItem(1)->GetHandle());

  // One notch down moves "wheelmove" pixels; the offset stays in range.
  EXPECT_TRUE(Send(list.get(), WM_MOUSEWHEEL, 0, 0, Wheel(-120)));
  EXPECT_EQ(list->GetScrollOffset(), 5);
  Paint(list.get());
  EXPECT_EQ(Px(10, 2), kRed);
  EXPECT_EQ(Px(10, 7), kGreen);
  Send(list.get(), WM_MOUSEWHEEL, 0, 0, Wheel(-480));
  EXPECT_EQ(list->GetScrollOffset(), 10);
  Paint(list.get());
  EXPECT_TRUE(AllOf(ZRect{0, 10, 26, 20}, kBlue));
  Send(list.get(), WM_MOUSEWHEEL, 0, 0, Wheel(32767));
  EXPECT_EQ(list->GetScrollOffset(), 0);

  // Dragging the thumb by its free track scrolls the whole range.
  CVuWindowScollBar* bar = list->ScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(list->HitTest(28, 2, 0), bar->GetHandle());
  Send(bar, WM_LBUTTONDOWN, 28, 2);
  EXPECT_TRUE(bar->IsDragging());
  Send(bar, WM_MOUSELEAVE, 0, 0);
  Send(bar, WM_MOUSEMOVE, 28, 9);
  EXPECT_EQ(list->GetScrollOffset(), 10);
  Send(bar, WM_MOUSEMOVE, 28, -500);
  EXPECT_EQ(list->GetScrollOffset(), 0);
  Send(bar, WM_LBUTTONUP, 28, -500);
  EXPECT_FALSE(bar->IsDragging());
  Send(bar, WM_LBUTTONDOWN, 28, 18);  // on the track below the thumb: a page
  EXPECT_EQ(list->GetScrollOffset(), 10);

  EXPECT_TRUE(list->EnsureVisible(0));
  EXPECT_EQ(list->GetScrollOffset(), 0);
  EXPECT_TRUE(list->EnsureVisible(3));
  EXPECT_EQ(list->GetScrollOffset(), 10);
  EXPECT_FALSE(list->EnsureVisible(2));  // out of the view
  ASSERT_TRUE(list->RemoveItem(0));
  EXPECT_EQ(list->GetScrollOffset(), 0);  // everything fits again
  EXPECT_FALSE(bar->IsNeeded());
  EXPECT_EQ(RectText(list->GetItem(0)->GetRect()), "0,0,30,10");

  EXPECT_EQ(list->SetAttribute("wheelmove", "0", false), E_FAIL);
  EXPECT_EQ(list->SetAttribute("externline", "-1", false), E_FAIL);
  EXPECT_EQ(bar->SetAttribute("barwidth", "100000", false), E_FAIL);
  EXPECT_EQ(bar->SetAttribute("color_bar", "FFF", false), E_FAIL);
}

TEST_F(ControlsContainerTest, ListMakesItsOwnBarAndHidesItWhenAsked) {
  LoadStylesText(R"(<class name="bars" crbg="00FF00"/>)");
  auto list = Make<CVuListWnd>(R"(<listwnd pos="0,0,30,20" scrollclass="bars" externline="15">
      <listitem height="10"/><listitem height="10"/></listwnd>)");
  ASSERT_NE(list->ScrollBar(), nullptr);
  EXPECT_EQ(list->ScrollBar()->GetStyleName(), "bars");
  list->Position(0, 0, 30, 20);
  EXPECT_EQ(list->GetContentHeight(), 35);
  EXPECT_TRUE(list->ScrollBar()->IsNeeded());
  list->ScrollTo(1000);
  EXPECT_EQ(list->GetScrollOffset(), 15);

  auto hidden = Make<CVuListWnd>(R"(<listwnd pos="0,0,30,20"><listitem height="50"/>
      <listscrollbar permanent_hide="1"/></listwnd>)");
  hidden->Position(0, 0, 30, 20);
  EXPECT_FALSE(hidden->ScrollBar()->IsNeeded());
  EXPECT_EQ(hidden->GetItem(0)->GetRect().right, 30);
  EXPECT_EQ(hidden->HitTest(29, 5, 0), hidden->GetItem(0)->GetHandle());
}

class RecordingListener : public CVuOwnerEventDlg::IChildCtrlEventListener {
 public:
  void OnChildHover(CVuOwnerEventDlg*, CVuWindow* child, ZPoint) override { Log("hover", child); }
  void OnChildClick(CVuOwnerEventDlg*, CVuWindow* child, ZPoint point) override {
    Log("click", child);
    last_point = point;
  }
  void OnChildLButtonDown(CVuOwnerEventDlg*, CVuWindow* child, ZPoint) override { Log("down", child); }
  void OnChildPressLeft(CVuOwnerEventDlg*, CVuWindow* child) override { Log("left", child); }
  void OnChildMouseLeave(CVuOwnerEventDlg*, CVuWindow* child) override { Log("leave", child); }
  void OnChildRClick(CVuOwnerEventDlg*, CVuWindow* child, ZPoint) override { Log("rclick", child); }
  void Log(const char* what, CVuWindow* child) { events.push_back(what + std::to_string(child->GetId())); }
  std::vector<std::string> events;
  ZPoint last_point;
};

TEST_F(ControlsContainerTest, OwnerEventContainerTracksItsChildrenAndReports) {
  auto owner = Make<CVuOwnerEventDlg>(R"(<ownereventdlg pos="0,0,100,50" id="9" notifymsg="1025">
      <button id="1" pos="0,0,40,20"/><button id="2" pos="50,0,90,20"/></ownereventdlg>)");
  owner->Position(0, 0, 100, 50);
  RecordingListener listener;
  owner->SetChildEventListener(&listener);
  CVuWindow* first = owner->FindChildById(1);
  CVuWindow* second = owner->FindChildById(2);
  // The container answers for its whole area.
  EXPECT_EQ(owner->HitTest(10, 10, 0), owner->GetHandle());

  Send(owner.get(), WM_MOUSEMOVE, 10, 10);
  EXPECT_EQ(first->GetState() & kVuStateHover, kVuStateHover);
  Send(owner.get(), WM_LBUTTONDOWN, 10, 10);
  EXPECT_EQ(first->GetState() & kVuStatePushed, kVuStatePushed);
  Send(owner.get(), WM_LBUTTONUP, 12, 11);
  EXPECT_EQ(first->GetState() & kVuStatePushed, 0u);
  EXPECT_EQ(listener.last_point.x, 12);
  EXPECT_EQ(listener.last_point.y, 11);
  Send(owner.get(), WM_MOUSEMOVE, 60, 10);
  EXPECT_EQ(first->GetState() & kVuStateHover, 0u);
  // Pressed on the second, released over the first: the second is left.
  Send(owner.get(), WM_LBUTTONDOWN, 60, 10);
  Send(owner.get(), WM_MOUSEMOVE, 10, 10);
  Send(owner.get(), WM_LBUTTONUP, 10, 10);
  EXPECT_EQ(second->GetState() & (kVuStateHover | kVuStatePushed), 0u);
  Send(owner.get(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(first->GetState() & kVuStateHover, 0u);
  Send(owner.get(), WM_RBUTTONDOWN, 60, 10);
  Send(owner.get(), WM_RBUTTONUP, 60, 10);
  // A disabled child is not tracked.
  second->ModifyState(kVuStateDisabled, 0);
  Send(owner.get(), WM_MOUSEMOVE, 60, 10);
  EXPECT_EQ(owner->HoverChild(), nullptr);
  EXPECT_EQ(listener.events, (std::vector<std::string>{"hover1", "down1", "click1", "leave1", "hover2", "down2",
                                                       "hover1", "left2", "leave1", "rclick2"}));

  EXPECT_EQ(owner->GetNotifyMessage(), 1025u);
  EXPECT_EQ(owner->SetAttribute("notifymsg", "16", false), E_FAIL);  // a system message
  EXPECT_EQ(owner->SetAttribute("notifymsg", "-1", false), E_FAIL);
}

}  // namespace
