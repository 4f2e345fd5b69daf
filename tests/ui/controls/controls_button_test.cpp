// Buttons: image buttons framed by state and kept pushed in a group, the
// image effects (offset, mask, clip, caption), the sized button's caps and
// middle, the link's underline, and the container button that is hit as one
// element and hands its state to its children.
#include "tests/ui/controls/controls_test_support.h"
#include "ui/controls/basic/CVuImageWnd.h"
#include "ui/controls/basic/CVuStatic.h"
#include "ui/controls/button/CVuDialogButton.h"
#include "ui/controls/button/CVuImageBtnWnd.h"
#include "ui/controls/button/CVuImgbtnsized.h"
#include "ui/controls/button/CVuLink.h"

namespace {

class ButtonTest : public ControlTest {};

TEST_F(ButtonTest, ImageButtonFramesByStateAndGroupKeepsTheClickedOnePushed) {
  auto dlg = Make<CVuDialog>(R"(<dlg pos="0,0,-0,-0">
      <imgbtn id="1" pos="0,0,10,10" skin="off" group="tools"/>
      <imgbtn id="2" pos="20,0,30,10" skin="off" group="tools"/>
      <imgbtn id="3" pos="40,0,50,10" skin="off"/></dlg>)");
  auto* one = static_cast<CVuImageBtnWnd*>(dlg->FindChildById(1));
  auto* two = static_cast<CVuImageBtnWnd*>(dlg->FindChildById(2));
  auto* plain = static_cast<CVuImageBtnWnd*>(dlg->FindChildById(3));
  const struct {
    uint32_t state, colour;
  } frames[] = {{0, kRed}, {kVuStateHover, kGreen}, {kVuStatePushed | kVuStateHover, kBlue},
                {kVuStateDisabled | kVuStateHover, kYellow}};
  for (const auto& f : frames) {
    PaintIn(plain, f.state);
    EXPECT_EQ(Px(45, 5), f.colour) << f.state;
  }
  EXPECT_TRUE(plain->NeedsRedrawOnStateChange());
  Click(plain, 45, 5);
  EXPECT_FALSE(plain->IsChecked()) << "no group: a plain button";

  Click(one, 5, 5);
  EXPECT_TRUE(one->IsChecked());
  PaintIn(one, kVuStateChecked);
  EXPECT_EQ(Px(5, 5), kBlue) << "the checked member stays pushed";
  Click(two, 25, 5);
  EXPECT_TRUE(two->IsChecked());
  EXPECT_FALSE(one->IsChecked());
  Click(two, 25, 5);
  EXPECT_TRUE(two->IsChecked()) << "clicking it again keeps it";
}

TEST_F(ButtonTest, ImageOffsetMaskClipAndCaption) {
  // ico_top moves the image down.
  auto moved = Make<CVuImageWnd>(R"(<img pos="0,0,10,20" skin="off" ico_top="6"/>)");
  PaintIn(moved.get(), 0);
  EXPECT_EQ(Px(5, 3), kWhite);
  EXPECT_EQ(Px(5, 8), kRed);
  // The mask colour leaves those pixels out (frame 0 of "on" is cyan).
  auto masked = Make<CVuImageWnd>(R"(<img pos="0,0,10,10" skin="on" mask="00FFFF"/>)");
  PaintIn(masked.get(), 0);
  EXPECT_EQ(Px(5, 5), kWhite);
  auto unmasked = Make<CVuImageWnd>(R"(<img pos="0,0,10,10" skin="on" mask="FF0000"/>)");
  PaintIn(unmasked.get(), 0);
  EXPECT_EQ(Px(5, 5), kCyan);
  // A round clip cuts the corners, keeps the centre.
  auto round = Make<CVuImageWnd>(R"(<img pos="0,0,10,10" skin="off" cliptype="round"/>)");
  PaintIn(round.get(), 0);
  EXPECT_EQ(Px(0, 0), kWhite);
  EXPECT_EQ(Px(5, 5), kRed);
  auto rounded = Make<CVuImageWnd>(R"(<img pos="0,0,10,10" skin="off" cliptype="2" clipparam="3"/>)");
  PaintIn(rounded.get(), 0);
  EXPECT_EQ(Px(0, 0), kWhite);
  EXPECT_EQ(Px(0, 5), kRed);
  // Garbage effects are refused; huge offsets are clamped and still paint.
  EXPECT_EQ(rounded->SetAttribute("cliptype", "star", false), E_FAIL);
  EXPECT_EQ(rounded->ClipType(), kVuClipRoundRect);
  EXPECT_EQ(rounded->SetAttribute("mask", "red", false), E_FAIL);
  EXPECT_EQ(rounded->SetAttribute("ico_top", "-2147483648", false), 1);
  PaintIn(rounded.get(), 0);
  // The caption is drawn at caption_top, centred.
  auto captioned = Make<CVuImageWnd>(R"(<img pos="0,0,100,40" caption="Hello" caption_top="20"/>)");
  PaintIn(captioned.get(), 0);
  EXPECT_EQ(Inked({0, 0, 100, 20}), 0u);
  EXPECT_GT(Inked({30, 20, 70, 40}), 10u);
  EXPECT_EQ(Inked({0, 20, 25, 40}), 0u);
}

TEST_F(ButtonTest, SizedButtonStretchesTheMiddleBetweenItsCaps) {
  // A 30 x 10 strip per state: a red cap, a green middle, a blue cap.
  WriteResource("7.bmp", BmpBytes(60, 10, [](int x, int) {
                  const int in = x % 30;
                  const bool hover = x >= 30;
                  if (in < 5) return hover ? kYellow : kRed;
                  if (in >= 25) return kBlue;
                  return kGreen;
                }));
  WriteResource("8.bmp", BmpBytes(4, 10, Stripes(4, {kMagenta})));
  LoadSkins(R"(<imglst name="caps" src="7" subwidth="30"/><imglst name="mid" src="8"/>)");
  auto button = Make<CVuImgbtnsized>(R"(<imgbtnsized pos="0,0,120,10" skin="caps" left="5"/>)");
  PaintIn(button.get(), 0);
  EXPECT_EQ(Px(2, 5), kRed);
  EXPECT_EQ(Px(60, 5), kGreen);
  EXPECT_EQ(Px(117, 5), kBlue);
  PaintIn(button.get(), kVuStateHover);
  EXPECT_EQ(Px(2, 5), kYellow) << "the caps follow the state frame";
  auto with_mid = Make<CVuImgbtnsized>(R"(<imgbtnsized pos="0,0,120,10" skin="caps" skinmid="mid" left="5"/>)");
  PaintIn(with_mid.get(), 0);
  EXPECT_EQ(Px(60, 5), kMagenta);
  EXPECT_EQ(Px(117, 5), kBlue);
  // Caps wider than half the button are cut to half; a narrow one stays sane.
  EXPECT_EQ(with_mid->SetAttribute("left", "99999", false), 1);
  PaintIn(with_mid.get(), 0);
  EXPECT_EQ(Px(2, 5), kRed);
  EXPECT_EQ(Px(10, 5), kGreen) << "half the skin, unstretched";
  EXPECT_EQ(Px(60, 5), kMagenta);
  EXPECT_EQ(Px(118, 5), kBlue);
  EXPECT_EQ(with_mid->SetAttribute("left", "x", false), E_FAIL);
}

TEST_F(ButtonTest, LinkIsUnderlinedOnHoverAndBlueByDefault) {
  auto link = Make<CVuLink>(R"(<link pos="0,0,120,24" href="https://example.invalid">Read the terms</link>)");
  ASSERT_NE(link, nullptr);
  EXPECT_TRUE(link->GetLink() == u"https://example.invalid");
  PaintIn(link.get(), 0);
  const size_t plain = Inked({0, 0, 120, 24});
  EXPECT_GT(CountIf({0, 0, 120, 24}, [](int r, int, int b) { return b > 150 && r < 80; }), 10u) << "blue text";
  PaintIn(link.get(), kVuStateHover);
  EXPECT_GT(Inked({0, 0, 120, 24}), plain + 20) << "the underline";
}

TEST_F(ButtonTest, ContainerButtonIsHitAsOneAndItsChildrenShowItsState) {
  LoadStyles(R"(<class name="label" crtext="000000" crhover="FF0000" crpush="0000FF"/>
                <class name="face" crbg="FFFFFF" crbghover="00FF00"/>)");
  auto button = Make<CVuDialogButton>(R"(<dlgbtn pos="0,0,80,24" class="face">
      <text id="1" pos="0,0,-0,-0" class="label">OK</text></dlgbtn>)");
  ASSERT_NE(button, nullptr);
  CVuWindow* label = button->FindChildById(1);
  EXPECT_EQ(button->HitTest(40, 12, 1), button->GetHandle());
  EXPECT_EQ(button->HitTest(80, 12, 1), 0u);
  EXPECT_TRUE(button->NeedsRedrawOnStateChange()) << "its label's style shows state";

  button->ModifyState(kVuStateHover, 0);
  EXPECT_EQ(label->GetState() & kVuStateHover, kVuStateHover);
  canvas_.Clear(ZColor{255, 255, 255, 255});
  button->Redraw(&canvas_, nullptr);
  EXPECT_EQ(Px(78, 20), kGreen) << "the face's hover colour";
  EXPECT_GT(CountIf({0, 0, 80, 24}, [](int r, int g, int b) { return r > 150 && g < 80 && b < 80; }), 5u)
      << "the label in its hover colour";
  button->ModifyState(kVuStatePushed, kVuStateHover);
  EXPECT_EQ(label->GetState() & (kVuStateHover | kVuStatePushed), kVuStatePushed);
  // State set behind its back reaches the children at the next paint.
  button->CVuDialog::ModifyState(0, kVuStatePushed);
  button->Redraw(&canvas_, nullptr);
  EXPECT_EQ(label->GetState() & kVuStatePushed, 0u);

  // The extended tag is the same button: made by the creator, not a built-in.
  EXPECT_EQ(VuCreateControl("dlgbtnEx2", nullptr), nullptr);
  auto ex2 = Make<CVuDlgBtnEx2>(R"(<dlgbtnEx2 pos="0,0,10,10"><text id="2" pos="0,0,-0,-0"/></dlgbtnEx2>)");
  ASSERT_NE(ex2, nullptr);
  EXPECT_EQ(ex2->HitTest(5, 5, 1), ex2->GetHandle());
}

}  // namespace
