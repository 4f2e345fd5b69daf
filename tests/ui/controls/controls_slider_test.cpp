// Sliders driven by mouse messages: pressing on the track jumps there,
// dragging the thumb follows the mouse from where it was taken, every change
// is told to the host window, and hostile attributes stay in range.
#include <vector>

#include "platform/window_messages.h"
#include "tests/ui/controls/controls_test_support.h"
#include "ui/controls/progress/CVuSliderViewEx.h"
#include "ui/controls/progress/VuSlider.h"
#include "ui/element/VuNotify.h"

namespace {

std::vector<VuNotifyRecord>* g_records = nullptr;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kVuMsgElementNotify && g_records && lparam) {
    g_records->push_back(*reinterpret_cast<const VuNotifyRecord*>(lparam));
    return 1;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

class SliderTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    g_records = &records_;
    WNDCLASSEXW c = {};
    c.cbSize = sizeof(c);
    c.lpfnWndProc = RecordingProc;
    c.lpszClassName = u"SliderTestHost";
    RegisterClassExW(&c);
    host_ = CreateWindowExW(0, u"SliderTestHost", u"host", WS_OVERLAPPEDWINDOW, 0, 0, 300, 100, nullptr, nullptr,
                            nullptr, nullptr);
    ASSERT_NE(host_, nullptr);
  }
  void TearDown() override {
    if (host_ && IsWindow(host_)) DestroyWindow(host_);
    g_records = nullptr;
    ControlTest::TearDown();
  }
  std::vector<int> Positions() const {
    std::vector<int> out;
    for (const VuNotifyRecord& r : records_) {
      EXPECT_EQ(r.code, kVuNotifySliderChanged);
      EXPECT_STREQ(r.item_class, "slider");
      EXPECT_EQ(r.item_id, 9);
      out.push_back(r.sub_code);
    }
    return out;
  }
  std::vector<VuNotifyRecord> records_;
  HWND host_ = nullptr;
};

TEST_F(SliderTest, TrackPressAndThumbDragMoveThePositionAndTellTheHost) {
  // Track from x 10 to 110 (margins 10 and 90 of a 200 x 20 slider).
  auto slider = Make<VuSlider>(R"(<slider id="9" pos="0,0,200,20" sliderpos="20" bgleftmargin="10" bgrightmargin="90"/>)");
  ASSERT_NE(slider, nullptr);
  slider->SetHostWindow(host_);
  EXPECT_EQ(ElementRectText(slider->TrackRect()), "10,0,110,20");
  EXPECT_EQ(ElementRectText(slider->ThumbRect()), "24,4,36,16");

  // A press on the track jumps there; moving without the button does nothing.
  Send(slider.get(), WM_MOUSEMOVE, 80, 10);
  EXPECT_TRUE(records_.empty());
  Send(slider.get(), WM_LBUTTONDOWN, 80, 10);
  EXPECT_EQ(slider->Position(), 70);
  EXPECT_TRUE(slider->IsDragging());
  Send(slider.get(), WM_LBUTTONUP, 80, 10);
  EXPECT_FALSE(slider->IsDragging());

  // Taking the thumb 3 pixels right of its centre keeps that offset: no jump.
  const ZRect thumb = slider->ThumbRect();
  const int centre = thumb.left + thumb.Width() / 2;
  Send(slider.get(), WM_LBUTTONDOWN, centre + 3, 10);
  EXPECT_EQ(slider->Position(), 70);
  Send(slider.get(), WM_MOUSEMOVE, centre + 3 - 25, 10, MK_LBUTTON);
  EXPECT_EQ(slider->Position(), 45);
  // Past the track's ends it stops at 0 and 100, even far outside the element.
  Send(slider.get(), WM_MOUSEMOVE, -3000, 10, MK_LBUTTON);
  EXPECT_EQ(slider->Position(), 0);
  Send(slider.get(), WM_MOUSEMOVE, 32000, 10, MK_LBUTTON);
  EXPECT_EQ(slider->Position(), 100);
  Send(slider.get(), WM_LBUTTONUP, 32000, 10);
  EXPECT_EQ(Positions(), (std::vector<int>{70, 45, 0, 100}));
  // A release the slider never saw (it happened over another element) ends
  // the drag at the next move without the button.
  Send(slider.get(), WM_LBUTTONDOWN, 20, 10);
  EXPECT_TRUE(slider->IsDragging());
  Send(slider.get(), WM_MOUSEMOVE, 60, 10);
  EXPECT_FALSE(slider->IsDragging());
  EXPECT_EQ(slider->Position(), 10) << "where the press put it";

  // Disabled: no press is taken.
  slider->ModifyState(kVuStateDisabled, 0);
  Send(slider.get(), WM_LBUTTONDOWN, 90, 10);
  EXPECT_EQ(slider->Position(), 10);
  EXPECT_FALSE(slider->IsDragging());
}

