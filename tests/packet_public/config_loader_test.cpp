// The install configuration: the scrambled file, section reading, loading and
// its error lines, and the install identity read through it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "packet_public/ZInstallConfigLoader.h"
#include "packet_public/ZRegRootTable.h"
#include "packet_public/ZText.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/core/SimHost.h"
#include "platform/xml.h"
#include "tests/support/SimTestSupport.h"

namespace {

std::string Pack(const std::string& xml) {
  std::string data = ".tmp";
  for (char c : xml) data.push_back(static_cast<char>(static_cast<unsigned char>(c) ^ 0xA7));
  return data;
}

std::string Item(const std::string& key, const std::string& value) {
  return "<item key=\"" + key + "\" value=\"" + value + "\"/>";
}

// updockcfg needs at least one item for a load to succeed.
std::string Config(const std::string& install_items,
                   const std::string& updock_items = Item("pid", "0")) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><installcfg>" + install_items +
         "</installcfg><updockcfg>" + updock_items + "</updockcfg></packet>";
}

int64_t NowUnixSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

class ConfigLoaderTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_TRUE(CreateDirectoryW(u"C:\\App", nullptr));
  }

  // Writes bytes to C:\App\<name> and returns its Windows path.
  std::u16string WriteAppFile(const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(WriteTextFile(Real("App/" + name), bytes));
    return u"C:\\App\\" + Utf8ToUtf16(name);
  }

  std::u16string WriteConfig(const std::string& xml,
                             const std::string& name = "installConfig.dat") {
    return WriteAppFile(name, Pack(xml));
  }

  static std::string Body(const std::u16string& path, bool* ok) {
    std::unique_ptr<char[]> buffer;
    uint32_t length = 0;
    *ok = ReadConfigBuffer(path.c_str(), &buffer, &length);
    if (!*ok) return std::string();
    EXPECT_EQ(buffer[length], '\0') << "the body is followed by a zero byte";
    return std::string(buffer.get(), length);
  }
};

// ---- The scrambled file ----

TEST_F(ConfigLoaderTest, BufferUnscramblesBodiesOfEveryLengthModuloFour) {
  // The unscrambling runs on whole words first, then on the tail.
  for (size_t n = 1; n <= 9; ++n) {
    std::string body = std::string("<abcdefgh\xff\x01", n);
    bool ok = false;
    EXPECT_EQ(Body(WriteAppFile("b.dat", Pack(body)), &ok), body) << n;
    EXPECT_TRUE(ok) << n;
  }
}

TEST_F(ConfigLoaderTest, BufferRejectsWhatIsNotAConfigFile) {
  bool ok = true;
  std::unique_ptr<char[]> buffer;
  uint32_t length = 0;
  EXPECT_FALSE(ReadConfigBuffer(nullptr, &buffer, &length));
  EXPECT_FALSE(ReadConfigBuffer(u"", &buffer, &length));
  Body(u"C:\\App\\missing.dat", &ok);
  EXPECT_FALSE(ok) << "missing file";
  Body(WriteAppFile("empty.dat", ""), &ok);
  EXPECT_FALSE(ok) << "empty file";
  Body(WriteAppFile("magic.dat", ".tmp"), &ok);
  EXPECT_FALSE(ok) << "nothing after the magic";
  Body(WriteAppFile("short.dat", ".tm"), &ok);
  EXPECT_FALSE(ok) << "shorter than the magic";
  Body(WriteAppFile("wrong.dat", ".TMP" + Pack("<packet/>").substr(4)), &ok);
  EXPECT_FALSE(ok) << "wrong magic";
  Body(WriteAppFile("plain.xml", "<packet/>"), &ok);
  EXPECT_FALSE(ok) << "unscrambled text";
  Body(u"C:\\App", &ok);
  EXPECT_FALSE(ok) << "a folder";
  EXPECT_EQ(buffer, nullptr);
}

