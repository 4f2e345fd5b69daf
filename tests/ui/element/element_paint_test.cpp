// Painting: tree order with later children on top, the clip region, hidden
// elements, the paint hook's veto, and the background's fill, alpha, hover
// colour and border, checked on the canvas's pixels.
#include "tests/ui/element/ElementTestSupport.h"
#include "ui/controls/basic/CVuStatic.h"

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

class ElementPaint : public ElementTest {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    ASSERT_TRUE(canvas_.Create(120, 60));
  }
  // Pixels inside rect that are neither transparent nor background.
  int InkInside(const ZRect& r, uint32_t background) {
    int ink = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const uint32_t p = canvas_.PixelAt(x, y);
        if (p != background && (p >> 24)) ++ink;
      }
    return ink;
  }
  ZCanvas canvas_;
};

class RecordingHook : public IVuPaintHook {
 public:
  explicit RecordingHook(bool allow) : allow_(allow) {}
  bool BeforePaint(CVuWindow*, ZCanvas*) override {
    ++before;
    return allow_;
  }
  void AfterPaint(CVuWindow*, ZCanvas*) override { ++after; }
  int before = 0, after = 0;

 private:
  bool allow_;
};

TEST_F(ElementPaint, TreeOrderClipAndHiddenChildren) {
  auto root = LoadTree<CVuDialog>(
      "<dlg width='100' height='50' crbg='FF0000'>"
      "<text pos='0,0,50,50' crbg='00FF00'/>"
      "<text pos='25,0,75,50' crbg='0000FF'/>"
      "<text pos='80,0,-0,-0' crbg='FFFFFF' show='0'/>"
      "</dlg>");
  root->Position(0, 0, 100, 50);
  root->Redraw(&canvas_, nullptr);
  EXPECT_EQ(canvas_.PixelAt(10, 10), kGreen);
  EXPECT_EQ(canvas_.PixelAt(30, 10), kBlue);  // the later child is on top
  EXPECT_EQ(canvas_.PixelAt(90, 10), kRed);   // hidden: not painted
  EXPECT_EQ(canvas_.PixelAt(110, 10), 0u);

  // Only elements that touch the region are painted.
  canvas_.Clear();
  const VuRegion left_strip{ZRect{0, 0, 20, 50}};
  root->Redraw(&canvas_, &left_strip);
  EXPECT_EQ(canvas_.PixelAt(30, 10), kGreen);
  EXPECT_EQ(canvas_.PixelAt(60, 10), kRed);
  // A region beside the tree, or an empty one, paints nothing.
  canvas_.Clear();
  const VuRegion elsewhere{ZRect{100, 0, 120, 60}};
  const VuRegion empty;
  root->Redraw(&canvas_, &elsewhere);
  root->Redraw(&canvas_, &empty);
  EXPECT_EQ(canvas_.PixelAt(10, 10), 0u);
  EXPECT_EQ(canvas_.PixelAt(90, 10), 0u);
}

TEST_F(ElementPaint, PaintHookVetoesTheContentNotTheBackground) {
  auto text = LoadTree<CVuStatic>("<text crbg='FFFFFF' crtext='000000' width='100' height='40'>Hello</text>");
  text->Position(0, 0, 120, 60);
  RecordingHook veto(false);
  text->SetPaintHook(&veto);
  text->Redraw(&canvas_, nullptr);
  EXPECT_EQ(canvas_.PixelAt(50, 39), kWhite);
  EXPECT_EQ(InkInside(text->GetRect(), kWhite), 0);
  EXPECT_EQ(veto.before, 1);
  EXPECT_EQ(veto.after, 0);

  RecordingHook allow(true);
  text->SetPaintHook(&allow);
  text->Redraw(&canvas_, nullptr);
  EXPECT_GT(InkInside(text->GetRect(), kWhite), 10);
  EXPECT_EQ(allow.after, 1);

  // A container's veto keeps its own content, not its children.
  auto root = LoadTree<CVuDialog>("<dlg width='40' height='40'><text pos='0,0,-0,-0' crbg='0000FF'/></dlg>");
  root->Position(0, 0, 40, 40);
  RecordingHook root_veto(false);
  root->SetPaintHook(&root_veto);
  canvas_.Clear();
  root->Redraw(&canvas_, nullptr);
  EXPECT_EQ(canvas_.PixelAt(20, 20), kBlue);
}

TEST_F(ElementPaint, BackgroundFillAlphaHoverAndBorder) {
  LoadStyles(
      "<class name='soft' crbg='FF0000' bggdiplus='1' alphabg='128'/>"
      "<class name='solid' crbg='FF0000' alphabg='128' crbghover='00FF00'/>");
  auto soft = LoadTree<CVuStatic>("<text class='soft' width='20' height='20'/>");
  soft->Position(0, 0, 120, 60);
  soft->Redraw(&canvas_, nullptr);
  EXPECT_EQ(canvas_.PixelAt(10, 10) >> 24, 128u);
  EXPECT_EQ((canvas_.PixelAt(10, 10) >> 16) & 0xFF, 128u);  // premultiplied red

  // Without GDI+ background drawing the fill is solid whatever "alphabg" says.
  auto solid = LoadTree<CVuStatic>("<text class='solid' width='20' height='20' border='1'/>");
  solid->Position(40, 0, 120, 60);
  solid->Redraw(&canvas_, nullptr);
  EXPECT_EQ(canvas_.PixelAt(50, 10), kRed);
  EXPECT_EQ(canvas_.PixelAt(40, 10), 0xFF000000u);  // the border
  EXPECT_EQ(canvas_.PixelAt(59, 19), 0xFF000000u);
  EXPECT_TRUE(solid->NeedsRedrawOnStateChange());
  EXPECT_FALSE(soft->NeedsRedrawOnStateChange());
  solid->ModifyState(kVuStateHover, 0);
  solid->Redraw(&canvas_, nullptr);
  EXPECT_EQ(canvas_.PixelAt(50, 10), kGreen);

  // The element's own colour wins over its style's; -1 everywhere paints nothing.
  auto own = LoadTree<CVuStatic>("<text class='soft' crbg='0000FF' width='20' height='20'/>");
  own->Position(80, 0, 120, 60);
  auto none = LoadTree<CVuStatic>("<text width='20' height='20'/>");
  none->Position(80, 30, 120, 60);
  own->Redraw(&canvas_, nullptr);
  none->Redraw(&canvas_, nullptr);
  EXPECT_EQ(canvas_.PixelAt(90, 10) & 0xFF, 128u);
  EXPECT_EQ(canvas_.PixelAt(90, 40), 0u);
}

}  // namespace
