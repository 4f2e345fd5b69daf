// The flow layout of a panel: margins, spacing, line spacing, wrapping,
// "br", line alignment, the panel's own size, and floats.
#include "tests/ui/element/ElementTestSupport.h"

namespace {

class ElementFlowLayout : public ElementTest {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    // Margins differ on the two axes so that a swap shows.
    LoadStyles("<class name='flow' x-margin='4' y-margin='3' spacing='2' linespacing='5'/>");
  }
  std::unique_ptr<CVuPanel> Panel(const std::string& attributes, const std::string& children) {
    return LoadTree<CVuPanel>("<div class='flow' " + attributes + ">" + children + "</div>");
  }
  static std::string Box(int id, int w, int h, const std::string& extra = "") {
    return "<text id='" + std::to_string(id) + "' width='" + std::to_string(w) + "' height='" +
           std::to_string(h) + "' " + extra + "/>";
  }
};

TEST_F(ElementFlowLayout, WrapsWithMarginsSpacingAndLineSpacing) {
  auto panel = Panel("width='100'", Box(1, 30, 10) + Box(2, 30, 20) + Box(3, 30, 10) + Box(4, 200, 5));
  panel->Position(10, 20, 300, 300);
  EXPECT_EQ(RectOf(panel.get(), 1), "14,23,44,33");
  EXPECT_EQ(RectOf(panel.get(), 2), "46,23,76,43");
  // 78 + 30 passes the 92 pixels of content: next line, below the tallest
  // child plus the line spacing.
  EXPECT_EQ(RectOf(panel.get(), 3), "14,48,44,58");
  // Wider than the whole line and not first on it: a line of its own.
  EXPECT_EQ(RectOf(panel.get(), 4), "14,63,214,68");
  // Fixed width; automatic height: the last line's bottom (its start plus
  // the line spacing, which is below the child) plus the y margin.
  EXPECT_EQ(RectText(panel->GetRect()), "10,20,110,71");
}

TEST_F(ElementFlowLayout, FirstChildOnALineStaysEvenWhenTooWide) {
  auto panel = Panel("width='50'", Box(1, 80, 10) + Box(2, 10, 10));
  panel->Position(0, 0, 300, 300);
  EXPECT_EQ(RectOf(panel.get(), 1), "4,3,84,13");
  EXPECT_EQ(RectOf(panel.get(), 2), "4,18,14,28");
}

TEST_F(ElementFlowLayout, LineBreakHiddenChildrenAndAutomaticWidth) {
  auto panel = Panel("", Box(1, 30, 10) + "<br/>" + Box(2, 20, 10) + Box(5, 50, 50, "show='0'") +
                             Box(3, 20, 10));
  ASSERT_EQ(panel->Children().size(), 5u);
  panel->Position(0, 0, 300, 300);
  EXPECT_EQ(RectOf(panel.get(), 1), "4,3,34,13");
  EXPECT_EQ(RectOf(panel.get(), 2), "4,18,24,28");
  EXPECT_EQ(RectOf(panel.get(), 3), "26,18,46,28");  // the hidden box takes no room
  // Automatic width: the widest line's right plus the x margin.
  EXPECT_EQ(RectText(panel->GetRect()), "0,0,50,31");
}

TEST_F(ElementFlowLayout, LinesAlignByThePanelsValign) {
  auto middle = Panel("valign='middle'", Box(1, 10, 10) + Box(2, 10, 30));
  middle->Position(0, 0, 300, 300);
  EXPECT_EQ(RectOf(middle.get(), 1), "4,13,14,23");
  EXPECT_EQ(RectOf(middle.get(), 2), "16,3,26,33");
  auto bottom = Panel("valign='bottom'", Box(1, 10, 10) + Box(2, 10, 30) + "<br/>" + Box(3, 10, 4));
  bottom->Position(0, 0, 300, 300);
  EXPECT_EQ(RectOf(bottom.get(), 1), "4,23,14,33");
  // The second line runs from 38 to its start plus the line spacing (43).
  EXPECT_EQ(RectOf(bottom.get(), 3), "4,39,14,43");

  // A valign the grammar lacks is rejected and leaves the old one.
  EXPECT_EQ(middle->SetAttribute("valign", "center", false), E_FAIL);
  EXPECT_EQ(middle->GetValign(), kVuValignMiddle);
  EXPECT_EQ(middle->SetAttribute("valign", "bottom", false), 0);
  EXPECT_EQ(middle->GetValign(), kVuValignBottom);
}

TEST_F(ElementFlowLayout, FloatsLieOverThePaddedContent) {
  auto panel = Panel("width='100' height='80'",
                     Box(1, 20, 10, "float='1' align='right' valign='bottom'") +
                         Box(2, 10, 10, "float='1' align='center' valign='middle'") +
                         Box(3, 10, 10, "float='1'") + Box(4, 10, 10) +
                         Box(5, 10, 10, "float='0'") + Box(6, 10, 10, "float='1' pos='0,0'"));
  panel->Position(10, 20, 300, 300);
  EXPECT_EQ(RectText(panel->GetRect()), "10,20,110,100");
  // Content: 14..106 across, 23..97 down.
  EXPECT_EQ(RectOf(panel.get(), 1), "86,87,106,97");
  EXPECT_EQ(RectOf(panel.get(), 2), "55,55,65,65");
  EXPECT_EQ(RectOf(panel.get(), 3), "14,23,24,33");
  // The flow does not see floats: the first flowing child starts the line.
  EXPECT_EQ(RectOf(panel.get(), 4), "14,23,24,33");
  EXPECT_EQ(panel->FindChildById(5)->GetSizeModes() & (kVuFloating | kVuFloatReadAsZero),
            kVuFloatReadAsZero);
  EXPECT_EQ(RectOf(panel.get(), 5), "26,23,36,33");
  // "pos" with two items makes "float" ineffective: it flows.
  EXPECT_EQ(panel->FindChildById(6)->GetSizeModes() & kVuFloating, 0u);
}

TEST_F(ElementFlowLayout, FullSizesAndNestedPanels) {
  auto panel = Panel("width='full' height='full'",
                     "<dlg id='7' width='40' height='20'><text id='8' pos='-10,-5,-0,-0'/></dlg>" +
                         Box(9, 10, 10));
  panel->Position(5, 5, 200, 100);
  EXPECT_EQ(RectText(panel->GetRect()), "5,5,205,105");
  EXPECT_EQ(RectOf(panel.get(), 7), "9,8,49,28");
  // The absolute child follows its dialog to where the flow put it.
  EXPECT_EQ(RectOf(panel.get(), 8), "39,23,49,28");
  EXPECT_EQ(RectOf(panel.get(), 9), "51,8,61,18");
}

}  // namespace
