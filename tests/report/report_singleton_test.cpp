// The report singleton against the reference statistics service on a
// loopback port: what one report carries, and two reports sent at once from
// two threads (as when the dialog closes while the worker finishes).
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "packet_public/ZInstallConfigLoader.h"
#include "platform/registry.h"
#include "platform/xml.h"
#include "report/CSingletonReport.h"
#include "tests/support/SimTestSupport.h"

namespace {

class SingletonReportTest : public MachineTest {
 protected:
  // A configuration whose install time is HKLM\SOFTWARE\P : InstallTime.
  void LoadAgeConfig(ZInstallConfigLoader* loaded) {
    const std::string xml =
        "<packet><installcfg><item key=\"install_time_root_key\" value=\"hklm\"/>"
        "<item key=\"install_time_sub_key\" value=\"SOFTWARE\\P\"/>"
        "<item key=\"install_time_value\" value=\"InstallTime\"/></installcfg>"
        "<updockcfg><item key=\"pid\" value=\"0\"/></updockcfg></packet>";
    std::string scrambled = ".tmp";
    for (char c : xml) scrambled += static_cast<char>(c ^ 0xA7);
    ASSERT_TRUE(WriteTextFile(Real("config.dat"), scrambled));
    ASSERT_TRUE(loaded->Load(u"C:\\config.dat"));
  }
  void SetUp() override {
    MachineTest::SetUp();
    out_ = Real("reports.jsonl");
    // The collector is a tool here, not the code under test: under
    // ThreadSanitizer its HTTP library (built without it) would be reported.
    ASSERT_TRUE(collector_.Start(UNINST_STATCOLLECTOR_PATH,
                                 {"--listen", "127.0.0.1:0", "--out", out_},
                                 {"TSAN_OPTIONS=report_bugs=0"}));
    std::string line = collector_.ReadLine();
    ASSERT_EQ(line.rfind("listening 127.0.0.1:", 0), 0u) << line;
    url_ = u"http://127.0.0.1:" + std::u16string(line.begin() + 20, line.end()) + u"/nep/v1/";

    ZXmlDocument document;
    ASSERT_TRUE(document.Parse(
        "<packet><installcfg>"
        "<item key=\"tryno\" value=\"4\"/><item key=\"pid\" value=\" 30101x\"/>"
        "<item key=\"uuid_reg_path\" value=\"P.Identity\"/><item key=\"uuid_reg_key\" value=\"uuid\"/>"
        "<item key=\"svrid_reg_path\" value=\"P.Identity\"/><item key=\"svrid_reg_key\" value=\"svrid\"/>"
        "<item key=\"install_time_root_key\" value=\"hklm\"/>"
        "<item key=\"install_time_sub_key\" value=\"SOFTWARE\\P\"/>"
        "<item key=\"install_time_value\" value=\"InstallTime\"/>"
        "</installcfg></packet>"));
    ASSERT_TRUE(config_.ReadSection(document, u"packet\\installcfg\\item"));
    SetText(HKEY_CLASSES_ROOT, u"P.Identity", u"uuid", u"00112233445566778899aabbccddeeff");
    SetText(HKEY_CLASSES_ROOT, u"P.Identity", u"svrid", u"A1B2C3D4E5F60718293A4B5C6D7E8F90");
    SetText(HKEY_LOCAL_MACHINE, u"SOFTWARE\\P", u"tid1", u"17");
  }
  void TearDown() override {
    collector_.Kill();
    collector_.Wait();
    MachineTest::TearDown();
  }

  static void SetText(HKEY root, const std::u16string& path, const std::u16string& name,
                      const std::u16string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * 2)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  std::vector<std::string> Reports() const { return ReadTextLines(out_); }

