// Hostile install packets against the real silent run: a small product of the
// tests' own, plus entries that reach for what is not the product's. Each rule
// of the deletion guard proves that nothing outside the product changed
// (files, registry, services, firewall, pending renames, processes), that a
// WARNING names what was skipped, that the run exits 0, and that the product
// itself was still removed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "tests/support/SimTestSupport.h"

namespace {

const char* const kProduct = "Program Files/Tiny Product/";
const char* const kProductWin = "C:\\\\Program Files\\\\Tiny Product\\\\";  // as the dump writes it

// One section of `simhost dump` as its lines (one entry a line), trailing
// commas dropped.
using Dump = std::map<std::string, std::set<std::string>>;

Dump ParseDump(const std::string& text) {
  Dump dump;
  std::string section;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    if (first == 2 && line[2] == '"') {
      section = line.substr(3, line.find('"', 3) - 3);
      continue;
    }
    if (first < 4) continue;
    line = line.substr(first);
    if (!line.empty() && line.back() == ',') line.pop_back();
    dump[section].insert(line);
  }
  return dump;
}

std::string Xml(const std::string& items_files, const std::string& items_dirs,
                const std::string& extra_dirs = "") {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><packet>"
         "<installcfg>"
         "<item key=\"install_dir_name\" value=\"TinyUninstall\"/>"
         "<item key=\"uninstall_instance_name\" value=\"TinyUninstallInstance\"/>"
         "<item key=\"main_window_class\" value=\"TinyMainWindow\"/>"
         "<item key=\"title\" value=\"Tiny\"/>"
         "</installcfg><updockcfg><item key=\"tryno\" value=\"1\"/></updockcfg>"
         "<installfile><filelist><item path=\"app.exe\"/>" + items_files +
         "</filelist><dirlist><item path=\"data\"/>" + items_dirs +
         "</dirlist></installfile>"
         "<uninstallfile><dirlist>" + extra_dirs + "<item/></dirlist></uninstallfile></packet>";
}

class GuardFlowTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    RunCommand({"/bin/mkdir", "-p", Real(std::string(kProduct) + "data/sub"),
                Real(std::string(kProduct) + "res/uninstall")});
    ASSERT_TRUE(CopyFile(kUninstPath, Real(std::string(kProduct) + "uninst.exe")));
    InstallHelper(u"C:\\Program Files\\Tiny Product", "app.exe");
    ASSERT_TRUE(WriteTextFile(Real(std::string(kProduct) + "data/a.txt"), "a"));
    ASSERT_TRUE(WriteTextFile(Real(std::string(kProduct) + "data/sub/b.txt"), "b"));
    ASSERT_TRUE(WriteTextFile(Real(std::string(kProduct) + "res/uninstall/10000.xml"), "<skin/>"));
  }

  static bool CopyFile(const std::string& from, const std::string& to) {
    return RunCommand({"/bin/cp", from, to}).exit_code == 0 && chmod(to.c_str(), 0755) == 0;
  }

  void WritePacket(const std::string& xml) {
    std::string bytes = ".tmp";
    for (char c : xml) bytes += static_cast<char>(c ^ 0xA7);
    ASSERT_TRUE(WriteTextFile(Real(std::string(kProduct) + "installConfig.dat"), bytes));
  }

  Dump TakeDump() {
    auto dump = RunCommand({kSimhostPath, "dump", MachineDir()});
    EXPECT_EQ(dump.exit_code, 0) << dump.err;
    Dump parsed = ParseDump(dump.out);
    auto ps = RunCommand({kSimhostPath, "ps", MachineDir()});
    for (size_t start = 0; start < ps.out.size();) {
      size_t end = ps.out.find('\n', start);
      if (end == std::string::npos) end = ps.out.size();
      if (end > start) parsed["processes"].insert(ps.out.substr(start, end - start));
      start = end + 1;
    }
    return parsed;
  }

  int Uninstall() {
    before_ = TakeDump();
    auto run = RunCommand({Real(std::string(kProduct) + "uninst.exe"), "/at"},
                          {"SIMHOST_MACHINE=" + MachineDir()});
    after_ = TakeDump();
    return run.exit_code;
  }

  // A pending operation on the product folder or anything in it.
  static bool InProduct(const std::string& line) {
    const std::string folder(kProductWin);
    return line.rfind("[\"" + folder, 0) == 0 ||
           line.rfind("[\"" + folder.substr(0, folder.size() - 2) + "\"", 0) == 0;
  }

  // Whatever changed, changed inside the product folder (or is the run's own
  // copy of its skins in %TEMP%, or the pending list of the restart).
  void ExpectOnlyTheProductChanged() {
    const std::string temp_copy = "C:\\\\Users\\\\User\\\\AppData\\\\Local\\\\Temp\\\\TinyUninstall";
    for (const auto& [section, lines] : before_) {
      for (const auto& line : lines) {
        if (after_[section].count(line)) continue;
        bool allowed = (section == "files" && line.find("\"" + std::string(kProductWin)) == 0) ||
                       (section == "registry" && line.find("Session Manager\"") != std::string::npos) ||
                       (section == "processes" && line.find("Tiny Product") != std::string::npos);
        EXPECT_TRUE(allowed) << "lost from " << section << ": " << line;
      }
    }
    for (const auto& [section, lines] : after_) {
      for (const auto& line : lines) {
        if (before_[section].count(line)) continue;
        bool allowed = (section == "files" && (line.find("\"" + std::string(kProductWin)) == 0 ||
                                               line.find("\"" + temp_copy) == 0)) ||
                       (section == "registry" && line.find("Session Manager\"") != std::string::npos) ||
                       (section == "pending_renames" && InProduct(line + "\\\\"));
        EXPECT_TRUE(allowed) << "new in " << section << ": " << line;
      }
    }
    // The product itself went all the same.
    EXPECT_FALSE(PathExists(Real(std::string(kProduct) + "app.exe")));
    EXPECT_FALSE(PathExists(Real(std::string(kProduct) + "data")));
  }

  std::vector<std::string> Warnings() {
    return LogMessages(Real(std::string(kProduct) + "log/uninst.exe.log"), "WARNING");
  }

  void ExpectWarning(const std::string& part) {
    auto warnings = Warnings();
    bool found = false;
    std::string all;
    for (const auto& warning : warnings) {
      found = found || warning.find(part) != std::string::npos;
      all += warning + "\n";
    }
    EXPECT_TRUE(found) << "no WARNING with \"" << part << "\" in:\n" << all;
  }

  void Canary(const std::string& folder) {
    RunCommand({"/bin/mkdir", "-p", Real(folder)});
    ASSERT_TRUE(WriteTextFile(Real(folder + "/canary.txt"), "keep"));
  }

  void ExpectRestartLeavesNoProduct() {
    ASSERT_EQ(RunCommand({kSimhostPath, "reboot", MachineDir()}).exit_code, 0);
    EXPECT_FALSE(PathExists(Real(kProduct)));
  }

  Dump before_, after_;
};

TEST_F(GuardFlowTest, TheProductAloneGoesAndNothingIsLeftAfterTheRestart) {
  WritePacket(Xml("", ""));
  EXPECT_EQ(Uninstall(), 0);
  ExpectOnlyTheProductChanged();
  EXPECT_TRUE(Warnings().empty());
  // The log stays with the running program until the restart, then both go.
  EXPECT_TRUE(PathExists(Real(std::string(kProduct) + "log/uninst.exe.log")));
  ExpectRestartLeavesNoProduct();
}