TEST_F(ConfigLoaderTest, BufferRefusesHugeFilesWithoutReadingThem) {
  HANDLE file = CreateFileW(u"C:\\App\\huge.dat", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, ".tmp", 4, &written, nullptr));
  LARGE_INTEGER size;
  size.QuadPart = 64ll * 1024 * 1024 + 1;
  ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(file));
  CloseHandle(file);
  bool ok = true;
  Body(u"C:\\App\\huge.dat", &ok);
  EXPECT_FALSE(ok);
}

TEST_F(ConfigLoaderTest, BufferNeedsReadSharing) {
  std::u16string path = WriteConfig("<packet/>");
  HANDLE writer =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                  nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  bool ok = true;
  Body(path, &ok);
  EXPECT_FALSE(ok);
  CloseHandle(writer);
  EXPECT_EQ(Body(path, &ok), "<packet/>");
  EXPECT_TRUE(ok) << "the file is closed after reading";
  EXPECT_TRUE(DeleteFileW(path.c_str())) << GetLastError();
}

TEST_F(ConfigLoaderTest, DecryptedTextEndsAtTheFirstZeroByte) {
  std::string body = "<packet/>";
  body.push_back('\0');
  body += "tail";
  std::u16string path = WriteConfig(body);
  bool ok = false;
  EXPECT_EQ(Body(path, &ok), body) << "the buffer holds the whole body";
  std::string text = "untouched";
  ASSERT_TRUE(ZInstallConfigLoader::DecryptConfigFile(path.c_str(), &text));
  EXPECT_EQ(text, "<packet/>");
  EXPECT_FALSE(ZInstallConfigLoader::DecryptConfigFile(u"C:\\App\\none.dat", &text));
}

// ---- Sections ----

class ConfigSectionTest : public ::testing::Test {
 protected:
  bool Read(const std::string& xml, const std::u16string& section) {
    ZXmlDocument document;
    EXPECT_TRUE(document.Parse(xml.c_str())) << xml;
    return loader_.ReadSection(document, section);
  }
  ZInstallConfigLoader loader_;
};

TEST_F(ConfigSectionTest, ReadsFromTheFirstItemThroughEveryFollowingSibling) {
  ASSERT_TRUE(Read("<packet><installcfg>" + Item("first", "f") + "<other key=\"b\" value=\"x\"/>" +
                       "<!-- note -->text" + Item("a", "1") +
                       "<item key=\"novalue\"/><item value=\"orphan\"/>" +
                       "<setting key=\"c\" value=\"2\">" + Item("nested", "n") + "</setting>" +
                       Item("a", "3") + "</installcfg></packet>",
                   u"packet\\installcfg\\item"));
  EXPECT_EQ(loader_.GetValue(u"first"), u"f");
  EXPECT_EQ(loader_.GetValue(u"b"), u"x") << "a sibling of another name counts";
  EXPECT_EQ(loader_.GetValue(u"c"), u"2");
  EXPECT_EQ(loader_.GetValue(u"a"), u"3") << "a later item replaces an earlier one";
  EXPECT_EQ(loader_.GetValue(u"nested"), u"") << "children of siblings are not items";
  EXPECT_EQ(loader_.GetValue(u"novalue"), u"");
  EXPECT_EQ(loader_.GetValue(u""), u"") << "an item without key is skipped";
}

TEST_F(ConfigSectionTest, ElementsBeforeTheFirstItemAreIgnored) {
  ASSERT_TRUE(Read("<packet><installcfg><entry key=\"early\" value=\"e\"/>" + Item("k", "v") +
                       "<entry key=\"late\" value=\"l\"/></installcfg></packet>",
                   u"packet/installcfg/item"));
  EXPECT_EQ(loader_.GetValue(u"early"), u"");
  EXPECT_EQ(loader_.GetValue(u"k"), u"v");
  EXPECT_EQ(loader_.GetValue(u"late"), u"l");
}

