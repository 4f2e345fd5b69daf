// The "pos" grammar, the resolution of a coordinate against a span, and
// where absolute layout puts elements: the documented numeric cases plus
// cases that a wrong truncation, a swapped margin or a lost flag fails.
#include <climits>

#include "tests/ui/element/ElementTestSupport.h"
#include "ui/element/VuPosition.h"

namespace {

TEST(ElementPosGrammar, ItemsFlagsAndCounts) {
  VuPosition p = VuParsePosition("|-50,10,|50,40");
  ASSERT_EQ(p.count, 4);
  EXPECT_TRUE(p.items[0].centre);
  EXPECT_TRUE(p.items[0].far_edge);
  EXPECT_EQ(p.items[0].value, 50);
  EXPECT_FALSE(p.items[1].centre || p.items[1].far_edge);
  EXPECT_TRUE(p.items[2].centre);
  EXPECT_FALSE(p.items[2].far_edge);
  EXPECT_EQ(p.items[3].value, 40);

  // 1 and 3 items leave no position; 2 keeps it; past 4 only four are read.
  EXPECT_EQ(VuParsePosition("5").count, 0);
  EXPECT_EQ(VuParsePosition("5,6,7").count, 0);
  EXPECT_EQ(VuParsePosition("").count, 0);
  EXPECT_EQ(VuParsePosition("5,6").count, 2);
  VuPosition five = VuParsePosition("1,2,3,4,99");
  ASSERT_EQ(five.count, 4);
  EXPECT_EQ(five.items[3].value, 4);
  // A count-0 position keeps no stray item values.
  EXPECT_EQ(VuParsePosition("7,8,9").items[0].value, 0);

  // "w" on the third item adds the first, "h" on the fourth adds the second;
  // elsewhere they are consumed and mean nothing.
  VuPosition wh = VuParsePosition("10,20,w30,h40");
  EXPECT_EQ(wh.items[2].value, 40);
  EXPECT_EQ(wh.items[3].value, 60);
  VuPosition misplaced = VuParsePosition("w10,h20,h30,w40");
  EXPECT_EQ(misplaced.items[0].value, 10);
  EXPECT_EQ(misplaced.items[2].value, 30);
  EXPECT_EQ(misplaced.items[3].value, 40);
  // "-" after "|" only: a "-" first and "|" second is no centre.
  VuPosition order = VuParsePosition("-|5,0");
  EXPECT_TRUE(order.items[0].far_edge);
  EXPECT_FALSE(order.items[0].centre);
  EXPECT_EQ(order.items[0].value, 0);
  // After the flags the number is read leniently, sign included.
  VuPosition signed_value = VuParsePosition("--30, 7");
  EXPECT_TRUE(signed_value.items[0].far_edge);
  EXPECT_EQ(signed_value.items[0].value, -30);
  EXPECT_EQ(VuResolve(signed_value.items[0], 0, 100), 130);
  EXPECT_EQ(signed_value.items[1].value, 7);
  // Junk reads as 0; digits stop at the first other character.
  VuPosition junk = VuParsePosition("abc,12px");
  EXPECT_EQ(junk.items[0].value, 0);
  EXPECT_EQ(junk.items[1].value, 12);
}

TEST(ElementPosGrammar, HostileNumbersSaturate) {
  VuPosition p = VuParsePosition("99999999999999999999,-99999999999999999999,w2147483647,h2147483647");
  ASSERT_EQ(p.count, 4);
  EXPECT_EQ(p.items[0].value, INT_MAX);
  EXPECT_TRUE(p.items[1].far_edge);
  EXPECT_EQ(p.items[1].value, INT_MAX);
  EXPECT_EQ(p.items[2].value, INT_MAX);  // INT_MAX + INT_MAX saturates
  EXPECT_EQ(VuResolve(p.items[0], INT_MAX, INT_MAX), INT_MAX);
  EXPECT_EQ(VuResolve(p.items[1], INT_MIN, 0), INT_MIN);
  VuScalePosition(&p, 1.5f);
  EXPECT_EQ(p.items[0].value, INT_MAX);
}

TEST(ElementPosGrammar, ResolveAgainstSpan) {
  const VuPosition p = VuParsePosition("|-50,0,|50,20");
  // 150 is the truncated half of 301.
  EXPECT_EQ(VuResolve(p.items[0], 0, 301), 100);
  EXPECT_EQ(VuResolve(p.items[2], 0, 301), 200);
  EXPECT_EQ(VuResolve(p.items[0], 10, 301), 110);
  // Truncation towards zero, not flooring, on a negative span.
  EXPECT_EQ(VuResolve(VuPosItem{true, false, 0}, 0, -301), -150);
  EXPECT_EQ(VuResolve(VuPosItem{false, true, 30}, 20, 300), 290);
  EXPECT_EQ(VuResolve(VuPosItem{false, false, 30}, 20, 300), 50);
  VuPosition scaled = VuParsePosition("10,-15,|7,33");
  VuScalePosition(&scaled, 1.5f);
  EXPECT_EQ(scaled.items[0].value, 15);
  EXPECT_EQ(scaled.items[1].value, 22);  // 22.5 truncated
  EXPECT_TRUE(scaled.items[1].far_edge);
  EXPECT_EQ(scaled.items[2].value, 10);
}

class ElementAbsoluteLayout : public ElementTest {};

TEST_F(ElementAbsoluteLayout, DocumentedCases) {
  auto root = LoadTree<CVuDialog>(
      "<dlg width='400' height='300'>"
      "<text id='1' pos='0,0,-0,-0'/>"
      "<text id='2' pos='-100,-30,-0,-0'/>"
      "<text id='3' pos='|-50,10,|50,40'/>"
      "</dlg>");
  ASSERT_TRUE(root);
  root->Position(10, 20, 1000, 1000);
  EXPECT_EQ(RectText(root->GetRect()), "10,20,410,320");
  EXPECT_EQ(RectOf(root.get(), 1), "10,20,410,320");
  EXPECT_EQ(RectOf(root.get(), 2), "310,290,410,320");
  EXPECT_EQ(RectOf(root.get(), 3), "160,30,260,60");

  auto odd = LoadTree<CVuDialog>("<dlg width='301' height='50'><text id='1' pos='|-50,0,|50,20'/></dlg>");
  odd->Position(0, 0, 301, 50);
  EXPECT_EQ(RectOf(odd.get(), 1), "100,0,200,20");
}

TEST_F(ElementAbsoluteLayout, MarginsShrinkTheContentRectangle) {
  LoadStyles("<class name='pad' x-margin='5' y-margin='7'/>");
  auto root = LoadTree<CVuDialog>(
      "<dlg class='pad' width='100' height='50'>"
      "<text id='1' pos='0,0,-0,-0'/><text id='2' pos='-10,-10,-0,-0'/><text id='3' pos='3,4'/>"
      "</dlg>");
  root->Position(0, 0, 100, 50);
  EXPECT_EQ(RectOf(root.get(), 1), "5,7,95,43");
  EXPECT_EQ(RectOf(root.get(), 2), "85,33,95,43");
  // Two items: placed, sized by content (no text: nothing but its margins).
  EXPECT_EQ(RectOf(root.get(), 3), "8,11,8,11");
}

TEST_F(ElementAbsoluteLayout, SizeModesAndPositionItems) {
  auto root = LoadTree<CVuDialog>(
      "<dlg width='200' height='100'>"
      "<text id='1' pos='10,10' width='30' height='full' float='1'/>"  // pos wins
      "<text id='2' width='30' height='full'/>"
      "<text id='3' width='full' height='12' pos='1,2,3'/>"  // 3 items: no position
      "<text id='4' pos='10,20,w30,h40'/>"
      "</dlg>");
  root->Position(0, 0, 200, 100);
  EXPECT_EQ(RectOf(root.get(), 1), "10,10,10,10");
  EXPECT_EQ(root->FindChildById(1)->GetSizeModes(), kVuWidthAuto | kVuHeightAuto);
  EXPECT_EQ(RectOf(root.get(), 2), "0,0,30,100");
  EXPECT_EQ(RectOf(root.get(), 3), "0,0,200,12");
  EXPECT_EQ(RectOf(root.get(), 4), "10,20,40,60");
}

TEST_F(ElementAbsoluteLayout, PosSetAfterLoadingRepositions) {
  auto root = LoadTree<CVuDialog>("<dlg width='200' height='100'><text id='1' pos='0,0,10,10'/></dlg>");
  root->Position(0, 0, 200, 100);
  CVuWindow* text = root->FindChildById(1);
  EXPECT_EQ(text->SetAttribute("pos", "-20,-10,-0,-0", false), 1);
  EXPECT_EQ(RectText(text->GetRect()), "180,90,200,100");
  // While loading nothing moves yet.
  EXPECT_EQ(text->SetAttribute("pos", "0,0,5,5", true), 1);
  EXPECT_EQ(RectText(text->GetRect()), "180,90,200,100");
}

}  // namespace
