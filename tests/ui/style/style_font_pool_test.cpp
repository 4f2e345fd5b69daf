// The font pool on a real machine: the default face that the registry's
// Fonts key chooses, fonts made from ids, and heights scaled for the screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/fonts.h"
#include "platform/registry.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/windows/SimDpi.h"
#include "tests/support/SimTestSupport.h"
#include "ui/dpi/VuDpiManager.h"
#include "ui/style/VuFontPool.h"

namespace {

const char16_t kFontsKey[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const std::u16string kYaHeiChinese = u"\u5FAE\u8F6F\u96C5\u9ED1";
const std::u16string kSongChinese = u"\u5B8B\u4F53";

class FontPoolTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    VuFontPool::Instance().ResetForTest();
  }
  void TearDown() override {
    VuFontPool::Instance().ResetForTest();
    dpi_.reset();
    SimResetDpiAwareness();
    SimHost::SetModulePath(u"");
    MachineTest::TearDown();
  }
  // Fonts installed on the machine: value names of the Fonts key.
  void InstallFonts(const std::vector<std::u16string>& names) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kFontsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::u16string file = u"font.ttf";
    for (const std::u16string& name : names)
      ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(file.c_str()),
                               static_cast<DWORD>((file.size() + 1) * sizeof(char16_t))),
                ERROR_SUCCESS);
    RegCloseKey(key);
  }
  std::u16string FaceFor(const std::vector<std::u16string>& names) {
    RecreateMachine(true);
    InstallFonts(names);
    VuFontPool::Instance().ResetForTest();
    return VuFontPool::Instance().DefaultFace();
  }
  std::unique_ptr<VuDpiManager> dpi_;
};

TEST_F(FontPoolTest, RegistryChoosesTheDefaultFaceInItsOrder) {
  const struct {
    std::vector<std::u16string> installed;
    std::u16string face;
  } cases[] = {
      {{u"Arial (TrueType)", kYaHeiChinese + u" (TrueType)"}, kYaHeiChinese},
      {{u"Microsoft YaHei (TrueType)"}, u"Microsoft YaHei"},
      {{u"Microsoft YaHei (TrueType) & Microsoft YaHei UI (TrueType)"}, u"Microsoft YaHei"},
      {{u"Microsoft YaHei & Microsoft YaHei UI (TrueType)"}, u"Microsoft YaHei"},
      {{u"\u5B8B\u4F53 & \u65B0\u5B8B\u4F53 (TrueType)"}, kSongChinese},
      {{u"SimSun & NSimSun (TrueType)"}, u"SimSun"},
      {{u"Arial (TrueType)", u"Microsoft YaHei UI (TrueType)", u"SimSun (TrueType)"}, kSongChinese},
      {{}, kSongChinese},
      // The order of the list decides, not the order of the values.
      {{u"SimSun & NSimSun (TrueType)", u"Microsoft YaHei (TrueType)"}, u"Microsoft YaHei"},
      {{u"Microsoft YaHei (TrueType)", kYaHeiChinese + u" (TrueType)"}, kYaHeiChinese},
  };
  for (const auto& c : cases) {
    std::string label;
    for (const std::u16string& name : c.installed) label += std::to_string(name.size()) + " ";
    EXPECT_TRUE(FaceFor(c.installed) == c.face) << "installed name lengths: " << label;
    EXPECT_EQ(VuFontPool::Instance().DefaultHeight(), -12);
  }
}

