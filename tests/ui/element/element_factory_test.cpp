// The control factory: built-in tags first (exactly compared), the
// container's creator after them and handed down to nested containers,
// built-in tags not made yet giving nothing.
#include <cstring>

#include "tests/ui/element/ElementTestSupport.h"
#include "ui/controls/basic/CVuStatic.h"

namespace {

class CustomElement : public CVuWindow {
 public:
  const char* GetTag() const override { return "custom"; }
};

class CountingCreator : public IVuControlCreator {
 public:
  std::unique_ptr<CVuWindow> CreateControl(const char* tag) override {
    asked.push_back(tag);
    if (std::strcmp(tag, "custom") == 0 || std::strcmp(tag, "text") == 0 ||
        std::strcmp(tag, "progress") == 0)
      return std::make_unique<CustomElement>();
    return nullptr;
  }
  std::vector<std::string> asked;
};

class ElementFactory : public ElementTest {};

TEST_F(ElementFactory, BuiltInsFirstThenTheCreator) {
  CountingCreator creator;
  const char* const built_in[] = {"dlg", "text", "button", "img", "skinbtn", "br"};
  for (const char* tag : built_in) {
    auto element = VuCreateControl(tag, &creator);
    ASSERT_TRUE(element) << tag;
    EXPECT_STREQ(element->GetTag(), tag);
    EXPECT_TRUE(element->MatchesTag(tag));
  }
  EXPECT_TRUE(creator.asked.empty());
  EXPECT_FALSE(VuCreateControl("Text", nullptr));  // exact comparison
  EXPECT_FALSE(VuCreateControl("div", nullptr));   // no creator makes panels
  EXPECT_TRUE(VuCreateControl("custom", &creator));
  EXPECT_FALSE(VuCreateControl("custom", nullptr));
  // A built-in tag never goes to the creator, whether its control is made yet or not.
  for (const char* tag : {"progress", "check", "hicon", "tabctrl"}) VuCreateControl(tag, &creator);
  EXPECT_EQ(creator.asked, std::vector<std::string>{"custom"});
  // A base class's tag never matches a subclass.
  CVuDialog dialog;
  EXPECT_TRUE(dialog.MatchesTag("dlg"));
  EXPECT_FALSE(dialog.MatchesTag("div"));
}

TEST_F(ElementFactory, NestedContainersInheritTheCreator) {
  CountingCreator creator;
  ZXmlDocument doc;
  ASSERT_TRUE(doc.Parse("<dlg><custom id='1'/><dlg id='2'><custom id='3'/><text id='4'/></dlg></dlg>"));
  CVuDialog root;
  root.SetCreator(&creator);
  root.Load(doc.FirstChildElement());
  ASSERT_NE(root.FindChildById(3), nullptr);
  EXPECT_STREQ(root.FindChildById(3)->GetTag(), "custom");
  EXPECT_STREQ(root.FindChildById(4)->GetTag(), "text");
  EXPECT_EQ(static_cast<CVuDialog*>(root.FindChildById(2))->GetCreator(), &creator);
  EXPECT_TRUE(problems_.empty());

  // Loading again replaces the children: the old ones are gone from the table.
  const VUHANDLE old = root.FindChildById(1)->GetHandle();
  root.LoadChildren(doc.FirstChildElement().FirstChildElement());
  EXPECT_EQ(VuHandleTable::Instance().Lookup(old), nullptr);
  EXPECT_EQ(root.Children().size(), 2u);
}

}  // namespace
