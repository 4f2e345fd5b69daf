// Check boxes and radio boxes: defaults and attribute results, the skin by
// checked bit in the state frame, the box placed left and centred, the
// built-in mark when the skin set lacks one, toggling by mouse release, and
// the groups ("unique_id" for check boxes, "group" for radio boxes).
#include "tests/ui/controls/controls_test_support.h"
#include "ui/controls/choice/CVuCheckBox.h"
#include "ui/controls/choice/CVuRadioBox.h"
#include "ui/controls/choice/CVuSelfDefineRadioBox.h"
#include "ui/controls/choice/VuChoiceMark.h"

namespace {

class ChoiceTest : public ControlTest {};

uint32_t Opaque(ZColor c) { return 0xFF000000u | (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b; }

TEST_F(ChoiceTest, CheckBoxDefaultsAndAttributeResults) {
  auto box = Make<CVuCheckBox>(R"(<check pos="0,0,100,20"/>)");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->BoxWidth(), 13);
  EXPECT_EQ(box->BoxHeight(), 13);
  EXPECT_EQ(box->TextSpacing(), 4);
  EXPECT_FALSE(box->IsChecked());
  EXPECT_EQ(box->SetAttribute("checkbox_size", "20", false), 1);
  EXPECT_EQ(box->BoxHeight(), 20) << "an unset height follows the width";
  EXPECT_EQ(box->SetAttribute("checkbox_sizeH", "-3", false), 1);
  EXPECT_EQ(box->BoxHeight(), 20) << "less than 1 counts as unset";
  EXPECT_EQ(box->SetAttribute("checkbox_sizeH", "8", false), 1);
  EXPECT_EQ(box->BoxHeight(), 8);
  // Garbage is refused and leaves the old value; huge values are clamped.
  EXPECT_EQ(box->SetAttribute("checkbox_size", "0", false), E_FAIL);
  EXPECT_EQ(box->SetAttribute("checkbox_size", "wide", false), E_FAIL);
  EXPECT_EQ(box->BoxWidth(), 20);
  EXPECT_EQ(box->SetAttribute("checkbox_size", "2147483647", false), 1);
  EXPECT_EQ(box->BoxWidth(), 4096);
  EXPECT_EQ(box->SetAttribute("text_spacing", "-2147483648", false), 1);
  EXPECT_EQ(box->SetAttribute("check", "1", false), 1);
  EXPECT_TRUE(box->IsChecked());
  EXPECT_EQ(box->SetAttribute("nonsense", "1", false), E_FAIL);
  EXPECT_EQ(box->SetAttribute("id", "7", false), 1) << "the base's names still reach the base";
  // A huge box must paint without trouble.
  PaintIn(box.get(), kVuStateChecked);
}

TEST_F(ChoiceTest, CheckBoxSizesScaleWithDpi) {
  ScaleForDpi(144);
  CVuWindow::SetDpiManagerForTest(dpi_.get());
  auto box = Make<CVuCheckBox>(R"(<check pos="0,0,100,40" checkbox_sizeH="10"/>)", 64, 64, true);
  EXPECT_EQ(box->BoxWidth(), 19);  // 13 x 1.5, truncated
  EXPECT_EQ(box->BoxHeight(), 15);
  EXPECT_EQ(box->TextSpacing(), 6);
}

TEST_F(ChoiceTest, CheckBoxSkinByCheckedBitInTheStateFrame) {
  // 33 high: the 13-pixel box is centred, from y 10; the skins draw 10 x 10
  // at its origin.
  auto box = Make<CVuCheckBox>(R"(<check pos="0,0,60,33" skin="off" skin_check="on"/>)");
  EXPECT_EQ(ElementRectText(box->BoxRect()), "0,10,13,23");
  const struct {
    uint32_t state, colour;
  } cases[] = {{0, kRed},
               {kVuStateHover, kGreen},
               {kVuStateHover | kVuStatePushed, kBlue},
               {kVuStateDisabled | kVuStateHover, kYellow},
               {kVuStateChecked, kCyan},
               {kVuStateChecked | kVuStateHover, kMagenta},
               {kVuStateChecked | kVuStatePushed, kBlack},
               {kVuStateChecked | kVuStateDisabled, kGrey}};
  for (const auto& c : cases) {
    PaintIn(box.get(), c.state);
    EXPECT_EQ(Px(5, 15), c.colour) << "state " << c.state;
    EXPECT_EQ(Px(5, 5), kWhite) << "above the centred box";
  }
  EXPECT_TRUE(box->NeedsRedrawOnStateChange());
}

TEST_F(ChoiceTest, CheckBoxTextStartsRightOfTheBox) {
  auto box = Make<CVuCheckBox>(R"(<check pos="0,0,64,20" skin="off">Wide</check>)");
  PaintIn(box.get(), 0);
  EXPECT_EQ(Inked({13, 0, 17, 20}), 0u) << "the spacing stays clear";
  EXPECT_GT(Inked({17, 0, 64, 20}), 10u) << "the text";
  // Vertically centred though the style asks for nothing.
  EXPECT_GT(Inked({17, 4, 64, 16}), Inked({17, 0, 64, 4}) + Inked({17, 16, 64, 20}));
}

TEST_F(ChoiceTest, BuiltInMarksWhenTheDefaultSkinsAreMissing) {
  auto box = Make<CVuCheckBox>(R"(<check pos="0,0,20,20" checkbox_size="20"/>)");
  PaintIn(box.get(), 0);
  EXPECT_EQ(Px(0, 10), Opaque(kVuChoiceBorder));
  EXPECT_EQ(Px(10, 10), kWhite);
  const size_t unmarked = Count({0, 0, 20, 20}, Opaque(kVuChoiceMark));
  PaintIn(box.get(), kVuStateChecked);
  EXPECT_GT(Count({0, 0, 20, 20}, Opaque(kVuChoiceMark)), unmarked + 10) << "the tick";
  PaintIn(box.get(), kVuStateHover);
  EXPECT_EQ(Px(0, 10), Opaque(kVuChoiceBorderHover));
  PaintIn(box.get(), kVuStateDisabled | kVuStateChecked);
  EXPECT_EQ(Px(3, 3), Opaque(kVuChoiceFaceDisabled));
  EXPECT_EQ(Count({0, 0, 20, 20}, Opaque(kVuChoiceMark)), 0u);

  auto radio = Make<CVuRadioBox>(R"(<radio pos="0,0,20,20" radiobox_size="20" check="1"/>)");
  PaintIn(radio.get(), kVuStateChecked);
  EXPECT_EQ(Px(10, 10), Opaque(kVuChoiceMark)) << "the dot";
  EXPECT_EQ(Px(0, 0), kWhite) << "a circle leaves the corner";
}

TEST_F(ChoiceTest, CheckBoxTogglesOnAReleaseInside) {
  auto box = Make<CVuCheckBox>(R"(<check pos="0,0,50,20"/>)");
  Click(box.get(), 30, 10);
  EXPECT_TRUE(box->IsChecked());
  Click(box.get(), 30, 10);
  EXPECT_FALSE(box->IsChecked());
  Click(box.get(), 50, 10);  // the right edge is outside
  EXPECT_FALSE(box->IsChecked());
  box->ModifyState(kVuStateDisabled, 0);
  Click(box.get(), 5, 5);
  EXPECT_FALSE(box->IsChecked());
}

TEST_F(ChoiceTest, CheckBoxesSharingAUniqueIdExcludeEachOther) {
  auto dlg = Make<CVuDialog>(R"(<dlg pos="0,0,-0,-0">
      <check id="1" pos="0,0,20,20" unique_id="g" check="1"/>
      <check id="2" pos="0,20,20,40" unique_id="g"/>
      <check id="3" pos="0,40,20,60" unique_id="g" check="1"/>
      <check id="4" pos="0,60,20,80" unique_id="other" check="1"/></dlg>)");
  auto* first = static_cast<CVuCheckBox*>(dlg->FindChildById(1));
  auto* second = static_cast<CVuCheckBox*>(dlg->FindChildById(2));
  auto* third = static_cast<CVuCheckBox*>(dlg->FindChildById(3));
  auto* other = static_cast<CVuCheckBox*>(dlg->FindChildById(4));
  // Loading checked the third after the first: the group keeps one.
  EXPECT_FALSE(first->IsChecked());
  EXPECT_TRUE(third->IsChecked());
  first->SetChecked(true);
  Click(second, 5, 25);
  EXPECT_TRUE(second->IsChecked());
  EXPECT_FALSE(first->IsChecked());
  EXPECT_FALSE(third->IsChecked());
  EXPECT_TRUE(other->IsChecked()) << "another unique_id";
  // Clicking the checked member unchecks it; the group may be empty.
  Click(second, 5, 25);
  EXPECT_FALSE(second->IsChecked());
  // A member that is gone is no longer looked at.
  dlg.reset();
  auto lone = Make<CVuCheckBox>(R"(<check pos="0,0,20,20" unique_id="g"/>)");
  lone->SetChecked(true);
  EXPECT_TRUE(lone->IsChecked());
}

TEST_F(ChoiceTest, RadioGroupsKeepOneCheckedPerGroupAndDialog) {
  const char* xml = R"(<dlg pos="0,0,-0,-0">
      <radio id="1" pos="0,0,20,20" group="a" check="1"/>
      <dlg pos="0,20,-0,-0"><radio id="2" pos="0,0,20,20" group="a"/>
        <customradio id="3" pos="20,0,40,20" group="a"/></dlg>
      <radio id="4" pos="0,60,20,80" group="b" check="1"/>
      <radio id="5" pos="20,60,40,80"/><radio id="6" pos="40,60,60,80" check="1"/></dlg>)";
  auto dlg = Make<CVuDialog>(xml);
  auto other = Make<CVuDialog>(xml);
  auto* one = static_cast<CVuRadioBox*>(dlg->FindChildById(1));
  auto* two = static_cast<CVuRadioBox*>(dlg->FindChildById(2));
  auto* three = static_cast<CVuSelfDefineRadioBox*>(dlg->FindChildById(3));
  Click(two, 5, 25);
  EXPECT_TRUE(two->IsChecked());
  EXPECT_FALSE(one->IsChecked()) << "same group in a nested container";
  EXPECT_TRUE(static_cast<CVuRadioBox*>(dlg->FindChildById(4))->IsChecked()) << "group b";
  EXPECT_TRUE(static_cast<CVuRadioBox*>(other->FindChildById(1))->IsChecked()) << "another dialog";
  Click(two, 5, 25);
  EXPECT_TRUE(two->IsChecked()) << "clicking the checked one keeps it";
  Click(three, 25, 25);
  EXPECT_TRUE(three->IsChecked());
  EXPECT_FALSE(two->IsChecked()) << "custom radios share the group";
  // Without a group: the siblings without one.
  auto* five = static_cast<CVuRadioBox*>(dlg->FindChildById(5));
  Click(five, 25, 65);
  EXPECT_TRUE(five->IsChecked());
  EXPECT_FALSE(static_cast<CVuRadioBox*>(dlg->FindChildById(6))->IsChecked());
  EXPECT_TRUE(static_cast<CVuRadioBox*>(dlg->FindChildById(4))->IsChecked());
}