TEST_F(FontPoolTest, FontsKeyIsSharedByBothRegistryViews) {
  // A 64-bit font installer writes the key; the 32-bit program still sees it.
  ASSERT_EQ(RunCommand({kSimhostPath, "reg", MachineDir(), "set",
                        "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                        "SimSun & NSimSun (TrueType)", "REG_SZ", "simsun.ttc", "--view", "64"})
                .exit_code,
            0);
  EXPECT_TRUE(VuFontPool::Instance().DefaultFace() == u"SimSun");
}

TEST_F(FontPoolTest, FontsFromIdsStartFromTheBaseFont) {
  InstallFonts({u"Microsoft YaHei (TrueType)"});
  VuFontPool& pool = VuFontPool::Instance();
  ZFont base = pool.GetFont(0x0000, false);
  EXPECT_TRUE(base.face == u"Microsoft YaHei");
  EXPECT_EQ(base.height, -12);
  EXPECT_EQ(base.weight, 400);
  EXPECT_FALSE(base.italic || base.underline || base.strike_out);
  EXPECT_EQ(base.quality, CLEARTYPE_QUALITY);

  ZFont bold = pool.GetFont(0x0104, false);
  EXPECT_EQ(bold.weight, 700);
  EXPECT_EQ(bold.height, -13);
  EXPECT_FALSE(bold.italic || bold.underline);
  ZFont marked = pool.GetFont(0x0003, false);
  EXPECT_TRUE(marked.italic && marked.underline);
  EXPECT_EQ(marked.weight, 400);
  EXPECT_EQ(marked.height, -12);
  EXPECT_EQ(pool.GetFont(0xFE00, false).height, -10);  // a negative step makes it smaller
  EXPECT_EQ(pool.GetFont(0x8000, false).height, 116);

  // Another default font: cached fonts are made again from it.
  pool.SetDefaultFont(u"SimSun", -14);
  ZFont sim = pool.GetFont(0x0104, false);
  EXPECT_TRUE(sim.face == u"SimSun");
  EXPECT_EQ(sim.height, -15);
  EXPECT_EQ(sim.quality, ANTIALIASED_QUALITY);
  EXPECT_EQ(pool.BaseFont().height, -14);
}

TEST_F(FontPoolTest, ScaledHeightFollowsTheScreen) {
  const char dir[] = "Program Files/Vantrell/ressrc/chs";
  ASSERT_EQ(RunCommand({"/bin/mkdir", "-p", Real(dir)}).exit_code, 0);
  ASSERT_TRUE(WriteTextFile(Real(dir) + "/dpisetting.ini", "[basesetting]\r\nswitch=1\r\n"));
  ASSERT_EQ(RunCommand({kSimhostPath, "reg", MachineDir(), "set",
                        "HKLM\\Software\\Vantrell\\Sentinor\\PexorReport", "DpiAware", "REG_DWORD",
                        "1", "--view", "32"})
                .exit_code,
            0);
  ASSERT_EQ(RunCommand({kSimhostPath, "fact", MachineDir(), "dpi", "120"}).exit_code, 0);
  SimResetDpiAwareness();
  SimHost::SetModulePath(u"C:\\Program Files\\Vantrell\\nuvotray.exe");
  dpi_ = std::make_unique<VuDpiManager>();
  ASSERT_TRUE(dpi_->IsEnabled());
  ASSERT_FLOAT_EQ(dpi_->GetScale(), 1.2f);

  VuFontPool& pool = VuFontPool::Instance();
  pool.SetDpiManagerForTest(dpi_.get());
  EXPECT_EQ(pool.GetFont(0x0104, true).height, -15);  // -13 * 1.2 = -15.6, toward zero
  EXPECT_EQ(pool.GetFont(0x0104, false).height, -13);
  EXPECT_EQ(pool.GetFont(0x0000, true).height, -14);  // -14.4
  EXPECT_EQ(pool.GetFont(0x0104, true).weight, 700);
}

TEST_F(FontPoolTest, PrivateFontFilesOfTheResourceFolderAreAddedOnce) {
  // A real font file under the name of one face, garbage under another's.
  const char* kSomeFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  std::ifstream in(kSomeFont, std::ios::binary);
  if (!in) GTEST_SKIP() << kSomeFont << " is not installed";
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::create_directories(Real("res/fonts"));
  ASSERT_TRUE(WriteTextFile(Real("res/fonts/msyh.ttf"), bytes));
  ASSERT_TRUE(WriteTextFile(Real("res/fonts/simsun.ttc"), "not a font"));
  VuFontPool& pool = VuFontPool::Instance();
  EXPECT_EQ(pool.LoadPrivateFonts(u"C:\\res"), 1);
  EXPECT_EQ(pool.LoadPrivateFonts(u"C:\\res\\"), 0);  // the same file: not again
  EXPECT_EQ(pool.LoadPrivateFonts(u"C:\\nothing"), 0);
  EXPECT_EQ(pool.LoadPrivateFonts(u""), 0);
  // The layer's own answers for a missing file and a file that is no font.
  EXPECT_EQ(AddFontResourceExW(u"C:\\res\\fonts\\SimSun.ttc", FR_PRIVATE, nullptr), 0);
  EXPECT_EQ(AddFontResourceExW(u"C:\\res\\fonts\\simsun.ttc", FR_PRIVATE, nullptr), 0);
  EXPECT_TRUE(RemoveFontResourceExW(u"C:\\res\\fonts\\msyh.ttf", FR_PRIVATE, nullptr));
  EXPECT_FALSE(RemoveFontResourceExW(u"C:\\res\\fonts\\msyh.ttf", FR_PRIVATE, nullptr));
}

TEST(FontPoolFiles, PrivateFontFilesOfTheKnownFaces) {
  EXPECT_TRUE(VuFontPool::PrivateFontFile(u"C:\\res", u"\u5FAE\u8F6F\u96C5\u9ED1") ==
              u"C:\\res\\fonts\\msyh.ttf");
  EXPECT_TRUE(VuFontPool::PrivateFontFile(u"C:\\res\\", u"Microsoft YaHei") ==
              u"C:\\res\\fonts\\msyh.ttf");
  EXPECT_TRUE(VuFontPool::PrivateFontFile(u"C:\\res", u"\u5B8B\u4F53") ==
              u"C:\\res\\fonts\\simsun.ttc");
  EXPECT_TRUE(VuFontPool::PrivateFontFile(u"C:\\res", u"SimSun") == u"C:\\res\\fonts\\SimSun.ttc");
  EXPECT_TRUE(VuFontPool::PrivateFontFile(u"C:\\res", u"Tahoma").empty());
}

}  // namespace
