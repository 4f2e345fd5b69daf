// The extended controls' creator: installed in a layout's sections by
// default, handed down to nested containers, unknown tags skipped with their
// siblings kept, and an application's own creator adding a tag.
#include <cstring>

#include "tests/ui/element/ElementTestSupport.h"
#include "ui/controls/container/CVuControlCreator.h"
#include "ui/controls/container/CVuListItem.h"
#include "ui/dialog/VuLayout.h"

namespace {

class BadgeElement : public CVuWindow {
 public:
  const char* GetTag() const override { return "badge"; }
};

// Adds "badge" and leaves every other tag to the extended creator.
class AppCreator : public CVuControlCreator {
 public:
  std::unique_ptr<CVuWindow> CreateControl(const char* tag) override {
    if (tag && std::strcmp(tag, "badge") == 0) return std::make_unique<BadgeElement>();
    return CVuControlCreator::CreateControl(tag);
  }
};

class ContainerCreator : public ElementTest {};

TEST_F(ContainerCreator, LayoutSectionsCreateExtendedTagsAndSkipUnknownOnes) {
  VuLayout layout;
  ASSERT_TRUE(layout.LoadText(R"(<layer width="200" height="100"><body>
      <listitem id="1" height="20"/>
      <nosuchtag id="2"/>
      <dlg id="3"><listitem id="4" viewvisible="0"/><badge id="5"/></dlg>
      <text id="6">after</text>
    </body></layer>)",
                              nullptr));
  CVuDialog* body = layout.Body();
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(body->GetCreator(), &CVuControlCreator::Default());
  auto* item = dynamic_cast<CVuListItem*>(layout.FindById(1));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->GetItemHeight(), 20);
  EXPECT_EQ(layout.FindById(2), nullptr);
  // Nested containers inherit the creator: the listitem inside "dlg" exists.
  auto* nested = dynamic_cast<CVuListItem*>(layout.FindById(4));
  ASSERT_NE(nested, nullptr);
  EXPECT_FALSE(nested->IsViewVisible());
  EXPECT_EQ(layout.FindById(5), nullptr);  // not an extended tag
  ASSERT_NE(layout.FindById(6), nullptr);
  EXPECT_EQ(layout.FindById(6)->GetText(), u"after");
  int unknown = 0;
  for (const VuLoadProblem& problem : problems_)
    if (problem.message.find("unknown tag") != std::string::npos) ++unknown;
  EXPECT_EQ(unknown, 2);  // <nosuchtag> and <badge>
}

TEST_F(ContainerCreator, AnApplicationCreatorAddsATagAndKeepsTheExtendedOnes) {
  AppCreator creator;
  VuLayout layout;
  layout.SetCreator(&creator);
  ASSERT_TRUE(layout.LoadText(
      R"(<layer><body><dlg id="1"><badge id="2"/><listitem id="3"/></dlg></body></layer>)", nullptr));
  ASSERT_NE(layout.FindById(2), nullptr);
  EXPECT_STREQ(layout.FindById(2)->GetTag(), "badge");
  EXPECT_NE(dynamic_cast<CVuListItem*>(layout.FindById(3)), nullptr);

  // Without a creator only the built-in tags remain.
  layout.SetCreator(nullptr);
  ASSERT_TRUE(layout.LoadText(R"(<layer><body><listitem id="3"/><text id="4"/></body></layer>)", nullptr));
  EXPECT_EQ(layout.FindById(3), nullptr);
  EXPECT_NE(layout.FindById(4), nullptr);
}

TEST_F(ContainerCreator, ExtendedTagsAreExactAndNeverBuiltIns) {
  CVuControlCreator& creator = CVuControlCreator::Default();
  EXPECT_FALSE(creator.CreateControl(nullptr));
  EXPECT_FALSE(creator.CreateControl("ListItem"));
  EXPECT_FALSE(creator.CreateControl("dlg"));  // built-ins are the factory's
  EXPECT_FALSE(creator.CreateControl("div"));
  auto item = creator.CreateControl("listitem");
  ASSERT_TRUE(item);
  EXPECT_TRUE(item->MatchesTag("listitem"));
  EXPECT_FALSE(item->MatchesTag("dlg"));
  // Hostile heights: negative refused, huge clamped.
  EXPECT_EQ(item->SetAttribute("height", "-5", false), E_FAIL);
  EXPECT_EQ(item->SetAttribute("height", "2147483647", false), 1);
  EXPECT_LE(static_cast<CVuListItem*>(item.get())->GetItemHeight(), 1 << 16);
}

}  // namespace