TEST_F(ChoiceTest, RadioSkinsByStateWithDefaultNames) {
  LoadSkins(R"(<imglst name="cmn_radio" src="5" subwidth="10"/><imglst name="cmn_radio_check" src="6" subwidth="10"/>)");
  auto radio = Make<CVuRadioBox>(R"(<radio pos="0,0,40,13"/>)");
  PaintIn(radio.get(), kVuStateHover);
  EXPECT_EQ(Px(5, 5), kGreen);
  PaintIn(radio.get(), kVuStateChecked | kVuStatePushed);
  EXPECT_EQ(Px(5, 5), kBlack);
  EXPECT_EQ(radio->SetAttribute("radiobox_size", "-1", false), E_FAIL);
  EXPECT_EQ(radio->SetAttribute("radiobox_size", "9", false), 1);
  EXPECT_EQ(radio->BoxSize(), 9);

  // The custom radio's skin is its whole face.
  auto custom = Make<CVuSelfDefineRadioBox>(R"(<customradio pos="0,0,10,10" skin="off" skin_check="on"/>)");
  PaintIn(custom.get(), kVuStateDisabled);
  EXPECT_EQ(Px(9, 9), kYellow);
  PaintIn(custom.get(), kVuStateChecked);
  EXPECT_EQ(Px(9, 9), kCyan);
  custom->ModifyState(kVuStateDisabled, kVuStateChecked);
  Click(custom.get(), 5, 5);
  EXPECT_FALSE(custom->IsChecked()) << "disabled";
}

}  // namespace
