// The install packet: which elements become records, in what order, with
// which paths and actions.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/ZInstallFile.h"
#include "engine/ZInstallFileActionMgr.h"
#include "engine/actions/ZRegEditAction.h"
#include "engine/actions/ZServiceAction.h"
#include "packet_public/ZText.h"
#include "packet_public/ZXmlCursor.h"
#include "platform/files.h"
#include "platform/sim/core/SimHost.h"
#include "platform/xml.h"
#include "tests/support/SimTestSupport.h"

namespace {

constexpr char16_t kBase[] = u"C:\\App\\";
constexpr char16_t kConfig[] = u"C:\\App\\installConfig.dat";

std::string Pack(const std::string& xml) {
  std::string data = ".tmp";
  for (char c : xml) data.push_back(static_cast<char>(static_cast<unsigned char>(c) ^ 0xA7));
  return data;
}

std::string Packet(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet>" + body + "</packet>";
}

std::string Item(const std::string& path, const std::string& configs = "") {
  return "<item path=\"" + path + "\">" + configs + "</item>";
}

std::string Lists(const std::string& files, const std::string& dirs) {
  return "<filelist>" + files + "</filelist><dirlist>" + dirs + "</dirlist>";
}

class InstallPacketTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_TRUE(CreateDirectoryW(u"C:\\App", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\App\\plugins", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Data", nullptr));
    for (const char* name : {"a.exe", "b.dll", "c.txt", "d.txt", "installConfig.dat"})
      ASSERT_TRUE(WriteTextFile(Real(std::string("App/") + name), "x"));
    ASSERT_TRUE(WriteTextFile(Real("Data/settings.ini"), "x"));
  }

  void Load(const std::string& xml) {
    ASSERT_TRUE(WriteTextFile(Real("App/installConfig.dat"), Pack(xml)));
    packet_.LoadPacket(kConfig, kBase);
  }

  std::vector<std::u16string> Paths() const {
    std::vector<std::u16string> paths;
    for (const auto& record : packet_) paths.push_back(record->Path());
    return paths;
  }

  std::vector<std::string> ActionNames(size_t record) const {
    std::vector<std::string> names;
    for (const auto& action : packet_[record].Actions()) names.push_back(action->GetActionName());
    return names;
  }

  ZInstallFileActionMgr packet_;
};

// ---- Which sections and elements are read ----

TEST_F(InstallPacketTest, RecordsFollowTheFourListsInOrder) {
  Load(Packet("<uninstallfile>" + Lists(Item("d.txt"), Item("..\\Data")) + "</uninstallfile>" +
              "<installfile>" + Lists(Item("a.exe") + Item("b.dll"), Item("plugins")) +
              "</installfile>"));
  ASSERT_EQ(Paths(), (std::vector<std::u16string>{u"C:\\App\\a.exe", u"C:\\App\\b.dll",
                                                   u"C:\\App\\plugins", u"C:\\App\\d.txt",
                                                   u"C:\\Data"}))
      << "installed files, installed folders, later files, later folders";
  EXPECT_EQ(packet_[0].IsDirectory(), 0);
  EXPECT_EQ(packet_[2].IsDirectory(), 1);
  EXPECT_EQ(packet_[4].IsDirectory(), 1);
}

TEST_F(InstallPacketTest, AnotherRootNameFindsNoSection) {
  const std::string body = "<installfile>" + Lists(Item("a.exe"), Item("plugins")) +
                           "</installfile><uninstallfile>" + Lists(Item("c.txt"), Item("")) +
                           "</uninstallfile>";
  Load("<?xml version=\"1.0\"?><package>" + body + "</package>");
  EXPECT_EQ(packet_.size(), 0u);
  Load("<?xml version=\"1.0\"?><Packet>" + body + "</Packet>");
  EXPECT_EQ(packet_.size(), 0u) << "the root name compares exactly";
  Load(Packet(body));
  EXPECT_EQ(packet_.size(), 4u) << "the same sections under <packet>";
}

TEST_F(InstallPacketTest, BrokenOrMissingConfigurationLoadsNothing) {
  Load("<packet><installfile><filelist><item path=\"a.exe\"></filelist>");
  EXPECT_EQ(packet_.size(), 0u) << "not well-formed";
  packet_.LoadPacket(u"C:\\App\\missing.dat", kBase);
  EXPECT_EQ(packet_.size(), 0u);
  ASSERT_TRUE(WriteTextFile(Real("App/plain.xml"), Packet("<installfile>" +
                                                          Lists(Item("a.exe"), "") +
                                                          "</installfile>")));
  packet_.LoadPacket(u"C:\\App\\plain.xml", kBase);
  EXPECT_EQ(packet_.size(), 0u) << "an unscrambled file is not a configuration";
}

