// "richtext2": its objects from markup (with images by skin name and text
// alpha) and from the container interface, laid out with images kept whole,
// drawn through the GDI or the GDI+ graphics, and its link objects' clicks.
#include <algorithm>

#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "tests/ui/element/ElementTestSupport.h"
#include "ui/richtext/CVuRichText2Wnd.h"
#include "ui/skin/VuSkinPool.h"

namespace {

class RichTextObjects : public ElementTest {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    VuSkinPool::Instance().Clear();
    ZXmlDocument skins;
    ASSERT_TRUE(skins.Parse("<skins><gradation name='green' from='00FF00' to='00FF00'/></skins>"));
    VuSkinPool::Instance().LoadDocument(skins.FirstChildElement());
    ASSERT_TRUE(canvas_.Create(200, 60));
  }
  void TearDown() override {
    VuSkinPool::Instance().Clear();
    ElementTest::TearDown();
  }
  std::unique_ptr<CVuRichText2Wnd> Make(const std::string& attributes, const std::string& content) {
    ZXmlDocument doc;
    EXPECT_TRUE(doc.Parse(("<richtext2 " + attributes + ">" + content + "</richtext2>").c_str()));
    auto element = std::make_unique<CVuRichText2Wnd>();
    element->Load(doc.FirstChildElement());
    element->SetAttribute("pos", "0,0,-0,-0", false);
    element->Position(0, 0, 200, 60);
    return element;
  }
  uint32_t MostOpaque() const {
    uint32_t best = 0;
    for (int y = 0; y < canvas_.Height(); ++y)
      for (int x = 0; x < canvas_.Width(); ++x) best = std::max(best, canvas_.PixelAt(x, y) >> 24);
    return best;
  }
  ZCanvas canvas_;
};

TEST_F(RichTextObjects, MarkupMakesObjectsAndImagesDrawTheirSkinInTheirBox) {
  auto element = Make("graphics='gdi'", "ab<img skin='green' width='20' height='30'/><a id='8'>go</a>");
  ASSERT_EQ(element->Objects().size(), 3u);
  EXPECT_EQ(element->Objects()[1].kind, VuRichRun::kBox);
  EXPECT_EQ(element->Objects()[1].skin, "green");
  EXPECT_EQ(element->SetAttribute("graphics", "opengl", false), E_FAIL);
  EXPECT_EQ(element->SetAttribute("graphics", "gdiplus", false), 1);
  EXPECT_TRUE(element->UsesGdiPlus());
  canvas_.Clear();
  element->Redraw(&canvas_, nullptr);
  const VuRichLayout& layout = element->LastLayout();
  ASSERT_EQ(layout.links.size(), 2u) << "the image and the link";
  const ZRect box = layout.links[0].Rect();
  EXPECT_EQ(box.Width(), 20);
  EXPECT_EQ(box.Height(), 30);
  EXPECT_EQ(canvas_.PixelAt(box.left + 10, box.top + 15), 0xFF00FF00u);
  EXPECT_EQ(element->LinkAt(box.left + 1, box.top + 1), -1) << "an image is no link";
}

TEST_F(RichTextObjects, GdiDrawsOpaqueTextAndGdiPlusKeepsItsAlpha) {
  auto element = Make("graphics='gdi'", "<c color='000000' alpha='100'>MMMM</c>");
  canvas_.Clear();
  element->Redraw(&canvas_, nullptr);
  EXPECT_EQ(MostOpaque(), 255u);
  element->SetAttribute("graphics", "gdiplus", false);
  canvas_.Clear();
  element->Redraw(&canvas_, nullptr);
  EXPECT_LE(MostOpaque(), 101u);
  EXPECT_GT(MostOpaque(), 0u);
}

TEST_F(RichTextObjects, ContainerInterfaceChangesTheObjectsAndLinksReportClicks) {
  auto element = Make("", "");
  IVuRichtextContainerWnd* container = element.get();
  VuRichRun text;
  text.text = u"hello";
  VuRichRun link;
  link.kind = VuRichRun::kLink;
  link.text = u"there";
  link.link_id = 42;
  VuRichRun image;
  image.kind = VuRichRun::kBox;
  image.box_width = 1 << 30;  // clamped
  container->AppendObject(text);
  container->AppendObject(link);
  container->AppendObject(image);
  container->RefreshObjects();
  EXPECT_EQ(container->Objects()[2].box_width, 16384);
  ASSERT_EQ(element->LastLayout().links.size(), 2u);
  const ZRect r = element->LastLayout().links[0].Rect();
  LRESULT result = 0;
  element->ProcessMessage(WM_MOUSEMOVE, 0, MAKELPARAM(r.left + 1, r.top + 1), &result);
  EXPECT_EQ(element->HoverLink(), 0);
  container->ClearObjects();
  EXPECT_TRUE(container->Objects().empty());
  EXPECT_EQ(element->HoverLink(), -1);
}

}  // namespace