TEST_F(ConfigSectionTest, PathMustNameExistingElementsExactly) {
  const std::string xml = "<packet><installcfg>" + Item("k", "v") + "</installcfg></packet>";
  EXPECT_FALSE(Read(xml, u"Packet\\installcfg\\item"));
  EXPECT_FALSE(Read(xml, u"packet\\InstallCfg\\item"));
  EXPECT_FALSE(Read(xml, u"packet\\installcfg\\entry"));
  EXPECT_FALSE(Read(xml, u"installcfg\\item")) << "the first name is the root's";
  EXPECT_FALSE(Read(xml, u""));
  EXPECT_FALSE(Read("<other><installcfg>" + Item("k", "v") + "</installcfg></other>",
                    u"packet\\installcfg\\item"));
  EXPECT_FALSE(Read("<packet><installcfg/></packet>", u"packet\\installcfg\\item"));
  EXPECT_EQ(loader_.GetValue(u"k"), u"");
  EXPECT_TRUE(Read(xml, u"packet\\installcfg\\item"));
  EXPECT_EQ(loader_.GetValue(u"k"), u"v");
}

TEST_F(ConfigSectionTest, KeysAndValuesKeepCaseAndNonAsciiText) {
  ASSERT_TRUE(Read("<packet><s>" + Item("Title", "Gro\xC3\x9F \xE4\xB8\xAD &amp; more") +
                       Item("title", "lower") + "</s></packet>",
                   u"packet\\s\\item"));
  EXPECT_EQ(loader_.GetValue(u"Title"), u"Gro\u00DF \u4E2D & more");
  EXPECT_EQ(loader_.GetValue(u"title"), u"lower");
  EXPECT_EQ(loader_.GetValue(u"TITLE"), u"");
}