TEST_F(GuardFlowTest, PathsAreJudgedAsTheFileSystemReadsThem) {
  Canary("Users/User/Documents");
  Canary("Windows/Temp/x");
  Canary("Program Files/Other");
  // Trailing blanks and dots, device prefixes, drive-relative forms,
  // wildcards, streams and letter case all name something other than the
  // product, or nothing the guard can trust.
  WritePacket(Xml(
      "<item path=\"C:\\Windows\\explorer.exe:stream\"/><item path=\"C:\\Users\\*\"/>"
      "<item path=\"C:\\Users\\User\\Documents.\"/>",
      "<item path=\"C:\\ \\\"/><item path=\"C:\\Users \\\"/><item path=\"..\\..\\Users .\\\"/>"
      "<item path=\"\\\\?\\C:\\Windows\\Temp\"/><item path=\"\\??\\C:\\Users\\User\\Documents\"/>"
      "<item path=\"C:\"/><item path=\"c:\\PROGRAM FILES\\\"/><item path=\"C:\\Program Files\\Other\\..\\..\\Users\"/>"
      "<item path=\"C:\\Program Files\\*\"/><item path=\"\\\\?\\unix\\tmp\"/>"
      "<item path=\"\\\\?\\UNC\\server\\share\"/><item path=\"\\\\.\\C:\\Windows\"/>"));
  EXPECT_EQ(Uninstall(), 0);
  ExpectOnlyTheProductChanged();
  EXPECT_TRUE(PathExists(Real("Users/User/Documents/canary.txt")));
  EXPECT_TRUE(PathExists(Real("Windows/Temp/x/canary.txt")));
  EXPECT_TRUE(PathExists(Real("Program Files/Other/canary.txt")));
  ExpectWarning("skip protected folder : C:\\Users");
  ExpectWarning("skip unsafe path : ");
  ExpectRestartLeavesNoProduct();
}

TEST_F(GuardFlowTest, JoinsThatDoNotFitAndDeviceNamesTouchNothing) {
  Canary("Program Files/Other");
  // The product's own file of a device's name, which Win32 cannot reach.
  ASSERT_TRUE(WriteTextFile(Real(std::string(kProduct) + "nul.txt"), "keep"));
  // Joined to the product's folder, these pass MAX_PATH: each names nothing,
  // and least of all the folder it was joined to.
  const std::string long_name(240, 'x');
  WritePacket(Xml("<item path=\"..\\Other\\" + long_name + "\"/><item path=\"nul.txt\"/>"
                  "<item path=\"..\\Other\\canary.txt\\..\\AUX\"/>",
                  "<item path=\"data\\" + long_name + "\"/><item path=\"..\\Other\\con\\\"/>"));
  EXPECT_EQ(Uninstall(), 0);
  EXPECT_TRUE(PathExists(Real("Program Files/Other/canary.txt")));
  EXPECT_EQ(ReadTextFile(Real(std::string(kProduct) + "nul.txt")), "keep");
  ExpectWarning("(path too long)");
  ExpectWarning("nul.txt (name the file system would read otherwise)");
  ExpectWarning("AUX (name the file system would read otherwise)");
  // The product's listed entries went all the same.
  EXPECT_FALSE(PathExists(Real(std::string(kProduct) + "app.exe")));
  EXPECT_FALSE(PathExists(Real(std::string(kProduct) + "data")));
  ExpectOnlyTheProductChanged();
}

TEST_F(GuardFlowTest, ALinkAnywhereOnThePathStopsTheEntry) {
  Canary("Windows/Temp/t");
  Canary("Outside/deep");
  ASSERT_EQ(symlink("../../Windows", Real(std::string(kProduct) + "winlink").c_str()), 0);
  ASSERT_EQ(symlink("../../Outside", Real(std::string(kProduct) + "data/out").c_str()), 0);
  WritePacket(Xml("<item path=\"winlink\\Temp\\t\\canary.txt\"/><item path=\"winlink\\explorer.exe\"/>",
                  "<item path=\"winlink\\System32\"/><item path=\"winlink\\Temp\\t\"/>"
                  "<item path=\"data\\out\\deep\"/>"));
  EXPECT_EQ(Uninstall(), 0);
  EXPECT_TRUE(PathExists(Real("Windows/Temp/t/canary.txt")));
  EXPECT_TRUE(PathExists(Real("Outside/deep/canary.txt")));
  EXPECT_TRUE(PathExists(Real("Windows/System32/kernel32.dll")));
  ExpectWarning("(path runs through a link)");
  // The product's own link inside a listed folder goes as a link.
  EXPECT_FALSE(PathExists(Real(std::string(kProduct) + "data")));
  ExpectOnlyTheProductChanged();
}

