// One element: the common attributes' results, what Load reads itself,
// unknown tags, handles, visibility through ancestors, and hit testing.
#include <algorithm>

#include "platform/window_input.h"
#include "tests/ui/element/ElementTestSupport.h"
#include "ui/controls/basic/CVuImageWnd.h"
#include "ui/controls/basic/CVuStatic.h"

namespace {

class ElementWindow : public ElementTest {};

TEST_F(ElementWindow, CommonAttributeResults) {
  CVuStatic text;
  struct Case {
    const char* name;
    const char* value;
    HRESULT result;
  };
  const Case cases[] = {
      {"class", "any", 0},          {"id", "12", 1},          {"alphatxt", "300", 0},
      {"crbg", "FF0000", 1},        {"crtext", "00ff00", 1},  {"font", "0104", 1},
      {"href", "http://x", 1},      {"tip", "hint", 1},       {"valign", "middle", 0},
      {"valign", "centre", E_FAIL}, {"align", "center", 0},   {"align", "middle", E_FAIL},
      {"pos", "1,2", 1},            {"transparent", "1", 1},  {"headacceptlbtndownmsg", "1", 1},
      {"userdata", "-7", 1},        {"notify", "3", 1},       {"forceupdatestyle", "1", 0},
      {"autofixtextrect", "1", 0},  {"border", "1", 0},       {"correctdrawbg", "1", 0},
      {"show", "0", E_FAIL},        {"width", "10", E_FAIL},  {"nosuch", "1", E_FAIL},
      {"crbg", "FF00", E_FAIL},
  };
  for (const Case& c : cases) EXPECT_EQ(text.SetAttribute(c.name, c.value, true), c.result) << c.name << "=" << c.value;
  EXPECT_EQ(text.GetId(), 12);
  EXPECT_EQ(text.GetUserData(), -7);
  EXPECT_EQ(text.GetNotifyMask(), 3u);
  EXPECT_EQ(text.GetAlign(), kVuAlignCenter);
  EXPECT_EQ(text.GetValign(), kVuValignMiddle);
  EXPECT_TRUE(text.IsTransparent());
  EXPECT_TRUE(text.AcceptsHeaderMouseDown());
  EXPECT_EQ(text.GetToolTip(), u"hint");
  EXPECT_EQ(text.GetLink(), u"http://x");
  EXPECT_EQ(text.GetBackgroundColor(), 0x0000FF);  // a rejected colour kept the old one
  EXPECT_EQ(text.GetTextColor(), 0x00FF00);
  EXPECT_EQ(text.GetStyleName(), "any");

  // Controls offer names to the base first and take their own after it.
  CVuImageWnd img;
  EXPECT_EQ(img.SetAttribute("id", "3", true), 1);
  EXPECT_EQ(img.SetAttribute("skin", "logo", true), 1);
  EXPECT_EQ(img.SetAttribute("alpha", "999", true), 1);
  EXPECT_EQ(img.GetAlpha(), 255);
  EXPECT_EQ(img.SetAttribute("cliptype", "2", true), 1);
  EXPECT_EQ(img.GetKeptAttribute("cliptype"), "2");
  EXPECT_EQ(img.SetAttribute("fill", "1", true), E_FAIL);
}

TEST_F(ElementWindow, LoadReadsTextShowAndReportsRejects) {
  auto root = LoadTree<CVuDialog>(
      "<dlg>\n"
      "<text id='1' show='0' bogus='1'>caf\xC3\xA9</text>\n"
      "<progressbar id='2'/>\n"
      "<button id='3' show='1' width='full'/>\n"
      "<img id='4' skin='nowhere'/>\n"
      "</dlg>");
  ASSERT_TRUE(root);
  // The unknown tag is skipped; its siblings are all there.
  ASSERT_EQ(root->Children().size(), 3u);
  CVuWindow* text = root->FindChildById(1);
  EXPECT_EQ(text->GetText(), u"caf\u00e9");
  EXPECT_FALSE(text->IsVisible(false));
  EXPECT_TRUE(root->FindChildById(3)->IsVisible(true));
  EXPECT_EQ(root->FindChildById(3)->GetSizeModes() & kVuWidthFull, kVuWidthFull);
  EXPECT_EQ(root->FindChildById(1)->GetParentHandle(), root->GetHandle());

  auto mentions = [&](int line, const std::string& what) {
    return std::any_of(problems_.begin(), problems_.end(), [&](const VuLoadProblem& p) {
      return p.line == line && p.message.find(what) != std::string::npos;
    });
  };
  EXPECT_TRUE(mentions(2, "bogus"));
  EXPECT_TRUE(mentions(3, "progressbar"));
  EXPECT_TRUE(mentions(5, "nowhere"));
  // "show" and "width" are Load's own, never reported.
  EXPECT_FALSE(mentions(2, "show"));
  EXPECT_FALSE(mentions(4, "width"));
  EXPECT_EQ(problems_.size(), 3u);
}

TEST_F(ElementWindow, HandlesAreNeverReusedAndDeadOnesLookUpNull) {
  VuHandleTable& table = VuHandleTable::Instance();
  VUHANDLE first = 0, child_handle = 0;
  {
    auto root = LoadTree<CVuDialog>("<dlg><text id='1'/></dlg>");
    first = root->GetHandle();
    child_handle = root->FindChildById(1)->GetHandle();
    EXPECT_NE(first, 0u);
    EXPECT_EQ(table.Lookup(first), root.get());
    EXPECT_EQ(table.Lookup(child_handle)->GetParent(), root.get());
  }
  EXPECT_EQ(table.Lookup(first), nullptr);
  EXPECT_EQ(table.Lookup(child_handle), nullptr);
  CVuStatic later;
  EXPECT_NE(later.GetHandle(), first);
  EXPECT_NE(later.GetHandle(), child_handle);
  EXPECT_GT(later.GetHandle(), std::max(first, child_handle));

  // A child whose parent is gone is a root: no dangling parent.
  auto orphan = std::make_unique<CVuStatic>();
  {
    CVuDialog parent;
    parent.Show(false);
    orphan->SetParent(parent.GetHandle());
    EXPECT_FALSE(orphan->IsVisible(true));
  }
  EXPECT_EQ(orphan->GetParent(), nullptr);
  EXPECT_TRUE(orphan->IsVisible(true));
}

TEST_F(ElementWindow, VisibilityAndEnabledThroughAncestors) {
  auto root = LoadTree<CVuDialog>("<dlg><dlg id='1'><text id='2'/></dlg></dlg>");
  CVuWindow* inner = root->FindChildById(1);
  CVuWindow* leaf = root->FindChildById(2);
  root->Show(false);
  EXPECT_TRUE(leaf->IsVisible(false));
  EXPECT_FALSE(leaf->IsVisible(true));
  root->Show(true);
  EXPECT_TRUE(leaf->IsVisible(true));
  EXPECT_EQ(inner->ModifyState(kVuStateDisabled, 0), 0u);
  EXPECT_TRUE(leaf->IsEnabled(false));
  EXPECT_FALSE(leaf->IsEnabled(true));
  EXPECT_EQ(inner->ModifyState(kVuStateHover, kVuStateDisabled), kVuStateDisabled);
  EXPECT_EQ(inner->GetState(), kVuStateHover);
  EXPECT_TRUE(leaf->IsEnabled(true));
}

TEST_F(ElementWindow, CursorComesFromTheStyle) {
  LoadStyles("<class name='link' cursor='hand'/>");
  auto link = LoadTree<CVuStatic>("<text class='link'/>");
  auto plain = LoadTree<CVuStatic>("<text class='no such style'/>");
  link->SetCursorForElement();
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  plain->SetCursorForElement();  // an unknown style is the default one
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

class ElementHitTest : public ElementTest {};

TEST_F(ElementHitTest, ChildrenFloatsTransparencyAndHiddenParents) {
  auto root = LoadTree<CVuDialog>(
      "<dlg width='200' height='100'>"
      "<text id='2' pos='0,0,50,50' transparent='1'/>"
      "<button id='1' pos='0,0,50,50'/>"
      "<dlg id='3' pos='100,0,-0,-0' show='0'><button id='4' pos='0,0,-0,-0'/></dlg>"
      "</dlg>");
  ASSERT_TRUE(root);
  root->Position(0, 0, 200, 100);
  const VUHANDLE button = root->FindChildById(1)->GetHandle();
  EXPECT_EQ(root->HitTest(10, 10, 1), button);  // the transparent text before it is passed over
  EXPECT_EQ(root->HitTest(49, 49, 1), button);
  // Right and bottom edges are outside.
  EXPECT_EQ(root->HitTest(50, 10, 1), root->GetHandle());
  EXPECT_EQ(root->HitTest(200, 10, 1), 0u);
  EXPECT_EQ(root->HitTest(-1, 10, 1), 0u);
  // A hidden parent hides its children, whatever their own bits.
  EXPECT_EQ(root->HitTest(150, 10, 1), root->GetHandle());
  root->FindChildById(3)->Show(true);
  root->Position(0, 0, 200, 100);
  EXPECT_EQ(root->HitTest(150, 10, 1), root->FindChildById(4)->GetHandle());
}

TEST_F(ElementHitTest, FloatsAnswerFirstAndOnlyDrawChildStops) {
  auto panel = LoadTree<CVuPanel>(
      "<div width='100' height='40'>"
      "<button id='1' width='100' height='40'/>"
      "<button id='2' width='20' height='20' float='1'/>"
      "<dlg id='3' width='100' height='40' float='1' onlydrawchild='1'><button id='4' pos='0,0,5,5'/></dlg>"
      "</div>");
  ASSERT_TRUE(panel);
  panel->Position(0, 0, 100, 40);
  // The float comes later in child order yet answers before the flow child.
  EXPECT_EQ(panel->HitTest(5, 5, 1), panel->FindChildById(2)->GetHandle());
  // The second float covers the rest and keeps its child from the hit.
  EXPECT_EQ(panel->HitTest(50, 30, 1), panel->FindChildById(3)->GetHandle());
  panel->FindChildById(3)->Show(false);
  EXPECT_EQ(panel->HitTest(50, 30, 1), panel->FindChildById(1)->GetHandle());
}

}  // namespace