TEST(ConfigRootTableTest, KnowsTheFourLowerCaseNames) {
  HKEY root = nullptr;
  EXPECT_TRUE(LookupRootKey(u"hkcr", &root));
  EXPECT_EQ(root, HKEY_CLASSES_ROOT);
  EXPECT_TRUE(LookupRootKey(u"hkcu", &root));
  EXPECT_EQ(root, HKEY_CURRENT_USER);
  EXPECT_TRUE(LookupRootKey(u"hklm", &root));
  EXPECT_EQ(root, HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(LookupRootKey(u"hkus", &root));
  EXPECT_EQ(root, HKEY_USERS);
  for (const char16_t* name : {u"HKLM", u"hkcc", u"", u"hklm ", u"HKEY_LOCAL_MACHINE"}) {
    root = nullptr;
    EXPECT_FALSE(LookupRootKey(name, &root)) << Utf16ToUtf8(name);
    EXPECT_EQ(root, nullptr);
  }
}

// ---- Loading ----

TEST_F(ConfigLoaderTest, SamplePacketLoadsWithEveryKey) {
  std::string xml = ReadTextFile(std::string(kSourceDir) + "/resources/sample/installConfig.xml");
  ASSERT_FALSE(xml.empty());
  ZInstallConfigLoader loader;
  ASSERT_TRUE(loader.Load(WriteConfig(xml).c_str()));
  EXPECT_TRUE(loader.IsLoaded());
  const std::vector<std::pair<std::u16string, std::u16string>> expected = {
      {u"install_dir_name", u"SampleProductUninstall"},
      {u"uninstall_instance_name", u"SampleProduct_Uninstall_Instance"},
      {u"main_window_class", u"SampleProductMainWindow"},
      {u"uninstall_tips",
       u"Sample Product \u6B63\u5728\u8FD0\u884C\uFF0C\u9700\u8981\u5173\u95ED\u540E\u624D\u80FD"
       u"\u7EE7\u7EED\u5378\u8F7D\u3002\u662F\u5426\u7ACB\u5373\u5173\u95ED\u5B83\u5E76"
       u"\u7EE7\u7EED\uFF1F"},  // "... 正在运行，需要关闭后才能继续卸载。是否立即关闭它并继续？"
      {u"title", u"Sample Product \u5378\u8F7D\u7A0B\u5E8F"},  // "... 卸载程序"
      {u"tool_set_ext_process_name", u"SampleToolExt"},
      {u"tool_set_ext_exit_event", u"Global\\SampleToolExt_Exit"},
      {u"tool_set_uninstall_cmd", u"/uninstall /quiet"},
      {u"checkbox_1", u"1"},
      {u"checkbox_2", u"1"},  // updockcfg wins
      {u"tryno", u"2"},       // updockcfg wins
      {u"install_time_root_key", u"hklm"},
      {u"install_time_sub_key", u"SOFTWARE\\Sample Vendor\\Sample Product"},
      {u"install_time_value", u"InstallTime"},
      {u"uuid_reg_path", u"SampleProduct.Identity"},
      {u"uuid_reg_key", u"uuid"},
      {u"svrid_reg_path", u"SampleProduct.Identity"},
      {u"svrid_reg_key", u"svrid"},
      {u"pid", u"30101"},  // updockcfg wins
  };
  for (const auto& [key, value] : expected)
    EXPECT_EQ(loader.GetValue(key), value) << Utf16ToUtf8(key);
  EXPECT_EQ(loader.GetCheckboxValue(1), 1);
  EXPECT_EQ(loader.GetCheckboxValue(2), 1);
  EXPECT_EQ(loader.GetTryNo(), 2);
}

TEST_F(ConfigLoaderTest, LoadsFromTheProgramFolderByDefault) {
  SimHost::SetModulePath(u"C:\\App\\u.exe");
  WriteConfig(Config(Item("title", "T")));
  ZInstallConfigLoader loader;
  EXPECT_TRUE(loader.Load());
  EXPECT_EQ(loader.GetValue(u"title"), u"T");
  SimHost::SetModulePath(u"");
}

TEST_F(ConfigLoaderTest, LoadsOnceWhateverTheLaterPath) {
  std::u16string first = WriteConfig(Config(Item("a", "1")), "first.dat");
  std::u16string second = WriteConfig(Config(Item("a", "2") + Item("b", "2")), "second.dat");
  ZInstallConfigLoader loader;
  ASSERT_TRUE(loader.Load(first.c_str()));
  EXPECT_TRUE(loader.Load(second.c_str()));
  EXPECT_TRUE(loader.Load(u"C:\\App\\missing.dat"));
  EXPECT_EQ(loader.GetValue(u"a"), u"1");
  EXPECT_EQ(loader.GetValue(u"b"), u"");
}

TEST_F(ConfigLoaderTest, FailedLoadsReturnFalseAndMayBeRetried) {
  std::string items = Item("k", "v");
  const std::vector<std::pair<const char*, std::string>> bad_files = {
      {"magic only", ".tmp"},
      {"wrong magic", "XXXX" + Pack(Config(items, items)).substr(4)},
      {"non-XML body", Pack("this is not xml")},
      {"root not packet", Pack("<config><installcfg>" + items + "</installcfg></config>")},
      {"no item under installcfg",
       Pack("<packet><installcfg><entry key=\"k\" value=\"v\"/></installcfg><updockcfg>" + items +
            "</updockcfg></packet>")},
  };
  for (const auto& [what, bytes] : bad_files) {
    ZInstallConfigLoader loader;
    EXPECT_FALSE(loader.Load(WriteAppFile("bad.dat", bytes).c_str())) << what;
    EXPECT_FALSE(loader.IsLoaded()) << what;
    EXPECT_EQ(loader.GetValue(u"k"), u"") << what;
  }
  ZInstallConfigLoader loader;
  EXPECT_FALSE(loader.Load(u"C:\\App\\missing.dat"));
  EXPECT_TRUE(loader.Load(WriteConfig(Config(items)).c_str())) << "a failed load is retried";
  EXPECT_EQ(loader.GetValue(u"k"), u"v");
}

TEST_F(ConfigLoaderTest, MissingUpdockSectionFailsButKeepsInstallValues) {
  ZInstallConfigLoader loader;
  std::u16string path = WriteConfig("<packet><installcfg>" + Item("title", "T") + "</installcfg>" +
                                    "<updock>" + Item("x", "y") + "</updock></packet>");
  EXPECT_FALSE(loader.Load(path.c_str()));
  EXPECT_FALSE(loader.IsLoaded());
  EXPECT_EQ(loader.GetValue(u"title"), u"T");
  EXPECT_EQ(loader.GetValue(u"x"), u"");
}

TEST_F(ConfigLoaderTest, TextAfterAZeroByteIsNotRead) {
  std::string xml = Config(Item("a", "1"));
  xml.push_back('\0');
  xml += "<garbage that would not parse";
  ZInstallConfigLoader loader;
  EXPECT_TRUE(loader.Load(WriteConfig(xml).c_str()));
  EXPECT_EQ(loader.GetValue(u"a"), u"1");

  // A zero inside the document cuts it short, and the cut text does not parse.
  std::string cut = Config(Item("a", "1"));
  cut[cut.find("<updockcfg>")] = '\0';
  ZInstallConfigLoader other;
  EXPECT_FALSE(other.Load(WriteConfig(cut, "cut.dat").c_str()));
}

TEST_F(ConfigLoaderTest, NumbersAreReadLeniently) {
  ZInstallConfigLoader loader;
  ASSERT_TRUE(loader.Load(WriteConfig(Config(Item("tryno", " -12abc") + Item("checkbox_0", "7") +
                                                 Item("checkbox_-1", "+5") +
                                                 Item("checkbox_12", "99999999999") +
                                                 Item("checkbox_3", "x1")))
                              .c_str()));
  EXPECT_EQ(loader.GetTryNo(), -12);
  EXPECT_EQ(loader.GetCheckboxValue(0), 7);
  EXPECT_EQ(loader.GetCheckboxValue(-1), 5);
  EXPECT_EQ(loader.GetCheckboxValue(12), INT32_MAX);
  EXPECT_EQ(loader.GetCheckboxValue(3), 0);
  EXPECT_EQ(loader.GetCheckboxValue(4), 0) << "absent";
  EXPECT_EQ(loader.GetValue(u"checkbox_4"), u"");
}

// ---- Install identity ----

class InstallIdentityTest : public ConfigLoaderTest {
 protected:
  void SetUp() override {
    ConfigLoaderTest::SetUp();
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\Product", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key_);
    ConfigLoaderTest::TearDown();
  }

  void LoadWithRoot(const std::string& root, ZInstallConfigLoader* loader) {
    ASSERT_TRUE(loader->Load(
        WriteConfig(Config(Item("install_time_root_key", root) +
                               Item("install_time_sub_key", "SOFTWARE\\Vendor\\Product") +
                               Item("install_time_value", "InstallTime")))
            .c_str()));
  }
  void SetDword(const char16_t* name, uint32_t value, DWORD type = REG_DWORD) {
    ASSERT_EQ(RegSetValueExW(key_, name, 0, type, reinterpret_cast<const BYTE*>(&value), 4),
              ERROR_SUCCESS);
  }
  void SetText(const char16_t* name, const std::u16string& text, DWORD type = REG_SZ) {
    ASSERT_EQ(RegSetValueExW(key_, name, 0, type, reinterpret_cast<const BYTE*>(text.data()),
                             static_cast<DWORD>(text.size() * 2)),
              ERROR_SUCCESS);
  }
  HKEY key_ = nullptr;
};

TEST_F(InstallIdentityTest, InstallDaysTruncateTowardZero) {
  ZInstallConfigLoader loader;
  SetDword(u"InstallTime", static_cast<uint32_t>(NowUnixSeconds() - 10 * 86400 - 3600));
  EXPECT_EQ(loader.GetInstallDays(), 0) << "nothing loaded";
  LoadWithRoot("hklm", &loader);
  EXPECT_EQ(loader.GetInstallDays(), 10);
  SetDword(u"InstallTime", static_cast<uint32_t>(NowUnixSeconds() + 36 * 3600));
  EXPECT_EQ(loader.GetInstallDays(), -1) << "a future time gives -1, not -2";
}

TEST_F(InstallIdentityTest, NegativeInstallTimeCountsFromTheYear2000) {
  ZInstallConfigLoader loader;
  LoadWithRoot("hklm", &loader);
  SetDword(u"InstallTime", 0x80000000u);
  const int64_t since_2000_utc = (NowUnixSeconds() - 946684800) / 86400;
  EXPECT_NEAR(loader.GetInstallDays(), since_2000_utc, 1) << "local time, not UTC";
  SetDword(u"InstallTime", 0);
  EXPECT_EQ(loader.GetInstallDays(), NowUnixSeconds() / 86400) << "zero is a valid time";
}

TEST_F(InstallIdentityTest, InstallDaysNeedADwordUnderAKnownRoot) {
  ZInstallConfigLoader loader;
  LoadWithRoot("hklm", &loader);
  EXPECT_EQ(loader.GetInstallDays(), 0) << "no value";
  SetText(u"InstallTime", u"12345");
  EXPECT_EQ(loader.GetInstallDays(), 0) << "text value";
  SetDword(u"InstallTime", 1000, REG_BINARY);
  EXPECT_EQ(loader.GetInstallDays(), 0) << "binary value";
  ZInstallConfigLoader upper;
  LoadWithRoot("HKLM", &upper);
  SetDword(u"InstallTime", 1000);
  EXPECT_EQ(upper.GetInstallDays(), 0) << "root names are lower case";
  EXPECT_GT(loader.GetInstallDays(), 0);
}

TEST_F(InstallIdentityTest, IdValuesAreStringsEndingAtTheFirstZero) {
  ZInstallConfigLoader loader;
  LoadWithRoot("hklm", &loader);
  SetText(u"uuid", u"1234-abcd");  // stored without a terminator
  SetText(u"expand", std::u16string(u"%TEMP%\0", 7), REG_EXPAND_SZ);
  SetText(u"cut", std::u16string(u"ab\0cd", 5));
  SetText(u"empty", u"");
  SetDword(u"number", 7);
  EXPECT_EQ(loader.GetInstallIdValue(u"uuid"), u"1234-abcd");
  EXPECT_EQ(loader.GetInstallIdValue(u"expand"), u"%TEMP%") << "read as stored, not expanded";
  EXPECT_EQ(loader.GetInstallIdValue(u"cut"), u"ab");
  EXPECT_EQ(loader.GetInstallIdValue(u"empty"), u"");
  EXPECT_EQ(loader.GetInstallIdValue(u"number"), u"0");
  EXPECT_EQ(loader.GetInstallIdValue(u"missing"), u"0");

  ZInstallConfigLoader unknown_root;
  LoadWithRoot("hkxx", &unknown_root);
  EXPECT_EQ(unknown_root.GetInstallIdValue(u"uuid"), u"0");
  ZInstallConfigLoader unloaded;
  EXPECT_EQ(unloaded.GetInstallIdValue(u"uuid"), u"0");
}

// ---- Error lines ----
//
// The log is process-wide and keeps its file open, so the loads whose lines
// are checked run in a child: this test binary again, with only the helper
// below selected, in the parent's machine as the program C:\App\u.exe. The
// helper is no test of its own: its suite's name keeps it out of ctest.

constexpr char kChildLoadsVariable[] = "UNINST_CONFIG_LOG_CHILD_LOADS";

TEST(ConfigLoaderLogChild, LoadsTheNamedFiles) {
  const char* loads = std::getenv(kChildLoadsVariable);
  if (!loads) GTEST_SKIP() << "a helper for EachFailureWritesItsErrorLines, started by it";
  SimHost::SetModulePath(u"C:\\App\\u.exe");
  std::string list = loads;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find('|', start);
    if (end == std::string::npos) end = list.size();
    std::u16string path = Utf8ToUtf16(list.substr(start, end - start));
    ZInstallConfigLoader loader;
    bool loaded = path == u"default" ? loader.Load() : loader.Load(path.c_str());
    std::printf("load %s\n", loaded ? "ok" : "failed");
    start = end + 1;
  }
}

