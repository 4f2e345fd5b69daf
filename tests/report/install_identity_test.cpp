// The install uuid and server id as a report reads them, and the time rule
// behind the install age.
#include <gtest/gtest.h>

#include <string>

#include "packet_public/ZInstallConfigLoader.h"
#include "packet_public/ZTime.h"
#include "platform/registry.h"
#include "platform/xml.h"
#include "report/ZInstallIdentity.h"
#include "tests/support/SimTestSupport.h"

namespace {

class InstallIdentityReadTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ZXmlDocument document;
    ASSERT_TRUE(document.Parse(
        "<packet><installcfg>"
        "<item key=\"uuid_reg_path\" value=\"Sample.Identity\"/>"
        "<item key=\"uuid_reg_key\" value=\"uuid\"/>"
        "<item key=\"svrid_reg_path\" value=\"Sample.Identity\"/>"
        "<item key=\"svrid_reg_key\" value=\"svrid\"/>"
        "</installcfg></packet>"));
    ASSERT_TRUE(config_.ReadSection(document, u"packet\\installcfg\\item"));
  }

  // A text value under HKEY_CLASSES_ROOT\Sample.Identity in one view.
  static void Set(const char16_t* name, const std::u16string& text, REGSAM view, DWORD type = REG_SZ) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"Sample.Identity", 0, nullptr, 0,
                              KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * 2)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  std::u16string Uuid() const { return ZUUIDGenerator::GetInstance()->GetUuid(&config_); }

  ZInstallConfigLoader config_;
};

TEST_F(InstallIdentityReadTest, UuidIsUpperCasedAsStored) {
  EXPECT_EQ(Uuid(), u"") << "no key";
  Set(u"uuid", u"5f0c2a7e9b3d4e61a8c7f02d1e4b9a36", KEY_WOW64_32KEY);
  EXPECT_EQ(Uuid(), u"5F0C2A7E9B3D4E61A8C7F02D1E4B9A36");
  Set(u"uuid", u"{5f0c2a7e-9b3d-4e61-a8c7-f02d1e4b9a36}", KEY_WOW64_32KEY);
  EXPECT_EQ(Uuid(), u"{5F0C2A7E-9B3D-4E61-A8C7-F02D1E4B9A36}") << "kept whole, unusable as bytes";
  Set(u"uuid", u"%SystemRoot%", KEY_WOW64_32KEY, REG_EXPAND_SZ);
  EXPECT_EQ(Uuid(), u"%SYSTEMROOT%") << "not expanded";
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Sample.Identity", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key),
            ERROR_SUCCESS);
  DWORD number = 7;
  ASSERT_EQ(RegSetValueExW(key, u"uuid", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(Uuid(), u"") << "only text values";
}

TEST_F(InstallIdentityReadTest, ServerIdIsExactlyThirtyTwoCharacters) {
  const std::u16string id = u"A1B2C3D4E5F60718293A4B5C6D7E8F90";
  EXPECT_EQ(ReadServerId(&config_), u"") << "no key";
  Set(u"svrid", id, KEY_WOW64_32KEY);
  EXPECT_EQ(ReadServerId(&config_), id);
  Set(u"svrid", id.substr(1), KEY_WOW64_32KEY);
  EXPECT_EQ(ReadServerId(&config_), u"");
  Set(u"svrid", id + u"0", KEY_WOW64_32KEY);
  EXPECT_EQ(ReadServerId(&config_), u"");
  Set(u"svrid", std::u16string(300, u'A'), KEY_WOW64_32KEY);
  EXPECT_EQ(ReadServerId(&config_), u"") << "longer than the buffer";
}

TEST_F(InstallIdentityReadTest, ServerIdIsReadInTheThirtyTwoBitView) {
  // Under CLSID the two views keep their own keys.
  ZXmlDocument document;
  ASSERT_TRUE(document.Parse(
      "<packet><installcfg>"
      "<item key=\"svrid_reg_path\" value=\"CLSID\\{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}\"/>"
      "<item key=\"svrid_reg_key\" value=\"svrid\"/>"
      "</installcfg></packet>"));
  ZInstallConfigLoader config;
  ASSERT_TRUE(config.ReadSection(document, u"packet\\installcfg\\item"));
  const std::u16string id32 = u"A1B2C3D4E5F60718293A4B5C6D7E8F90";
  const std::u16string id64 = u"0000000000000000000000000000FFFF";
  auto set = [](const std::u16string& text, REGSAM view) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}", 0,
                              nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"svrid", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * 2)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  };
  set(id64, KEY_WOW64_64KEY);
  EXPECT_EQ(ReadServerId(&config), u"") << "only the 64-bit view holds one";
  set(id32, KEY_WOW64_32KEY);
  EXPECT_EQ(ReadServerId(&config), id32);
}

TEST(ZTimeTest, KeepsItsRangeAndReplacesTheRest) {
  EXPECT_EQ(ZTime(0).Seconds(), 0);
  EXPECT_EQ(ZTime(ZTime::kLatest).Seconds(), ZTime::kLatest);
  const int64_t y2000 = ZTime(-1).Seconds();
  EXPECT_NEAR(static_cast<double>(y2000), 946684800.0, 14 * 3600.0) << "2000-01-01, local time";
  EXPECT_EQ(ZTime(ZTime::kLatest + 1).Seconds(), y2000);
  EXPECT_EQ((ZTime(86400 * 3 - 1) - ZTime(0)).Days(), 2);
  EXPECT_EQ((ZTime(0) - ZTime(86400 + 10)).Days(), -1) << "truncated toward zero";
  EXPECT_GT(ZTime::Now().Seconds(), 1700000000);
}

}  // namespace