TEST_F(InstallPacketTest, EveryElementFromTheFirstItemOnIsARecord) {
  Load(Packet("<installfile><filelist><file path=\"c.txt\"/><note/>" + Item("a.exe") +
              "<file path=\"b.dll\"/><!-- skipped -->text<entry/>" + Item("d.txt") +
              "</filelist></installfile>"));
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{u"C:\\App\\a.exe", u"C:\\App\\b.dll",
                                                   u"C:\\App\\", u"C:\\App\\d.txt"}))
      << "elements before the first item are ignored; later ones count whatever their name "
         "(one without a path stands for the base folder)";
}

TEST_F(InstallPacketTest, OnlyTheFirstOfEachSectionElementIsRead) {
  Load(Packet("<installfile><filelist>" + Item("a.exe") + "</filelist><filelist>" + Item("b.dll") +
              "</filelist><dirlist>" + Item("plugins") + "</dirlist><dirlist>" + Item("..\\Data") +
              "</dirlist></installfile>"
              "<installfile>" + Lists(Item("c.txt"), "") + "</installfile>"
              "<uninstallfile><filelist>" + Item("d.txt") + "</filelist></uninstallfile>"
              "<uninstallfile>" + Lists(Item("installConfig.dat"), Item("")) + "</uninstallfile>"));
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{u"C:\\App\\a.exe", u"C:\\App\\plugins",
                                                   u"C:\\App\\d.txt"}));
}

TEST_F(InstallPacketTest, AnEmptyListContributesNothing) {
  Load(Packet("<installfile><filelist/><dirlist><other/></dirlist></installfile>" +
              std::string("<uninstallfile>") + Lists(Item("c.txt"), "") + "</uninstallfile>"));
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{u"C:\\App\\c.txt"}));
}

// ---- Paths ----

TEST_F(InstallPacketTest, PathsAreJoinedAndCanonicalised) {
  Load(Packet("<uninstallfile>" +
              Lists(Item("..\\Data\\settings.ini") + Item("plugins\\..\\a.exe") +
                        Item("\\b.dll") + Item(".\\c.txt"),
                    Item("") + Item("..\\App\\plugins\\")) +
              "</uninstallfile>"));
  ASSERT_EQ(Paths(), (std::vector<std::u16string>{u"C:\\Data\\settings.ini", u"C:\\App\\a.exe",
                                                   u"C:\\App\\b.dll", u"C:\\App\\c.txt",
                                                   u"C:\\App\\", u"C:\\App\\plugins\\"}));
  EXPECT_EQ(packet_[4].IsDirectory(), 1) << "an empty path stands for the base folder";
  EXPECT_EQ(packet_[5].IsDirectory(), 1);
}

TEST_F(InstallPacketTest, AMissingFileKeepsItsPlaceWithoutActions) {
  const std::string reg =
      "<config mode=\"reg\" mainkey=\"hklm\" subkey=\"S\" keyname=\"K\" value=\"V\"/>";
  Load(Packet("<installfile>" + Lists(Item("a.exe", reg) + Item("gone.exe", reg) + Item("b.dll", reg),
                                      Item("gone")) +
              "</installfile>"));
  ASSERT_EQ(Paths(), (std::vector<std::u16string>{u"C:\\App\\a.exe", u"C:\\App\\gone.exe",
                                                   u"C:\\App\\b.dll", u"C:\\App\\gone"}));
  EXPECT_EQ(packet_[0].Actions().size(), 1u);
  EXPECT_EQ(packet_[1].Actions().size(), 0u);
  EXPECT_EQ(packet_[1].IsDirectory(), 0);
  EXPECT_EQ(packet_[2].Actions().size(), 1u) << "the walk goes on after a missing file";
  EXPECT_EQ(packet_[3].IsDirectory(), 0);
}

TEST_F(InstallPacketTest, APathTooLongForABufferNamesNothing) {
  // Joined to "C:\App\", each passes MAX_PATH by one character.
  const std::string name(MAX_PATH - 7, 'x');
  Load(Packet("<installfile>" + Lists(Item(name) + Item("a.exe"), Item("plugins\\..\\" + name)) +
              "</installfile>"));
  ASSERT_EQ(packet_.size(), 3u);
  EXPECT_EQ(packet_[0].Path(), u"") << "never the folder it was joined to";
  EXPECT_EQ(packet_[0].Actions().size(), 0u);
  EXPECT_EQ(packet_[1].Path(), u"C:\\App\\a.exe");
  EXPECT_EQ(packet_[2].Path(), u"");
  packet_.UninstallAll(6);
  EXPECT_FALSE(PathExists(Real("App/a.exe")));
  for (const char* kept : {"App/b.dll", "App/plugins", "App/installConfig.dat", "Data/settings.ini"})
    EXPECT_TRUE(PathExists(Real(kept))) << kept;
}