TEST_F(ConfigLoaderTest, EachFailureWritesItsErrorLines) {
  std::string items = Item("k", "v");
  std::vector<std::u16string> paths = {
      u"default",  // no installConfig.dat beside the program
      WriteAppFile("wrong.dat", "XXXX" + Pack(Config(items, items)).substr(4)),
      WriteAppFile("text.dat", Pack("this is not xml")),
      WriteAppFile("root.dat", Pack("<config><installcfg>" + items + "</installcfg></config>")),
      WriteAppFile("noitem.dat",
                   Pack("<packet><installcfg/><updockcfg>" + items + "</updockcfg></packet>")),
      WriteAppFile("noupdock.dat", Pack("<packet><installcfg>" + items + "</installcfg></packet>")),
      WriteConfig(Config(items, items), "good.dat"),
  };
  std::string list;
  for (const auto& path : paths) list += (list.empty() ? "" : "|") + Utf16ToUtf8(path);

  CommandResult run = RunCommand({SimHost::ExecutablePath(),
                                  "--gtest_filter=ConfigLoaderLogChild.*"},
                                 {std::string(kChildLoadsVariable) + "=" + list,
                                  "SIMHOST_MACHINE=" + MachineDir()});
  ASSERT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("load failed\nload failed\nload failed\nload failed\nload failed\n"
                         "load failed\nload ok\n"),
            std::string::npos)
      << run.out;

  std::string log = ReadTextFile(Real("App/log/u.exe.log"));
  std::vector<std::string> messages;
  const std::regex line(R"(\[[^\]]*\|  ERROR\|ZInstallConfigLoader\.cpp:[0-9]+\] (.*)\r)");
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    std::string text = log.substr(start, end - start);
    std::smatch match;
    if (std::regex_match(text, match, line))
      messages.push_back(match[1]);
    else
      ADD_FAILURE() << "unexpected log line: " << text;
    start = end + 1;
  }
  const std::vector<std::string> expected = {
      "install config file not exist, file path : C:\\App\\installConfig.dat",
      "decrypt install config file failed, lpDecryptBuffer = null",
      "decrypt install config file failed",
      "parse config data failed, wrong format",
      "parse install config failed",
      "parse install config failed",
      "parse updock config failed",
  };
  EXPECT_EQ(messages, expected);
}

}  // namespace

