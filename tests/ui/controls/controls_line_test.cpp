// Lines and shapes: the four rule styles' dash patterns, thickness and
// orientation, the line view's colours by state and its caps, round
// rectangles with and without an outline, shadow text by state, and the
// extended tags made by the creator.
#include <string>

#include "tests/ui/controls/controls_test_support.h"
#include "ui/controls/container/CVuControlCreator.h"
#include "ui/controls/line/CVUShadowText.h"
#include "ui/controls/line/CVuLine.h"
#include "ui/controls/line/CVuLineViewEx.h"
#include "ui/controls/line/CVuRoundRect.h"

namespace {

class LineTest : public ControlTest {
 protected:
  // Row y from x 0 to width as '#' (red) and '.' (anything else).
  std::string Row(int y, int width) const {
    std::string row;
    for (int x = 0; x < width; ++x) row += Px(x, y) == kRed ? '#' : '.';
    return row;
  }
  static std::string Pattern(std::initializer_list<int> runs, int width) {
    std::string out;
    for (bool on = true; static_cast<int>(out.size()) < width; )
      for (int run : runs) {
        out += std::string(static_cast<size_t>(run), on ? '#' : '.');
        on = !on;
      }
    return out.substr(0, static_cast<size_t>(width));
  }
};

TEST_F(LineTest, RuleStylesDrawTheirDashPatterns) {
  const struct {
    const char* style;
    std::initializer_list<int> runs;
  } styles[] = {{"solid", {60}}, {"dash", {18, 6}}, {"dashdot", {9, 6, 3, 6}}, {"dashdotdot", {9, 3, 3, 3, 3, 3}}};
  for (const auto& s : styles) {
    auto rule = Make<CVuLine>(std::string(R"(<hr pos="0,0,60,5" crtext="FF0000" style=")") + s.style + "\"/>");
    ASSERT_NE(rule, nullptr);
    PaintIn(rule.get(), 0);
    EXPECT_EQ(Row(2, 60), Pattern(s.runs, 60)) << s.style;
    EXPECT_EQ(Row(1, 60), std::string(60, '.')) << "one pixel thick, in the middle";
    EXPECT_EQ(Row(3, 60), std::string(60, '.'));
  }
  auto rule = Make<CVuLine>(R"(<hr pos="0,0,60,5" crtext="FF0000" style="dash"/>)");
  EXPECT_EQ(rule->SetAttribute("style", "dot", false), E_FAIL) << "not one of the rule's four";
  EXPECT_EQ(rule->SetAttribute("style", "1", false), E_FAIL);
  EXPECT_EQ(rule->PenStyle(), kZPenDash);
  EXPECT_EQ(rule->SetAttribute("size", "-4", false), E_FAIL);
  // Thicker pens stretch the dashes with them; a tall rule stands upright.
  EXPECT_EQ(rule->SetAttribute("size", "2", false), 1);
  PaintIn(rule.get(), 0);
  EXPECT_EQ(Row(2, 60), Pattern({36, 12}, 60));
  EXPECT_EQ(Row(1, 60), Pattern({36, 12}, 60));
  EXPECT_EQ(Row(3, 60), std::string(60, '.'));
  auto upright = Make<CVuLine>(R"(<hr pos="0,0,5,40" crtext="FF0000"/>)");
  PaintIn(upright.get(), 0);
  EXPECT_EQ(Px(2, 0), kRed);
  EXPECT_EQ(Px(2, 39), kRed);
  EXPECT_EQ(Px(2, 40), kWhite);
  EXPECT_EQ(Px(1, 20), kWhite);
  // Without a position a rule takes the offered width; a huge size is clamped.
  auto flow = Make<CVuLine>(R"(<hr size="99999"/>)", 150, 100);
  EXPECT_EQ(ElementRectText(flow->GetRect()), "0,0,150,256");
}

TEST_F(LineTest, LineViewColoursByStateAndCaps) {
  auto line = Make<CVuLineViewEx>(
      R"(<lineviewex pos="0,0,60,11" linecolor="FF0000" hover_linecolor="00FF00" push_linecolor="0000FF" dashstyle="dot"/>)");
  ASSERT_NE(line, nullptr);
  PaintIn(line.get(), 0);
  EXPECT_EQ(Row(5, 12), "###...###...");
  PaintIn(line.get(), kVuStateHover);
  EXPECT_EQ(Px(0, 5), kGreen);
  PaintIn(line.get(), kVuStateHover | kVuStatePushed);
  EXPECT_EQ(Px(0, 5), kBlue);
  EXPECT_TRUE(line->NeedsRedrawOnStateChange());
  EXPECT_EQ(line->SetAttribute("dashstyle", "wavy", false), E_FAIL);
  EXPECT_EQ(line->SetAttribute("linecolor", "12345", false), E_FAIL);

  auto capped = Make<CVuLineViewEx>(
      R"(<lineviewex pos="0,0,11,60" vertical="1" linecolor="FF0000" startcap="square" endcap="arrow"/>)");
  PaintIn(capped.get(), 0);
  EXPECT_EQ(Px(5, 30), kRed);
  EXPECT_EQ(Px(3, 1), kRed) << "the square cap";
  EXPECT_EQ(Px(3, 30), kWhite);
  EXPECT_GT(Count({0, 50, 5, 59}, kRed) + Inked({0, 50, 5, 59}), 0u) << "the arrow's barbs";
  EXPECT_EQ(capped->SetAttribute("endcap", "hook", false), E_FAIL);
}

TEST_F(LineTest, RoundRectanglesFillAndOutline) {
  auto rect = Make<CVuRoundRect>(R"(<rundrect pos="0,0,40,40" crbg="FF0000" rndwidht="20" rndheight="30"/>)");
  EXPECT_EQ(rect->CornerRadius(), 10);
  PaintIn(rect.get(), 0);
  EXPECT_EQ(Px(0, 0), kWhite) << "the corner is cut";
  EXPECT_EQ(Px(20, 0), kRed);
  EXPECT_EQ(Px(0, 20), kRed);

  auto path = Make<CVuRoundRectPath>(R"(<rundrectpath pos="0,0,40,40" crbg="FF0000" crline="0000FF" linesize="2" rndwidht="8" rndheight="8"/>)");
  PaintIn(path.get(), 0);
  EXPECT_EQ(Px(20, 0), kBlue);
  EXPECT_EQ(Px(20, 1), kBlue);
  EXPECT_EQ(Px(20, 20), kWhite) << "no fill without bdrawbg";
  EXPECT_EQ(path->SetAttribute("bdrawbg", "1", false), 1);
  PaintIn(path.get(), 0);
  EXPECT_EQ(Px(20, 20), kRed);
  EXPECT_EQ(path->SetAttribute("crlinealpha", "0", false), 1);
  PaintIn(path.get(), 0);
  EXPECT_EQ(Px(20, 0), kRed) << "a transparent outline";
  EXPECT_EQ(path->SetAttribute("linesize", "x", false), E_FAIL);

  for (const char* tag : {"shadowtext", "hrex", "dlgbtnEx2", "lineviewex"})
    EXPECT_NE(CVuControlCreator::Default().CreateControl(tag), nullptr) << tag;
}

TEST_F(LineTest, ShadowTextShowsItsShadowByState) {
  ZXmlDocument doc;
  ASSERT_TRUE(doc.Parse(R"(<shadowtext pos="0,0,100,30" crtext="FFFFFF" crshaow="FF0000" crshadowalpha="255"
                            normalshadow="0" hovershadow="1">Shadow</shadowtext>)"));
  auto text = CVuControlCreator::Default().CreateControl("shadowtext");
  ASSERT_NE(text, nullptr);
  text->Load(doc.FirstChildElement());
  text->Position(0, 0, 100, 30);
  auto* shadow = static_cast<CVUShadowText*>(text.get());
  const auto reds = [&] { return CountIf({0, 0, 100, 30}, [](int r, int g, int b) { return r > 200 && g < 60 && b < 60; }); };
  PaintIn(text.get(), 0);
  EXPECT_FALSE(shadow->ShowsShadow());
  EXPECT_EQ(reds(), 0u);
  PaintIn(text.get(), kVuStateHover);
  EXPECT_TRUE(shadow->ShowsShadow());
  EXPECT_GT(reds(), 10u) << "the red shadow peeks out right and below the white text";
  EXPECT_TRUE(text->NeedsRedrawOnStateChange());
  EXPECT_EQ(text->SetAttribute("crshaow", "zz", false), E_FAIL);
}

}  // namespace