// ---- Actions ----

TEST_F(InstallPacketTest, ActionsFollowTheFirstConfigInOrder) {
  Load(Packet("<installfile><filelist>" +
              Item("a.exe",
                   "<note mode=\"reg\"/>"
                   "<config mode=\"reg\" mainkey=\"hklm\" subkey=\"S\" keyname=\"K\" value=\"V\"/>"
                   "<config mode=\"service\" name=\"Svc\"/>"
                   "<config/>"
                   "<config mode=\"Reg\" mainkey=\"hklm\" subkey=\"S\" keyname=\"K\" value=\"V\"/>"
                   "<extra mode=\"startmenu\" dir=\"Sample\"/>"
                   "<config mode=\"unknown\"/>"
                   "<config mode=\"completerun\"/>") +
              "</filelist></installfile>"));
  ASSERT_EQ(packet_.size(), 1u);
  EXPECT_EQ(ActionNames(0), (std::vector<std::string>{"reg", "service", "startmenu", "completerun"}))
      << "\"Reg\", unknown modes and elements without one make nothing; elements before the "
         "first config are not looked at";
  auto* reg = dynamic_cast<const ZRegEditAction*>(packet_[0].Actions()[0].get());
  ASSERT_NE(reg, nullptr);
  EXPECT_EQ(reg->KeyName(), u"K");
  EXPECT_EQ(reg->RecordPath(), u"C:\\App\\a.exe") << "actions get the record's full path";
  auto* service = dynamic_cast<const ZServiceAction*>(packet_[0].Actions()[1].get());
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(service->ServiceName(), u"Svc");
}

TEST_F(InstallPacketTest, ActionsThatFailToLoadAreStillKept) {
  Load(Packet("<installfile>" +
              Lists(Item("a.exe", "<config mode=\"reg\" mainkey=\"HKLM\" subkey=\"S\"/>"
                                  "<config mode=\"service\" keytype=\"x\"/>"),
                    Item("plugins", "<config mode=\"reg\" mainkey=\"hkcu\"/>")) +
              "</installfile>"));
  ASSERT_EQ(packet_.size(), 2u);
  EXPECT_EQ(ActionNames(0), (std::vector<std::string>{"reg", "service"}));
  EXPECT_EQ(ActionNames(1), (std::vector<std::string>{"reg"})) << "folders carry actions too";
  auto* reg = dynamic_cast<const ZRegEditAction*>(packet_[0].Actions()[0].get());
  ASSERT_NE(reg, nullptr);
  EXPECT_EQ(reg->MainKey(), u"HKLM");
  EXPECT_EQ(reg->KeyType(), 0) << "a config without a number reads 0";
  EXPECT_EQ(reg->Wow64(), 0);
}

TEST_F(InstallPacketTest, ConfigOnlyAtTheItemsOwnLevel) {
  Load(Packet("<installfile><filelist>" +
              Item("a.exe", "<group><config mode=\"reg\"/></group>") + Item("b.dll") +
              "<config mode=\"reg\"/></filelist></installfile>"));
  ASSERT_EQ(packet_.size(), 3u) << "a config beside the items is a record of its own";
  EXPECT_EQ(packet_[0].Actions().size(), 0u);
  EXPECT_EQ(packet_[1].Actions().size(), 0u);
  EXPECT_EQ(packet_[2].Path(), u"C:\\App\\");
  EXPECT_EQ(packet_[2].Actions().size(), 0u);
}

// ---- The record on its own ----

TEST_F(InstallPacketTest, RecordLeavesTheCursorWhereItWas) {
  ZXmlDocument document;
  ASSERT_TRUE(document.Parse(
      "<packet><item path=\"a.exe\"><config mode=\"reg\"/><config mode=\"service\"/></item>"
      "<item path=\"b.dll\"/></packet>"));
  ZXmlCursor cursor(document);
  ASSERT_TRUE(cursor.MoveToPath(u"packet\\item"));
  ZInstallFile record;
  record.SetPath(kBase);
  EXPECT_EQ(record.LoadFromXml(cursor), 1);
  EXPECT_EQ(record.Actions().size(), 2u);
  std::string path;
  EXPECT_TRUE(cursor.GetAttribute("path", &path));
  EXPECT_EQ(path, "a.exe");
  ASSERT_TRUE(cursor.Next());

  ZInstallFile second;
  second.SetPath(kBase);
  EXPECT_EQ(second.LoadFromXml(cursor), 1) << "an item without configs";
  EXPECT_TRUE(second.Actions().empty());

  ASSERT_TRUE(cursor.MoveToPath(u"packet\\item"));
  ZInstallFile missing;
  missing.SetPath(u"C:\\Nowhere");
  EXPECT_EQ(missing.LoadFromXml(cursor), 0);
  EXPECT_EQ(missing.Path(), u"C:\\Nowhere\\a.exe");
  EXPECT_TRUE(missing.Actions().empty());

  record.ClearActions();
  EXPECT_TRUE(record.Actions().empty());
  record.Uninstall(6);  // nothing left to undo but the path itself
}