TEST_F(SliderTest, AttributesStayInRangeAndSkinsDrawByState) {
  auto slider = Make<VuSlider>(R"(<slider pos="0,0,100,10" sliderpos="250" skin="off" skinbg="on"/>)");
  EXPECT_EQ(slider->Position(), 100);
  EXPECT_EQ(slider->SetAttribute("sliderpos", "-9", false), 1);
  EXPECT_EQ(slider->Position(), 0);
  EXPECT_EQ(slider->SetAttribute("sliderpos", "half", false), E_FAIL);
  EXPECT_EQ(slider->SetAttribute("bgtopmargin", "99999999", false), 1);
  EXPECT_EQ(slider->TrackRect().Height(), 0) << "margins larger than the slider leave an empty track";
  EXPECT_EQ(slider->SetAttribute("bgtopmargin", "0", false), 1);
  // The thumb ("off", 10 x 10) in its state frame over the track ("on").
  PaintIn(slider.get(), kVuStateHover);
  EXPECT_EQ(Px(2, 5), kGreen);
  EXPECT_EQ(Px(50, 5), kWhite) << "the track skin draws its 10 pixels only";
  PaintIn(slider.get(), 0);
  EXPECT_EQ(Px(2, 5), kRed);
  // Without skins: a filled track up to the thumb.
  auto plain = Make<VuSlider>(R"(<slider pos="0,0,100,20" sliderpos="50"/>)");
  PaintIn(plain.get(), 0);
  EXPECT_EQ(Px(20, 10), 0xFF426190u);
  EXPECT_EQ(Px(80, 10), 0xFFD0D0D0u);
}

TEST_F(SliderTest, SliderViewStepsDragsAndTurnsWithTheWheel) {
  // 112 wide: the 12-pixel thumb's halves leave a track from x 6 to 106,
  // one pixel per value of 100.
  auto view = Make<CVuSliderViewEx>(
      R"(<sliderviewex id="9" pos="0,0,112,20" max_value="100" current_value="250" step_value="10">
           <text id="1" pos="0,0,10,10"/></sliderviewex>)");
  ASSERT_NE(view, nullptr);
  view->SetHostWindow(host_);
  EXPECT_EQ(view->Value(), 100) << "clamped by max_value";
  EXPECT_EQ(view->SetAttribute("current_value", "20", false), 1);
  EXPECT_EQ(ElementRectText(view->TrackRect()), "6,0,106,20");
  EXPECT_EQ(ElementRectText(view->ThumbRect()), "20,4,32,16");

  // A press beside the thumb steps towards the press, then the drag follows.
  Send(view.get(), WM_LBUTTONDOWN, 86, 10);
  EXPECT_EQ(view->Value(), 30);
  Send(view.get(), WM_MOUSEMOVE, 56, 10, MK_LBUTTON);
  EXPECT_EQ(view->Value(), 50);
  Send(view.get(), WM_LBUTTONUP, 56, 10);
  EXPECT_FALSE(view->IsDragging());
  // The wheel does nothing until enabled; then each notch is a step.
  LRESULT ignored = 0;
  view->ProcessMessage(WM_MOUSEWHEEL, static_cast<WPARAM>(240u << 16), At(50, 10), &ignored);
  EXPECT_EQ(view->Value(), 50);
  EXPECT_EQ(view->SetAttribute("enable_mousewhell", "1", false), 1);
  view->ProcessMessage(WM_MOUSEWHEEL, static_cast<WPARAM>(240u << 16), At(50, 10), &ignored);
  EXPECT_EQ(view->Value(), 70);
  view->ProcessMessage(WM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<uint32_t>(-120 * 100) << 16), At(50, 10), &ignored);
  EXPECT_EQ(view->Value(), 0);
  for (const VuNotifyRecord& r : records_) EXPECT_STREQ(r.item_class, "sliderviewex");
  ASSERT_EQ(records_.size(), 4u) << "30, 50, 70, 0: the release changed nothing";
  EXPECT_EQ(records_.back().sub_code, 0);

  // Hostile values stay in range; garbage is refused.
  EXPECT_EQ(view->SetAttribute("max_value", "0", false), 1);
  EXPECT_EQ(view->MaxValue(), 1);
  EXPECT_EQ(view->SetAttribute("step_value", "-5", false), 1);
  EXPECT_EQ(view->Step(), 1);
  EXPECT_EQ(view->SetAttribute("current_value", "lots", false), E_FAIL);
  EXPECT_EQ(view->SetAttribute("max_value", "2147483647", false), 1);
  EXPECT_EQ(view->SetAttribute("current_value", "2147483647", false), 1);
  PaintIn(view.get(), 0);
  EXPECT_EQ(ElementRectText(view->ThumbRect()), "100,4,112,16");
  // Still an owner-event container: its child is found under the mouse.
  Send(view.get(), WM_MOUSEMOVE, 5, 5);
  EXPECT_EQ(view->HoverChild(), view->FindChildById(1));
}

}  // namespace
