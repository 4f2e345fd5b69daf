// The real uninstaller, run inside a machine with the sample product installed.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/FirewallException.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/sim/core/SimHost.h"
#include "tests/support/SimTestSupport.h"

namespace {

const char* const kProduct = "Program Files/Sample Product/";
const char16_t* const kUninstaller = u"C:\\Program Files\\Sample Product\\uninst.exe";

struct LogEntry {
  std::string level;
  std::string source;
  std::string message;
};

class UninstallFlowTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    auto installed = RunCommand({kSimhostPath, "install-sample", MachineDir()});
    ASSERT_EQ(installed.exit_code, 0) << installed.err;
  }

  CommandResult Uninstall(const std::vector<std::string>& args = {"/at"}) {
    std::vector<std::string> argv = {Real(std::string(kProduct) + "uninst.exe")};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunCommand(argv, {"SIMHOST_MACHINE=" + MachineDir()});
  }

  std::string LogPath() const { return Real(std::string(kProduct) + "log/uninst.exe.log"); }

  // Every line of the log, checked against the line layout.
  std::vector<LogEntry> ReadLog() {
    std::vector<LogEntry> entries;
    std::string text = ReadTextFile(LogPath());
    static const std::regex kLine(
        R"(^\[(\d+ *)\|(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)\|( *[A-Z]+)\|([^\\/:\]]+):(\d+)\] (.*)$)");
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find("\r\n", start);
      EXPECT_NE(end, std::string::npos) << "a line without CR LF";
      if (end == std::string::npos) break;
      std::string line = text.substr(start, end - start);
      start = end + 2;
      std::smatch m;
      EXPECT_TRUE(std::regex_match(line, m, kLine)) << line;
      if (m.empty()) continue;
      EXPECT_GE(m[1].length(), 5) << line;  // thread id padded to five
      EXPECT_EQ(m[7].length(), 7) << line;  // level right-aligned to seven
      entries.push_back({m[7].str().substr(m[7].str().find_first_not_of(' ')), m[8], m[10]});
    }
    return entries;
  }

  std::vector<std::string> Errors() {
    std::vector<std::string> messages;
    for (const auto& entry : ReadLog()) {
      EXPECT_EQ(entry.level, "ERROR");
      messages.push_back(entry.message);
    }
    return messages;
  }

  void WriteConfig(const std::string& bytes) {
    ASSERT_TRUE(WriteTextFile(Real(std::string(kProduct) + "installConfig.dat"), bytes));
  }

  static std::string Scrambled(const std::string& xml) {
    std::string out = ".tmp";
    for (char c : xml) out += static_cast<char>(c ^ 0xA7);
    return out;
  }

  std::string TempCopy() const {
    return Real("Users/User/AppData/Local/Temp/SampleProductUninstall/uninstall");
  }

  // The "files" list of a machine dump: every file and folder, in Windows form.
  std::set<std::string> DumpedFiles() {
    auto dump = RunCommand({kSimhostPath, "dump", MachineDir()});
    EXPECT_EQ(dump.exit_code, 0) << dump.err;
    std::set<std::string> files;
    size_t at = dump.out.find("\"files\": [");
    size_t end = dump.out.find("]", at);
    static const std::regex kEntry(R"re("((?:[^"\\]|\\.)*)")re");
    if (at == std::string::npos || end == std::string::npos) return files;
    std::string list = dump.out.substr(at + 10, end - at - 10);
    for (std::sregex_iterator it(list.begin(), list.end(), kEntry), stop; it != stop; ++it)
      files.insert((*it)[1]);
    return files;
  }

  // The firewall seen from outside the run (the class is tested on its own).
  static bool FirewallHas(const char16_t* path) {
    FirewallException firewall;
    bool enabled = false;
    return firewall.Open() == FirewallException::kOk &&
           firewall.IsEnabled(path, &enabled) == FirewallException::kOk && enabled;
  }
};

TEST_F(UninstallFlowTest, SilentRunCopiesSkinsAndLeavesNoFirewallEntry) {
  auto run = Uninstall();
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(PathExists(TempCopy() + "/11001.xml"));
  EXPECT_TRUE(PathExists(TempCopy() + "/3001.png"));
  EXPECT_FALSE(FirewallHas(kUninstaller));
  if (PathExists(LogPath())) {
    EXPECT_TRUE(Errors().empty());
  }
}

TEST_F(UninstallFlowTest, FirewallEntryThatExistedBeforeIsRemoved) {
  {
    // The entry as an earlier run or the installer may have left it.
    FirewallException firewall;
    ASSERT_EQ(firewall.Open(), FirewallException::kOk);
    ASSERT_EQ(firewall.Add(kUninstaller, u"ZInstallTool"), FirewallException::kOk);
  }
  ASSERT_TRUE(FirewallHas(kUninstaller));
  EXPECT_EQ(Uninstall().exit_code, 0);
  EXPECT_FALSE(FirewallHas(kUninstaller));
}

TEST_F(UninstallFlowTest, BrokenConfigurationFilesGiveTheirErrorLines) {
  const std::string decrypt = "decrypt install config file failed, lpDecryptBuffer = null";
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<std::string> errors;
  };
  const std::vector<Case> cases = {
      {"empty", "", {decrypt, "decrypt install config file failed", "init install config file failed"}},
      {"magic only", ".tmp", {decrypt, "decrypt install config file failed", "init install config file failed"}},
      {"wrong magic", "<?xml version=\"1.0\"?><packet/>",
       {decrypt, "decrypt install config file failed", "init install config file failed"}},
      {"not XML", Scrambled("this is <not xml"),
       {"parse config data failed, wrong format", "init install config file failed"}},
      {"wrong root", Scrambled("<config><installcfg><item key=\"a\" value=\"b\"/></installcfg></config>"),
       {"parse install config failed", "init install config file failed"}},
      {"no updockcfg", Scrambled("<packet><installcfg><item key=\"a\" value=\"b\"/></installcfg></packet>"),
       {"parse updock config failed", "init install config file failed"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RunCommand({"/bin/rm", "-rf", Real(std::string(kProduct) + "log")});
    WriteConfig(c.bytes);
    auto run = Uninstall();
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(Errors(), c.errors);
    EXPECT_FALSE(PathExists(TempCopy()));
  }
  RunCommand({"/bin/rm", "-rf", Real(std::string(kProduct) + "log")});
  RunCommand({"/bin/rm", "-f", Real(std::string(kProduct) + "installConfig.dat")});
  EXPECT_EQ(Uninstall().exit_code, 0);
  EXPECT_EQ(Errors(), (std::vector<std::string>{
                          "install config file not exist, file path : C:\\Program Files\\Sample "
                          "Product\\installConfig.dat",
                          "init install config file failed"}));
  // Each message comes from its own place in the source.
  auto entries = ReadLog();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_NE(entries[0].source, entries[1].source);
}

TEST_F(UninstallFlowTest, MissingSkinsOrTooLongTempEndQuietly) {
  RunCommand({"/bin/rm", "-rf", Real(std::string(kProduct) + "res")});
  EXPECT_EQ(Uninstall().exit_code, 0);
  EXPECT_EQ(Errors(), std::vector<std::string>{"copy uninstall resource to temp dir failed"});

  RunCommand({"/bin/rm", "-rf", Real(std::string(kProduct) + "log")});
  RunCommand({kSimhostPath, "env", MachineDir(), "TEMP", "C:\\" + std::string(260, 't')});
  EXPECT_EQ(Uninstall().exit_code, 0);
  EXPECT_EQ(Errors(), (std::vector<std::string>{"temp resource path is empty",
                                                "copy uninstall resource to temp dir failed"}));

  // A file where a folder of %TEMP% belongs: the copy's folder cannot be made.
  RunCommand({"/bin/rm", "-rf", Real(std::string(kProduct) + "log")});
  ASSERT_TRUE(WriteTextFile(Real("blocker"), "a file"));
  RunCommand({kSimhostPath, "env", MachineDir(), "TEMP", "C:\\blocker\\Temp"});
  EXPECT_EQ(Uninstall().exit_code, 0);
  EXPECT_EQ(Errors(), (std::vector<std::string>{"create temp resource path dir failed",
                                                "copy uninstall resource to temp dir failed"}));
  EXPECT_EQ(ReadTextFile(Real("blocker")), "a file");
  EXPECT_TRUE(PathExists(Real(std::string(kProduct) + "SampleCore.dll"))) << "nothing removed";
}

TEST_F(UninstallFlowTest, UnwritableLogFolderDoesNotStopTheRun) {
  // A file where the log folder belongs: the folder cannot be created.
  ASSERT_TRUE(WriteTextFile(Real(std::string(kProduct) + "log"), "not a folder"));
  RunCommand({"/bin/rm", "-f", Real(std::string(kProduct) + "installConfig.dat")});
  EXPECT_EQ(Uninstall().exit_code, 0);
  EXPECT_EQ(ReadTextFile(Real(std::string(kProduct) + "log")), "not a folder");
}

TEST_F(UninstallFlowTest, SecondInstanceEndsAtOnceWithoutLogLine) {
  // A first instance holds the guard named by "uninstall_instance_name".
  std::string holder = InstallHelper(u"C:\\Tools", "holder.exe");
  ChildProcess first;
  ASSERT_TRUE(StartInMachine(&first, holder, {"hold-mapping", "SampleProduct_Uninstall_Instance", "4"}));
  ASSERT_EQ(first.ReadLine(), "ready");
  auto run = Uninstall();
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_FALSE(PathExists(LogPath()));
  EXPECT_FALSE(PathExists(TempCopy()));
  first.Kill();
  first.Wait();
  EXPECT_EQ(Uninstall().exit_code, 0);
  EXPECT_TRUE(PathExists(TempCopy()));
}

TEST_F(UninstallFlowTest, SilentRunAsksTheRunningApplicationToClose) {
  std::string app = InstallHelper(u"C:\\Tools", "app.exe");
  ChildProcess product;
  ASSERT_TRUE(StartInMachine(&product, app, {"window", "SampleProductMainWindow", "Sample Product"}));
  ASSERT_EQ(product.ReadLine(), "ready");
  // Without the silent switch the user is asked first: closing that question
  // (or whatever window the run shows) stops it with nothing asked of the
  // application and nothing removed.
  ChildProcess interactive;
  ASSERT_TRUE(interactive.Start(Real(std::string(kProduct) + "uninst.exe"), {},
                                {"SIMHOST_MACHINE=" + MachineDir()}));
  for (int i = 0; i < 200 && interactive.Running(); ++i)
    if (RunCommand({kSimhostPath, "input", MachineDir(), "--title", SampleTitle(), "close"})
            .exit_code != 0)
      usleep(50 * 1000);
  EXPECT_EQ(interactive.Wait(10000), 0);
  EXPECT_EQ(product.ReadLine(500), "");
  EXPECT_TRUE(PathExists(Real(std::string(kProduct) + "uninst.exe")));

  EXPECT_EQ(Uninstall().exit_code, 0);
  EXPECT_EQ(product.ReadLine(), "1138 0 0");  // 0x0472, both parameters 0
  EXPECT_TRUE(product.Running());             // no waiting for it to end
}

TEST_F(UninstallFlowTest, InteractiveRunWithoutItsLayoutRemovesNothingAndSaysWhy) {
  ASSERT_EQ(unlink(Real(std::string(kProduct) + "res/uninstall/11001.xml").c_str()), 0);
  auto run = Uninstall({});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  auto errors = Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("11001.xml not found"), std::string::npos) << errors[0];
  EXPECT_TRUE(PathExists(Real(std::string(kProduct) + "SampleCore.dll")));
  EXPECT_TRUE(PathExists(TempCopy())) << "no window, so the copy is not taken away";
}

TEST_F(UninstallFlowTest, SilentRunRemovesTheListedFilesAndEndsTheirPrograms) {
  ChildProcess app;
  ASSERT_TRUE(StartInMachine(&app, Real(std::string(kProduct) + "SampleApp.exe"), {"sleep"}));
  ASSERT_EQ(app.ReadLine(), "ready");
  EXPECT_EQ(Uninstall().exit_code, 0);
  EXPECT_EQ(app.Wait(5000), 128 + 9);
  for (const char* gone : {"SampleApp.exe", "SampleCore.dll", "readme.txt", "plugins", "data", "res",
                           "SampleHelp.chm",
                           "installConfig.dat", "uninst.exe"})
    EXPECT_FALSE(PathExists(Real(std::string(kProduct) + gone))) << gone;
  EXPECT_FALSE(PathExists(Real("ProgramData/Sample Vendor/Sample Product")));
  EXPECT_TRUE(PathExists(Real("ProgramData/Sample Vendor")));  // not listed
  // The running uninstaller is renamed once and left for the restart.
  auto dump = RunCommand({kSimhostPath, "dump", MachineDir()});
  const std::string pending = "[\"C:\\\\Program Files\\\\Sample Product\\\\uninst.exe_";
  size_t at = dump.out.find(pending);
  ASSERT_NE(at, std::string::npos) << dump.out;
  EXPECT_EQ(dump.out.find(pending, at + 1), std::string::npos) << "renamed twice";
  EXPECT_EQ(dump.out.find("_del_"), std::string::npos);
  // A read-only file listed directly is renamed too; one inside a listed folder
  // is cleared and deleted with its folder.
  EXPECT_NE(dump.out.find("[\"C:\\\\Program Files\\\\Sample Product\\\\SampleHelp.chm_"), std::string::npos);

  ASSERT_EQ(RunCommand({kSimhostPath, "reboot", MachineDir()}).exit_code, 0);
  // The folder that held the running uninstaller and its log goes at the restart.
  EXPECT_FALSE(PathExists(Real(kProduct)));
}

TEST_F(UninstallFlowTest, TheProgramIsLeftForTheRestartOnlyAfterEveryRecord) {
  // Without a record of its own the program's rename is the self-deletion's,
  // and a read-only file in the last list is renamed by its record: the order
  // of the pending renames is the order of the two steps.
  std::string xml = ReadTextFile(std::string(kSourceDir) + "/resources/sample/installConfig.xml");
  const size_t own = xml.find("<item path=\"uninst.exe\">");
  ASSERT_NE(own, std::string::npos);
  xml.erase(own, xml.find("</item>", own) + 7 - own);
  const size_t last_list = xml.find("<filelist>", xml.find("<uninstallfile>"));
  ASSERT_NE(last_list, std::string::npos);
  xml.insert(last_list + 10, "<item path=\"late.txt\"/>");
  WriteConfig(Scrambled(xml));
  ASSERT_TRUE(WriteTextFile(Real(std::string(kProduct) + "late.txt"), "read-only"));
  ASSERT_EQ(chmod(Real(std::string(kProduct) + "late.txt").c_str(), 0444), 0);

  EXPECT_EQ(Uninstall().exit_code, 0);
  std::vector<std::string> sources;
  auto dump = RunCommand({kSimhostPath, "dump", MachineDir()});
  const size_t at = dump.out.find("\"pending_renames\": [");
  ASSERT_NE(at, std::string::npos) << dump.out;
  const std::string list = dump.out.substr(at, dump.out.find("\n  ]", at) - at);
  static const std::regex kPair(R"re(\["((?:[^"\\]|\\.)*)", "(?:[^"\\]|\\.)*"\])re");
  for (std::sregex_iterator it(list.begin(), list.end(), kPair), stop; it != stop; ++it)
    sources.push_back((*it)[1]);
  const std::string folder = "C:\\\\Program Files\\\\Sample Product\\\\";
  auto position = [&](const std::string& name) {
    for (size_t i = 0; i < sources.size(); ++i)
      if (sources[i].rfind(folder + name + "_", 0) == 0) return static_cast<int>(i);
    return -1;
  };
  ASSERT_GE(position("late.txt"), 0) << list;
  ASSERT_GE(position("SampleHelp.chm"), 0) << list;
  EXPECT_GT(position("uninst.exe"), position("late.txt"))
      << "the program was renamed before the records were done: " << list;
  EXPECT_GT(position("uninst.exe"), position("SampleHelp.chm")) << list;
  // Only the folders that could not go now follow it, each after its content.
  for (size_t i = position("uninst.exe") + 1; i < sources.size(); ++i)
    EXPECT_EQ(sources[i].find("_del"), std::string::npos) << sources[i];
  EXPECT_EQ(sources.back(), "C:\\\\Program Files\\\\Sample Product") << list;
}

TEST_F(UninstallFlowTest, HostilePacketPathsAndLinksTakeNothingElse) {
  // Items that climb to the drive root and to Program Files, and a link inside
  // a listed folder that points at a folder outside it.
  std::string xml = ReadTextFile(std::string(kSourceDir) + "/resources/sample/installConfig.xml");
  const std::string dirlist = "<dirlist>";
  xml.insert(xml.find(dirlist) + dirlist.size(),
             "<item path=\"..\\..\"/><item path=\"..\"/><item path=\"..\\..\\Users\\User\\Desktop\"/>");
  WriteConfig(Scrambled(xml));
  RunCommand({"/bin/mkdir", "-p", Real("Outside"), Real("Program Files/Other Product")});
  ASSERT_TRUE(WriteTextFile(Real("Outside/keep.txt"), "keep"));
  ASSERT_TRUE(WriteTextFile(Real("Program Files/Other Product/keep.txt"), "keep"));
  ASSERT_TRUE(WriteTextFile(Real("Users/User/Desktop/Other.lnk"), "keep"));
  ASSERT_EQ(symlink(Real("Outside").c_str(), Real(std::string(kProduct) + "plugins/outside").c_str()), 0);

  EXPECT_EQ(Uninstall().exit_code, 0);
  EXPECT_FALSE(PathExists(Real(std::string(kProduct) + "plugins")));
  EXPECT_TRUE(PathExists(Real("Outside/keep.txt")));
  EXPECT_TRUE(PathExists(Real("Program Files/Other Product/keep.txt")));
  EXPECT_TRUE(PathExists(Real("Users/User/Desktop/Other.lnk")));
  EXPECT_TRUE(PathExists(Real("Windows/System32")));
  std::vector<std::string> warnings;
  for (const auto& entry : ReadLog())
    if (entry.level == "WARNING") warnings.push_back(entry.message);
  EXPECT_EQ(warnings, (std::vector<std::string>{"skip protected folder : C:\\",
                                                "skip protected folder : C:\\Program Files",
                                                "skip protected folder : C:\\Users\\User\\Desktop"}));
}

TEST_F(UninstallFlowTest, AfterTheRestartOnlyWhatThePacketDoesNotListIsLeft) {
  RecreateMachine(true);
  const std::set<std::string> fresh = DumpedFiles();
  ASSERT_EQ(RunCommand({kSimhostPath, "install-sample", MachineDir()}).exit_code, 0);
  ASSERT_GT(DumpedFiles().size(), fresh.size() + 20);
  EXPECT_EQ(Uninstall().exit_code, 0);
  ASSERT_EQ(RunCommand({kSimhostPath, "reboot", MachineDir()}).exit_code, 0);

  std::vector<std::string> left, lost;
  const std::set<std::string> after = DumpedFiles();
  for (const auto& path : after)
    if (!fresh.count(path)) left.push_back(path);
  for (const auto& path : fresh)
    if (!after.count(path)) lost.push_back(path);
  EXPECT_TRUE(lost.empty()) << lost.front();
  // The vendor folder is not listed; a silent run keeps its copy of the skins.
  const std::string temp = "C:\\\\Users\\\\User\\\\AppData\\\\Local\\\\Temp\\\\SampleProductUninstall\\\\";
  std::vector<std::string> unexpected;
  // Another product of the vendor keeps its start-menu link in a shared folder.
  const std::string shared =
      "C:\\\\ProgramData\\\\Microsoft\\\\Windows\\\\Start Menu\\\\Programs\\\\Sample Vendor\\\\";
  for (const auto& path : left)
    if (path != "C:\\\\ProgramData\\\\Sample Vendor\\\\" && path.rfind(temp, 0) != 0 &&
        path != shared && path != shared + "Sample Vendor Update.lnk" &&
        path != "C:\\\\Windows\\\\Temp\\\\SampleToolExt.log")  // the extension's marker
      unexpected.push_back(path);
  EXPECT_TRUE(unexpected.empty()) << unexpected.size() << " unexpected, first " << unexpected.front();
  // The skin copy: its folder, then the sample resource set's folders and files.
  size_t skin_copy = 1;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(
           std::string(UNINST_SOURCE_DIR) + "/resources/sample/res")) {
    (void)entry;
    ++skin_copy;
  }
  EXPECT_EQ(left.size(), 1u + skin_copy + 2u + 1u);
}

// ---- What the packet's actions undo ----


bool KeyExists(HKEY root, const std::u16string& path, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool HasValue(HKEY root, const std::u16string& path, const std::u16string& name, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  bool found = RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}

const char* const kStartMenu = "ProgramData/Microsoft/Windows/Start Menu/Programs/";

TEST_F(UninstallFlowTest, SilentRunUndoesRegistryServiceAndLinks) {
  const std::u16string product = u"SOFTWARE\\Sample Vendor\\Sample Product";
  ASSERT_TRUE(HasValue(HKEY_LOCAL_MACHINE, product, u"ShellExtension", KEY_WOW64_64KEY));
  ASSERT_TRUE(HasValue(HKEY_LOCAL_MACHINE, product, u"ShellExtension", KEY_WOW64_32KEY));
  ASSERT_TRUE(WriteTextFile(Real("Users/User/Desktop/Sample Product.url"), "keep"));
  ASSERT_TRUE(WriteTextFile(Real("Users/Public/Desktop/Sample Product.lnk"), "keep"));
  auto running = RunCommand({kSimhostPath, "svc", MachineDir(), "query", "SampleProductService"});
  ASSERT_NE(running.out.find("RUNNING"), std::string::npos) << running.out << running.err;

  auto run = Uninstall();
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find("shortcut path: C:\\Users\\User\\Desktop\\Sample Product.lnk\r\n"),
            std::string::npos) << run.out;

  // Registry: values gone, emptied keys gone with their parents kept, and the
  // 64-bit entry never touching the 32-bit value of the same name.
  EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, product, u"AppPath", KEY_WOW64_32KEY));
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, product, u"InstallDir", KEY_WOW64_32KEY));
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, product, u"ShellExtension", KEY_WOW64_32KEY));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, product, KEY_WOW64_64KEY));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Sample Vendor", KEY_WOW64_64KEY));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, product + u"\\Plugins", KEY_WOW64_32KEY));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, product + u"\\Service", KEY_WOW64_32KEY));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE,
                         u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Product",
                         KEY_WOW64_32KEY));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                        KEY_WOW64_32KEY));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Software\\Sample Vendor\\Sample Product", KEY_WOW64_64KEY));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, u"Software\\Sample Vendor", KEY_WOW64_64KEY));

  // The service was stopped, and only then marked for deletion; it is gone.
  auto events = RunCommand({kSimhostPath, "svc", MachineDir(), "events", "SampleProductService"});
  EXPECT_EQ(events.out, "created\nstarted\nstop-requested\nstopped\ndelete-marked\nremoved\n")
      << events.err;
  auto gone = RunCommand({kSimhostPath, "svc", MachineDir(), "query", "SampleProductService"});
  EXPECT_NE(gone.exit_code, 0) << gone.out;
  EXPECT_FALSE(PathExists(Real(std::string(kProduct) + "SampleService.exe")));

  // Links: the user's desktop link and the product's start-menu folder go.
  EXPECT_FALSE(PathExists(Real("Users/User/Desktop/Sample Product.lnk")));
  EXPECT_TRUE(PathExists(Real("Users/User/Desktop/Sample Product.url")));
  EXPECT_TRUE(PathExists(Real("Users/Public/Desktop/Sample Product.lnk")));
  EXPECT_FALSE(PathExists(Real(std::string(kStartMenu) + "Sample Product")));
  EXPECT_FALSE(PathExists(Real(std::string(kStartMenu) + "Sample Vendor/Sample Product Help.lnk")));
  EXPECT_TRUE(PathExists(Real(std::string(kStartMenu) + "Sample Vendor/Sample Vendor Update.lnk")));
}