TEST_F(GuardFlowTest, KnownFoldersOfTheSystemAndOfEveryProfileStay) {
  // A second profile (listed in the registry), a folder in the profiles
  // folder that no list names, and a Documents folder moved elsewhere under a
  // name outside ASCII.
  Canary("Users/Other/Pictures");
  Canary("Users/Unlisted/Desktop");
  Canary("Data/Документы");
  ASSERT_EQ(RunCommand({kSimhostPath, "reg", MachineDir(), "set",
                        "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-1-2-3-1002",
                        "ProfileImagePath", "REG_EXPAND_SZ", "C:\\Users\\Other"})
                .exit_code,
            0);
  ASSERT_EQ(RunCommand({kSimhostPath, "reg", MachineDir(), "set",
                        "HKU\\S-1-5-21-1004336348-1177238915-682003330-1001\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                        "Personal", "REG_EXPAND_SZ", "C:\\Data\\Документы"})
                .exit_code,
            0);
  const char* folders[] = {
      "Windows/System32", "Windows/SysWOW64", "Windows/Temp", "Windows/Fonts",
      "Program Files/Common Files", "Program Files (x86)/Common Files", "Users/User/Pictures",
      "Users/User/Downloads", "Users/User/AppData/LocalLow", "Users/User/AppData/Roaming/Microsoft",
      "Users/Default", "Users/Public", "Users/Public/Documents",
      "ProgramData/Microsoft/Windows/Start Menu/Programs/Startup"};
  std::string dirs;
  for (const char* folder : folders) {
    Canary(folder);
    std::string win = std::string("C:\\") + folder;
    for (auto& c : win)
      if (c == '/') c = '\\';
    dirs += "<item path=\"" + win + "\"/>";
  }
  dirs += "<item path=\"C:\\Users\\Other\"/><item path=\"C:\\Users\\Other\\Pictures\"/>"
          "<item path=\"..\\..\\Users\\Unlisted\"/><item path=\"C:\\DATA\\ДОКУМЕНТЫ\"/>"
          "<item path=\"C:\\Data\"/>";
  WritePacket(Xml("", dirs));
  EXPECT_EQ(Uninstall(), 0);
  ExpectOnlyTheProductChanged();
  for (const char* folder : folders)
    EXPECT_TRUE(PathExists(Real(std::string(folder) + "/canary.txt"))) << folder;
  EXPECT_TRUE(PathExists(Real("Users/Other/Pictures/canary.txt")));
  EXPECT_TRUE(PathExists(Real("Users/Unlisted/Desktop/canary.txt")));
  EXPECT_TRUE(PathExists(Real("Data/Документы/canary.txt")));
  ExpectWarning("skip protected folder : C:\\Data\\Документы");
  ExpectWarning("skip protected folder : C:\\Users\\Other");
  // A product's own folder inside a known one still goes.
  ExpectRestartLeavesNoProduct();
}

TEST_F(GuardFlowTest, OperatingSystemFilesAndTheirProgramsAndServicesStay) {
  // A program of the system, running; a service whose program is a system file.
  std::string system_tool = InstallHelper(u"C:\\Windows\\System32", "systool.exe");
  ASSERT_EQ(RunCommand({kSimhostPath, "protect", MachineDir(), "C:\\Windows\\System32\\systool.exe"}).exit_code, 0);
  ChildProcess tool;
  ASSERT_TRUE(StartInMachine(&tool, system_tool, {"sleep"}));
  ASSERT_EQ(tool.ReadLine(), "ready");
  ASSERT_EQ(RunCommand({kSimhostPath, "svc", MachineDir(), "create", "SysSvc",
                        "C:\\Windows\\System32\\systool.exe sleep"}).exit_code, 0);
  // A product's own file in System32 is no system file and goes. The 32-bit
  // uninstaller reaches System32 as SysWOW64, where a 32-bit installer put it;
  // a 64-bit file of the same name in the real System32 is not the one it names.
  ASSERT_TRUE(WriteTextFile(Real("Windows/SysWOW64/TinyHelper.dll"), "own"));
  ASSERT_TRUE(WriteTextFile(Real("Windows/System32/TinyHelper.dll"), "other"));
  // A folder outside the Windows folder that holds a system file stays whole.
  Canary("Program Files/Shared Runtime");
  ASSERT_TRUE(WriteTextFile(Real("Program Files/Shared Runtime/core.dll"), "MZ"));
  ASSERT_EQ(RunCommand({kSimhostPath, "protect", MachineDir(), "C:\\Program Files\\Shared Runtime\\core.dll"}).exit_code, 0);
  WritePacket(Xml(
      "<item path=\"C:\\Windows\\notepad.exe\"/><item path=\"C:\\Windows\\System32\\kernel32.dll\"/>"
      "<item path=\"C:\\Windows\\System32\\drivers\\etc\\hosts\"/>"
      "<item path=\"C:\\Windows\\System32\\systool.exe\"><config mode=\"service\" name=\"SysSvc\"/></item>"
      "<item path=\"C:\\Windows\\System32\\TinyHelper.dll\"/>"
      "<item path=\"app.exe\"><config mode=\"service\" name=\"SysSvc\"/></item>",
      "<item path=\"C:\\Program Files\\Shared Runtime\"/>"));
  EXPECT_EQ(Uninstall(), 0);
  // The system program runs from the real System32: the record, which names
  // the 32-bit folder's file for this program, does not end it.
  EXPECT_TRUE(tool.Running());
  for (const char* file : {"Windows/notepad.exe", "Windows/System32/kernel32.dll",
                           "Windows/System32/drivers/etc/hosts", "Windows/System32/systool.exe",
                           "Windows/System32/TinyHelper.dll",
                           "Program Files/Shared Runtime/canary.txt"})
    EXPECT_TRUE(PathExists(Real(file))) << file;
  EXPECT_FALSE(PathExists(Real("Windows/SysWOW64/TinyHelper.dll")));
  ExpectWarning("skip operating system file : C:\\Windows\\notepad.exe");
  ExpectWarning("skip service of an operating system file : SysSvc");
  ExpectWarning("skip folder holding operating system files : C:\\Program Files\\Shared Runtime");
  // Everything but the product's own helper in System32 is as it was.
  before_["files"].erase("\"C:\\\\Windows\\\\SysWOW64\\\\TinyHelper.dll\"");
  ExpectOnlyTheProductChanged();
  tool.Kill();
  tool.Wait();
}

TEST_F(GuardFlowTest, LinksAndMenuEntriesStayInTheirFolders) {
  Canary("Users/Public/Desktop");
  ASSERT_TRUE(WriteTextFile(Real("Users/Public/Desktop/Public App.lnk"), "keep"));
  ASSERT_TRUE(WriteTextFile(Real("Users/User/Desktop/Tiny.lnk"), "own"));
  ASSERT_TRUE(WriteTextFile(Real("ProgramData/Microsoft/Windows/Start Menu/Programs/Startup/Other.lnk"), "keep"));
  ASSERT_TRUE(WriteTextFile(Real("ProgramData/Microsoft/Windows/Start Menu/Programs/Startup/Tiny.lnk"), "own"));
  RunCommand({"/bin/mkdir", "-p", Real("ProgramData/Microsoft/Windows/Start Menu/Programs/Tiny")});
  ASSERT_TRUE(WriteTextFile(Real("ProgramData/Microsoft/Windows/Start Menu/Programs/Tiny/Tiny.lnk"), "own"));
  WritePacket(Xml(
      "<item path=\"app.exe\">"
      "<config mode=\"shortcut\" name=\"..\\..\\Public\\Desktop\\Public App\"/>"
      "<config mode=\"shortcut\" name=\"Tiny\"/>"
      "<config mode=\"startmenu\" dir=\"Startup\"/>"
      "<config mode=\"startmenu\" dir=\"Startup\" name=\"Tiny.lnk\"/>"
      "<config mode=\"startmenu\" dir=\"..\\..\\..\\..\\..\\..\\Windows\"/>"
      "<config mode=\"startmenu\" dir=\"Tiny\" name=\"..\\..\\Start Menu.lnk\"/>"
      "<config mode=\"startmenu\" dir=\"Tiny\"/>"
      "</item>",
      ""));
  EXPECT_EQ(Uninstall(), 0);
  EXPECT_TRUE(PathExists(Real("Users/Public/Desktop/Public App.lnk")));
  EXPECT_TRUE(PathExists(Real("ProgramData/Microsoft/Windows/Start Menu/Programs/Startup/Other.lnk")));
  EXPECT_FALSE(PathExists(Real("Users/User/Desktop/Tiny.lnk")));
  // The product's own link in Startup goes; the folder and the rest stay.
  EXPECT_FALSE(PathExists(Real("ProgramData/Microsoft/Windows/Start Menu/Programs/Startup/Tiny.lnk")));
  EXPECT_FALSE(PathExists(Real("ProgramData/Microsoft/Windows/Start Menu/Programs/Tiny")));
  ExpectWarning("skip shortcut outside its folder : ");
  ExpectWarning("skip protected folder : C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup");
  before_["files"].erase("\"C:\\\\Users\\\\User\\\\Desktop\\\\Tiny.lnk\"");
  before_["files"].erase(
      "\"C:\\\\ProgramData\\\\Microsoft\\\\Windows\\\\Start Menu\\\\Programs\\\\Startup\\\\Tiny.lnk\"");
  before_["files"].erase("\"C:\\\\ProgramData\\\\Microsoft\\\\Windows\\\\Start Menu\\\\Programs\\\\Tiny\\\\\"");
  before_["files"].erase("\"C:\\\\ProgramData\\\\Microsoft\\\\Windows\\\\Start Menu\\\\Programs\\\\Tiny\\\\Tiny.lnk\"");
  ExpectOnlyTheProductChanged();
}

TEST_F(GuardFlowTest, AHardLinkedFileKeepsItsAttributesUnderItsOtherName) {
  ASSERT_TRUE(WriteTextFile(Real("Outside.txt"), "shared"));
  ASSERT_EQ(link(Real("Outside.txt").c_str(), Real(std::string(kProduct) + "data/linked.txt").c_str()), 0);
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Outside.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  WritePacket(Xml("", ""));
  EXPECT_EQ(Uninstall(), 0);
  EXPECT_FALSE(PathExists(Real(std::string(kProduct) + "data")));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Outside.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(ReadTextFile(Real("Outside.txt")), "shared");
}

TEST_F(GuardFlowTest, FilesHeldOpenGoAtTheRestartWithTheirFolders) {
  // Held without delete sharing: neither deleted nor renamed now.
  ChildProcess holder;
  std::string holder_program = InstallHelper(u"C:\\Tools", "holder.exe");
  ASSERT_TRUE(StartInMachine(&holder, holder_program,
                             {"open-file", "C:\\Program Files\\Tiny Product\\data\\sub\\b.txt"}));
  ASSERT_EQ(holder.ReadLine(), "ready");
  ASSERT_TRUE(WriteTextFile(Real(std::string(kProduct) + "held.txt"), "held"));
  ChildProcess holder2;
  ASSERT_TRUE(StartInMachine(&holder2, holder_program,
                             {"open-file", "C:\\Program Files\\Tiny Product\\held.txt"}));
  ASSERT_EQ(holder2.ReadLine(), "ready");
  WritePacket(Xml("<item path=\"held.txt\"/>", ""));
  EXPECT_EQ(Uninstall(), 0);
  EXPECT_TRUE(PathExists(Real(std::string(kProduct) + "data/sub/b.txt")));
  EXPECT_TRUE(PathExists(Real(std::string(kProduct) + "held.txt")));
  holder.Kill();
  holder.Wait();
  holder2.Kill();
  holder2.Wait();
  ExpectRestartLeavesNoProduct();
}

TEST_F(GuardFlowTest, ADeeplyNestedPacketFailsCleanlyAndTheFirewallEntryGoes) {
  std::string deep = "<?xml version=\"1.0\"?>";
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  WritePacket(deep);
  before_ = TakeDump();
  auto run = RunCommand({Real(std::string(kProduct) + "uninst.exe"), "/at"},
                        {"SIMHOST_MACHINE=" + MachineDir()});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  after_ = TakeDump();
  EXPECT_EQ(after_["firewall"], before_["firewall"]);
  EXPECT_TRUE(PathExists(Real(std::string(kProduct) + "app.exe")));
  std::string log = ReadTextFile(Real(std::string(kProduct) + "log/uninst.exe.log"));
  EXPECT_NE(log.find("|  ERROR|"), std::string::npos) << log;
  EXPECT_NE(log.find("] parse config data failed, wrong format\r\n"), std::string::npos) << log;
}

}  // namespace