TEST_F(InstallPacketTest, SetPathKeepsAtMostOneBufferLessOne) {
  ZInstallFile record;
  record.SetPath(u"C:\\App\\" + std::u16string(252, u'x'));
  EXPECT_EQ(record.Path().size(), 259u);
  // Cut to fit, a path would name another entry (a parent's sibling, say).
  record.SetPath(u"C:\\App\\" + std::u16string(253, u'x'));
  EXPECT_EQ(record.Path(), u"");
  record.Uninstall(6);
  EXPECT_NE(GetFileAttributesW(u"C:\\App"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(InstallPacketTest, UninstallAndDestroyWalkEveryRecord) {
  Load(Packet("<installfile>" +
              Lists(Item("a.exe", "<config mode=\"completerun\"/><config mode=\"shortcut\"/>"),
                    Item("plugins")) +
              "</installfile>"));
  ASSERT_EQ(packet_.size(), 2u);
  for (int phase = 0; phase <= 7; ++phase) packet_.UninstallAll(phase);
  // Each record removes its own path after its actions.
  EXPECT_EQ(GetFileAttributesW(u"C:\\App\\a.exe"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(u"C:\\App\\plugins"), INVALID_FILE_ATTRIBUTES);
  packet_.DestroyAll();
  EXPECT_TRUE(packet_.empty());
  Load(Packet("<installfile>" + Lists(Item("a.exe"), "") + "</installfile>"));
  EXPECT_EQ(packet_.size(), 1u) << "the packet loads again after DestroyAll";
}

TEST_F(InstallPacketTest, TheSampleConfigurationLoads) {
  std::string xml = ReadTextFile(std::string(kSourceDir) + "/resources/sample/installConfig.xml");
  ASSERT_FALSE(xml.empty());
  ASSERT_TRUE(WriteTextFile(Real("App/SampleApp.exe"), "x"));
  ASSERT_TRUE(WriteTextFile(Real("App/SampleService.exe"), "x"));
  Load(xml);
  ASSERT_EQ(packet_.size(), 17u);
  EXPECT_EQ(packet_[0].Path(), u"C:\\App\\SampleApp.exe");
  EXPECT_EQ(ActionNames(0),
            (std::vector<std::string>{"completerun", "reg", "shortcut", "startmenu", "reg"}));
  EXPECT_EQ(ActionNames(1), (std::vector<std::string>{"reg", "service"}));
  EXPECT_EQ(packet_[16].Path(), u"C:\\App\\");
  EXPECT_EQ(packet_[16].IsDirectory(), 1);
}

// ---- A document too deep for the reader ----
//
// The log is process-wide, so the load whose lines are checked runs in a
// child: this binary again, as the program C:\App\u.exe of the same machine.

constexpr char kChildLoadVariable[] = "UNINST_PACKET_LOG_CHILD_LOAD";

TEST(InstallPacketLogChild, LoadsTheConfiguration) {
  if (!std::getenv(kChildLoadVariable)) return;  // only when started by the test below
  SimHost::SetModulePath(u"C:\\App\\u.exe");
  ZInstallFileActionMgr packet;
  packet.LoadPacket(kConfig, kBase);
  std::printf("records %zu\n", packet.size());
}

TEST_F(InstallPacketTest, ADeeplyNestedPacketLoadsNothingAndSaysWhy) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<item path=\"a.exe\">";
  ASSERT_TRUE(WriteTextFile(Real("App/installConfig.dat"),
                            Pack(Packet("<installfile>" + Lists(Item("a.exe"), "") +
                                        "</installfile>" + deep))));
  CommandResult run = RunCommand({SimHost::ExecutablePath(),
                                  "--gtest_filter=InstallPacketLogChild.*"},
                                 {std::string(kChildLoadVariable) + "=1",
                                  "SIMHOST_MACHINE=" + MachineDir()});
  ASSERT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("records 0\n"), std::string::npos) << run.out;
  std::vector<std::string> lines = ReadTextLines(Real("App/log/u.exe.log"));
  ASSERT_EQ(lines.size(), 4u) << "one line for each of the four sections";
  for (const std::string& line : lines) {
    EXPECT_NE(line.find("|   INFO|ZInstallFileActionMgr.cpp:"), std::string::npos) << line;
    EXPECT_NE(line.find("] parse xml data failed, wrong format"), std::string::npos) << line;
  }
}

}  // namespace