TEST_F(UninstallFlowTest, IcoZeroKeepsTheDesktopLink) {
  auto run = Uninstall({"/at", "/ico:0"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(PathExists(Real("Users/User/Desktop/Sample Product.lnk")));
  EXPECT_NE(run.out.find("shortcut path: C:\\Users\\User\\Desktop\\.lnk\r\n"), std::string::npos)
      << run.out;
  EXPECT_FALSE(PathExists(Real(std::string(kStartMenu) + "Sample Product")));
}

TEST_F(UninstallFlowTest, AServiceThatNeverStopsHoldsTheRunOnlyUntilTheBound) {
  ASSERT_EQ(RunCommand({kSimhostPath, "svc", MachineDir(), "set", "SampleProductService",
                        "--never-stops"}).exit_code, 0);
  const auto started = std::chrono::steady_clock::now();
  auto run = Uninstall();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::steady_clock::now() - started).count();
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_GE(seconds, 29);
  EXPECT_LT(seconds, 60);
  // Marked for deletion when the wait gave up; its program was then ended
  // with the removal of its file, which completed the deletion.
  auto events = RunCommand({kSimhostPath, "svc", MachineDir(), "events", "SampleProductService"});
  EXPECT_EQ(events.out, "created\nstarted\nstop-requested\ndelete-marked\nstopped\nremoved\n")
      << events.err;
  // The rest of the uninstall went on.
  EXPECT_FALSE(PathExists(Real(std::string(kProduct) + "SampleCore.dll")));
}

}  // namespace