namespace {

// A document nested far deeper than the reader's limit fails as a malformed one
// does, with the same line, and leaves nothing loaded.
TEST_F(ConfigLoaderTest, ADeeplyNestedConfigurationIsAWrongFormat) {
  std::string items = Item("k", "v");
  std::string deep, limit;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  // packet and installcfg are levels 1 and 2: this reaches level 256 exactly.
  for (int i = 0; i < 254; ++i) limit = "<a>" + limit + "</a>";
  std::vector<std::u16string> paths = {
      WriteAppFile("deep.dat", Pack(Config(items + deep, items))),
      WriteAppFile("limit.dat", Pack(Config(items + limit, items))),
  };
  CommandResult run = RunCommand({SimHost::ExecutablePath(),
                                  "--gtest_filter=ConfigLoaderLogChild.*"},
                                 {std::string(kChildLoadsVariable) + "=" +
                                      Utf16ToUtf8(paths[0]) + "|" + Utf16ToUtf8(paths[1]),
                                  "SIMHOST_MACHINE=" + MachineDir()});
  ASSERT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("load failed\nload ok\n"), std::string::npos) << run.out;
  std::vector<std::string> lines = ReadTextLines(Real("App/log/u.exe.log"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("|  ERROR|ZInstallConfigLoader.cpp:"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("] parse config data failed, wrong format"), std::string::npos)
      << lines[0];
}

}  // namespace
