// The skin pool and factory: every kind by its exact tag, documents merged
// first-wins, unknown tags and nameless skins skipped and reported with
// their lines, and the attribute results of each kind.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/ui/skin/skin_test_support.h"
#include "ui/skin/kinds/CVuSkinBase.h"

namespace {

class SkinPoolTest : public SkinTest {};

TEST_F(SkinPoolTest, FactoryMakesEachKindByItsExactTag) {
  for (const char* tag : {"imglst", "imgframe", "button", "imghorzex", "gradation", "png", "jpg",
                          "skinpng", "skinjpg"}) {
    std::unique_ptr<CVuSkinBase> skin = VuSkinPool::CreateSkin(tag);
    ASSERT_NE(skin, nullptr) << tag;
    EXPECT_STREQ(skin->GetTag(), tag);
  }
  for (const char* tag : {"IMGLST", "skin", "", "png ", "class"})
    EXPECT_EQ(VuSkinPool::CreateSkin(tag), nullptr) << tag;
  EXPECT_EQ(VuSkinPool::CreateSkin(nullptr), nullptr);
}

TEST_F(SkinPoolTest, DocumentsMergeFirstWinsAndProblemsCarryTheirLines) {
  ZXmlDocument first;
  ASSERT_TRUE(first.Parse("<skins>\n"
                          "<gradation name=\"bg\" to=\"FF0000\"/>\n"
                          "<shiny name=\"x\"/>\n"
                          "<gradation to=\"00FF00\"/>\n"
                          "<gradation name=\"bg\" to=\"0000FF\"/>\n"
                          "</skins>"));
  std::vector<VuLoadProblem> problems;
  VuResourceLocator::Instance().SetProblemSink(
      [&](const VuLoadProblem& problem) { problems.push_back(problem); });
  {
    VuResourceLocator::DocumentScope scope("10000.xml");
    EXPECT_EQ(VuSkinPool::Instance().LoadDocument(first.FirstChildElement()), 1);
  }
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0].document, "10000.xml");
  EXPECT_EQ(problems[0].line, 3);
  EXPECT_EQ(problems[0].message, "unknown skin kind <shiny>");
  EXPECT_EQ(problems[1].line, 4);
  EXPECT_EQ(problems[1].message, "skin <gradation> without \"name\"");

  // A second source cannot replace "bg" but adds what is new.
  EXPECT_EQ(LoadSkins(R"(<gradation name="bg" to="FFFF00"/><button name="b"/>)"), 1);
  Draw("bg", ZRect{0, 0, 4, 4}, 0);
  EXPECT_EQ(Px(1, 1), kRed);
  EXPECT_NE(VuSkinPool::Instance().Get("b"), nullptr);
  EXPECT_EQ(VuSkinPool::Instance().Get("nothing"), nullptr);

  VuSkinPool::Instance().Clear();
  EXPECT_EQ(VuSkinPool::Instance().Get("bg"), nullptr);
  ZXmlDocument wrong_root;
  ASSERT_TRUE(wrong_root.Parse("<style><gradation name=\"g\"/></style>"));
  EXPECT_EQ(VuSkinPool::Instance().LoadDocument(wrong_root.FirstChildElement()), 0);
  EXPECT_EQ(problems.back().message, "skin document root <style> is not <skins>");
}

TEST_F(SkinPoolTest, AttributeResultsOfEachKind) {
  const struct {
    const char* tag;
    const char* name;
    const char* value;
    bool accepted;
  } cases[] = {
      {"imglst", "src", "12", true},          {"imglst", "src", "0", false},
      {"imglst", "mode", "alpha", true},      {"imglst", "mode", "Alpha", false},
      {"imglst", "maskcolor", "ff00FF", true}, {"imglst", "maskcolor", "#ff00ff", false},
      {"imglst", "subwidth", "-4", false},    {"imglst", "stretch-x", "20", true},
      {"imglst", "left", "3", false},         {"imgframe", "left", "3", true},
      {"imgframe", "part", "center", true},   {"imgframe", "part", "centre", false},
      {"imgframe", "crbg", "00ff00", true},   {"imgframe", "mode", "mask", true},
      {"button", "useborder", "1", true},     {"button", "bgdownpush", "12345G", true},
      {"button", "bg", "FFFFFF", false},      {"imghorzex", "left", "4", true},
      {"imghorzex", "top", "4", false},       {"gradation", "size", "-3", true},
      {"gradation", "direction", "vert", true}, {"png", "wantimgwidth", "1", true},
      {"png", "fliptype", "3", false},        {"png", "file", "a.png", false},
      {"jpg", "margin_top", "2", false},      {"jpg", "left", "2", true},
      {"skinpng", "extern_alpha_key", "k", true}, {"skinpng", "file", "", false},
      {"skinpng", "wantimgwidth", "1", false}, {"skinjpg", "middle_tile", "1", true},
      {"skinjpg", "extern_alpha_key", "k", false}, {"gradation", "name", "any", true},
  };
  for (const auto& c : cases) {
    std::unique_ptr<CVuSkinBase> skin = VuSkinPool::CreateSkin(c.tag);
    ASSERT_NE(skin, nullptr);
    const HRESULT result = skin->SetAttribute(c.name, c.value, true);
    EXPECT_EQ(result != E_FAIL, c.accepted) << c.tag << " " << c.name << "=" << c.value;
    if (c.accepted) {
      EXPECT_EQ(result, S_OK);
    }
  }
}

TEST_F(SkinPoolTest, StatelessUnlessStateImagesOrAButton) {
  LoadSkins(R"(<imglst name="a" src="1"/><imglst name="b" src="1" subwidth="5"/>
               <imgframe name="c" src="1" subwidth="5"/><button name="d"/>
               <gradation name="e"/><skinpng name="f" file="x.png"/>
               <skinjpg name="g" file="x.jpg" subwidth="3"/><png name="h" src="1"/>)");
  for (const char* name : {"a", "e", "f", "h"}) EXPECT_TRUE(Skin(name)->IsStateless()) << name;
  for (const char* name : {"b", "c", "d", "g"}) EXPECT_FALSE(Skin(name)->IsStateless()) << name;
  for (const char* name : {"a", "b", "c", "e", "f", "g", "h"})
    EXPECT_FALSE(Skin(name)->TakesRawStateBits()) << name;
  EXPECT_TRUE(Skin("d")->TakesRawStateBits());
  EXPECT_EQ(Skin("e")->GetSkinSize().cx, 0);
}

}  // namespace