  ChildProcess collector_;
  std::string out_;
  std::u16string url_;
  ZInstallConfigLoader config_;
};

TEST_F(SingletonReportTest, AReportCarriesTheIdentityAndTheEvent) {
  CSingletonReport report(&config_);
  report.SetUrl(url_);
  report.LoadIds();
  report.Report(0, 2);
  auto lines = Reports();
  ASSERT_EQ(lines.size(), 1u);
  const std::string& json = lines[0];
  EXPECT_EQ(JsonField(json, "public", "uuid"), "\"00112233445566778899AABBCCDDEEFF\"") << json;
  EXPECT_EQ(JsonField(json, "public", "svrid"), "\"A1B2C3D4E5F60718293A4B5C6D7E8F90\"");
  EXPECT_EQ(JsonField(json, "public", "tid1"), "17");
  EXPECT_EQ(JsonField(json, "public", "tid2"), "0");
  EXPECT_EQ(JsonField(json, "public", "tryno"), "4");
  EXPECT_EQ(JsonField(json, "event", "result"), "0");
  EXPECT_EQ(JsonField(json, "event", "kind"), "2");
  EXPECT_EQ(JsonField(json, "event", "pid"), "30101");
  EXPECT_EQ(JsonField(json, "event", "constant"), "1");
}

TEST_F(SingletonReportTest, EachInstallSourceNumberLandsInItsOwnField) {
  // Distinct values: a number read into, or written from, another's place shows.
  const std::pair<const char16_t*, const char*> ids[] = {
      {u"tid1", "17"}, {u"tid2", "23"}, {u"tod1", "31"}, {u"tod2", "47"}, {u"iid", "59"}};
  for (const auto& [name, value] : ids)
    SetText(HKEY_LOCAL_MACHINE, u"SOFTWARE\\P", name, std::u16string(value, value + 2));
  CSingletonReport report(&config_);
  report.SetUrl(url_);
  report.LoadIds();
  report.Report(1, 1);
  auto lines = Reports();
  ASSERT_EQ(lines.size(), 1u);
  for (const auto& [name, value] : ids) {
    const std::string field(name, name + std::char_traits<char16_t>::length(name));
    EXPECT_EQ(JsonField(lines[0], "public", field), value) << field << " in " << lines[0];
  }
}

TEST_F(SingletonReportTest, TheServerIdComesFromTheThirtyTwoBitView) {
  // A key the two views keep apart (CLSID is redirected), with another id in
  // the 64-bit view.
  const std::u16string path = u"CLSID\\{6D1E2F3A-0B4C-4D5E-8F60-718293A4B5C6}";
  SetText(HKEY_CLASSES_ROOT, path, u"svrid", u"32BIT00000000000000000000000000A");
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::u16string other = u"64BIT00000000000000000000000000B";
  ASSERT_EQ(RegSetValueExW(key, u"svrid", 0, REG_SZ, reinterpret_cast<const BYTE*>(other.c_str()),
                           static_cast<DWORD>((other.size() + 1) * 2)),
            ERROR_SUCCESS);
  RegCloseKey(key);
  ZXmlDocument document;
  ASSERT_TRUE(document.Parse(
      "<packet><installcfg>"
      "<item key=\"svrid_reg_path\" value=\"CLSID\\{6D1E2F3A-0B4C-4D5E-8F60-718293A4B5C6}\"/>"
      "<item key=\"svrid_reg_key\" value=\"svrid\"/>"
      "</installcfg></packet>"));
  ZInstallConfigLoader config;
  ASSERT_TRUE(config.ReadSection(document, u"packet\\installcfg\\item"));
  CSingletonReport report(&config);
  report.SetUrl(url_);
  report.Report(1, 1);
  auto lines = Reports();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(JsonField(lines[0], "public", "svrid"), "\"32BIT00000000000000000000000000A\"") << lines[0];
}

TEST_F(SingletonReportTest, TheCapturedAgeIsSentEvenWhenTheInstallTimeIsGoneSince) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\P", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key),
            ERROR_SUCCESS);
  DWORD five_days_ago = static_cast<DWORD>(time(nullptr) - 5 * 86400 - 60);
  ASSERT_EQ(RegSetValueExW(key, u"InstallTime", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&five_days_ago), 4),
            ERROR_SUCCESS);
  // GetInstallDays needs a loaded configuration: load one from a file.
  ZInstallConfigLoader loaded;
  LoadAgeConfig(&loaded);
  CSingletonReport report(&loaded);
  report.SetUrl(url_);
  report.CaptureInstallDays();
  EXPECT_EQ(report.InstallDays(), 5);
  ASSERT_EQ(RegDeleteValueW(key, u"InstallTime"), ERROR_SUCCESS);
  RegCloseKey(key);
  report.Report(1, 1);
  auto lines = Reports();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(JsonField(lines[0], "event", "install_days"), "5") << lines[0];
}

// The worker captures the age while the UI thread may look at it: the
// flag and the days are seen together or not at all.
TEST_F(SingletonReportTest, AnAgeCapturedOnAnotherThreadIsSeenWhole) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\P", 0, nullptr, 0,
                            KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  DWORD nine_days_ago = static_cast<DWORD>(time(nullptr) - 9 * 86400 - 60);
  ASSERT_EQ(RegSetValueExW(key, u"InstallTime", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&nine_days_ago), 4),
            ERROR_SUCCESS);
  RegCloseKey(key);
  ZInstallConfigLoader loaded;
  LoadAgeConfig(&loaded);
  CSingletonReport report(&loaded);
  EXPECT_FALSE(report.InstallDaysCaptured());
  std::thread worker([&] { report.CaptureInstallDays(); });
  while (!report.InstallDaysCaptured()) std::this_thread::yield();
  EXPECT_EQ(report.InstallDays(), 9);
  worker.join();
}

TEST_F(SingletonReportTest, TwoThreadsReportAtOnceAndBothArrive) {
  CSingletonReport report(&config_);
  report.SetUrl(url_);
  report.LoadIds();
  std::thread closing([&] { report.Report(0, 2); });
  std::thread finishing([&] { report.Report(1, 1); });
  closing.join();
  finishing.join();
  auto lines = Reports();
  ASSERT_EQ(lines.size(), 2u);
  std::vector<std::string> kinds = {JsonField(lines[0], "event", "kind"), JsonField(lines[1], "event", "kind")};
  std::sort(kinds.begin(), kinds.end());
  EXPECT_EQ(kinds, (std::vector<std::string>{"1", "2"}));
}

}  // namespace
