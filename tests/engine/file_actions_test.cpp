// The action kinds and their factory: which kind a mode makes, and what each
// reads from its element.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/ZFileActionFactory.h"
#include "engine/actions/ZCompleteRunAction.h"
#include "engine/actions/ZRegEditAction.h"
#include "engine/actions/ZServiceAction.h"
#include "engine/actions/ZShortCutAction.h"
#include "engine/actions/ZStartMenuAction.h"
#include "platform/registry.h"
#include "platform/xml.h"
#include "tests/support/SimTestSupport.h"

namespace {

constexpr char16_t kRecord[] = u"C:\\App\\app.exe";

// One parsed <config .../> element, kept alive with its document.
class Element {
 public:
  explicit Element(const std::string& attributes) {
    EXPECT_TRUE(document_.Parse(("<config " + attributes + "/>").c_str())) << attributes;
  }
  ZXmlElement Get() const { return document_.FirstChildElement(); }

 private:
  ZXmlDocument document_;
};

template <typename T>
T* As(const std::unique_ptr<ZFileActionBase>& action) {
  return dynamic_cast<T*>(action.get());
}

// ---- The factory ----

TEST(FileActionFactoryTest, EachKindMakesItsClassNamedAfterIt) {
  struct Case {
    const char16_t* kind;
    const char* name;
  };
  for (const Case& c : {Case{u"shortcut", "shortcut"}, Case{u"completerun", "completerun"},
                        Case{u"startmenu", "startmenu"}, Case{u"service", "service"},
                        Case{u"reg", "reg"}}) {
    std::unique_ptr<ZFileActionBase> action = ZFileActionFactory::CreateAction(c.kind, kRecord);
    ASSERT_NE(action, nullptr) << c.name;
    EXPECT_STREQ(action->GetActionName(), c.name);
    EXPECT_EQ(action->RecordPath(), kRecord) << "the record's path is copied in";
  }
  EXPECT_NE(As<ZShortCutAction>(ZFileActionFactory::CreateAction(u"shortcut", kRecord)), nullptr);
  EXPECT_NE(As<ZCompleteRunAction>(ZFileActionFactory::CreateAction(u"completerun", kRecord)),
            nullptr);
  EXPECT_NE(As<ZStartMenuAction>(ZFileActionFactory::CreateAction(u"startmenu", kRecord)), nullptr);
  EXPECT_NE(As<ZServiceAction>(ZFileActionFactory::CreateAction(u"service", kRecord)), nullptr);
  EXPECT_NE(As<ZRegEditAction>(ZFileActionFactory::CreateAction(u"reg", kRecord)), nullptr);
}

TEST(FileActionFactoryTest, KindsCompareExactly) {
  for (const char16_t* kind : {u"Reg", u"REG", u"reg ", u" reg", u"regedit", u"re", u"", u"Service",
                               u"shortCut", u"start menu", u"complete run", u"unknown"})
    EXPECT_EQ(ZFileActionFactory::CreateAction(kind, kRecord), nullptr);
}

TEST(FileActionFactoryTest, TheRecordPathIsACopy) {
  std::u16string path = u"C:\\App\\one.exe";
  std::unique_ptr<ZFileActionBase> action = ZFileActionFactory::CreateAction(u"reg", path);
  path = u"changed";
  EXPECT_EQ(action->RecordPath(), u"C:\\App\\one.exe");
}

// ---- Empty elements and the phase ----

TEST(FileActionTest, AnEmptyElementReadsNothing) {
  for (const char16_t* kind : {u"shortcut", u"completerun", u"startmenu", u"service", u"reg"}) {
    std::unique_ptr<ZFileActionBase> action = ZFileActionFactory::CreateAction(kind, kRecord);
    EXPECT_EQ(action->LoadFromXml(ZXmlElement()), 0) << action->GetActionName();
  }
}

// Only the uninstall phase acts: every other phase, and Install, leave an
// existing value, link and folder alone.
class FileActionPhaseTest : public MachineTest {};

TEST_F(FileActionPhaseTest, OnlyTheUninstallPhaseActs) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\S", 0, nullptr, 0,
                            KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"K", 0, REG_SZ, reinterpret_cast<const BYTE*>(u"V"), 4),
            ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_TRUE(WriteTextFile(Real("Users/User/Desktop/L.lnk"), "link"));
  const std::string start_menu_link = "ProgramData/Microsoft/Windows/Start Menu/Programs/F/L";
  ASSERT_EQ(RunCommand({"/bin/mkdir", "-p", Real("ProgramData/Microsoft/Windows/Start Menu/Programs/F")}).exit_code, 0);
  ASSERT_TRUE(WriteTextFile(Real(start_menu_link), "link"));
  Element reg("mode=\"reg\" mainkey=\"hklm\" subkey=\"SOFTWARE\\S\" keyname=\"K\" value=\"V\" "
              "name=\"L\" dir=\"F\"");
  std::vector<std::unique_ptr<ZFileActionBase>> actions;
  for (const char16_t* kind : {u"shortcut", u"completerun", u"startmenu", u"service", u"reg"}) {
    actions.push_back(ZFileActionFactory::CreateAction(kind, kRecord));
    actions.back()->LoadFromXml(reg.Get());
  }
  for (int phase = 0; phase <= 8; ++phase) {
    for (auto& action : actions) {
      action->Install(phase);
      if (phase != kUninstallPhase) action->Uninstall(phase);
    }
  }
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\S", 0, KEY_READ | KEY_WOW64_32KEY, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(key, u"K", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_TRUE(PathExists(Real("Users/User/Desktop/L.lnk")));
  EXPECT_TRUE(PathExists(Real(start_menu_link)));
  // The uninstall phase does act, so the checks above can fail.
  for (auto& action : actions) action->Uninstall(kUninstallPhase);
  EXPECT_FALSE(PathExists(Real("Users/User/Desktop/L.lnk")));
  EXPECT_FALSE(PathExists(Real(start_menu_link)));
}

// ---- The registry action ----

TEST(RegEditActionTest, ReadsEveryFieldAsWritten) {
  Element e("mode=\"reg\" mainkey=\"hkcu\" subkey=\"SOFTWARE\\V\xC3\xA9ndor\" keyname=\"AppPath\" "
            "value=\"app.exe\" keytype=\" 4x\" wow64=\"-1\"");
  ZRegEditAction action(kRecord);
  EXPECT_EQ(action.LoadFromXml(e.Get()), 1);
  EXPECT_EQ(action.MainKey(), u"hkcu");
  EXPECT_EQ(action.SubKey(), u"SOFTWARE\\V\u00e9ndor");
  EXPECT_EQ(action.KeyName(), u"AppPath");
  EXPECT_EQ(action.Value(), u"app.exe");
  EXPECT_EQ(action.KeyType(), 4) << "numbers are read leniently";
  EXPECT_EQ(action.Wow64(), -1);
}

TEST(RegEditActionTest, LoadResults) {
  const std::string rest = " subkey=\"S\" keyname=\"K\" value=\"V\"";
  struct Case {
    std::string attributes;
    int expected;
  };
  const Case cases[] = {
      {"mainkey=\"hklm\"" + rest, 1},
      {"mainkey=\"hkcr\"" + rest, 1},
      {"mainkey=\"hkus\"" + rest, 1},
      {"mainkey=\"HKLM\"" + rest, 0},  // root names are case-sensitive
      {"mainkey=\"Hklm\"" + rest, 0},
      {"mainkey=\"hkcc\"" + rest, 0},
      {"mainkey=\"HKEY_LOCAL_MACHINE\"" + rest, 0},
      {rest, 0},  // no root at all
      {"mainkey=\"\"" + rest, 0},
      {"mainkey=\"hklm\" keyname=\"K\" value=\"V\"", 0},
      {"mainkey=\"hklm\" subkey=\"S\" value=\"V\"", 0},
      {"mainkey=\"hklm\" subkey=\"S\" keyname=\"K\"", 0},
      {"mainkey=\"hklm\" subkey=\"S\" keyname=\"K\" value=\"\"", 0},
      {"mainkey=\"hklm\" subkey=\"\" keyname=\"K\" value=\"V\"", 0},
  };
  for (const Case& c : cases) {
    Element e(c.attributes);
    ZRegEditAction action(kRecord);
    EXPECT_EQ(action.LoadFromXml(e.Get()), c.expected) << c.attributes;
  }
}

TEST(RegEditActionTest, FieldsAreKeptEvenWhenTheLoadFails) {
  Element e("mainkey=\"HKLM\" subkey=\"S\" keyname=\"K\" value=\"V\" keytype=\"2\"");
  ZRegEditAction action(kRecord);
  EXPECT_EQ(action.LoadFromXml(e.Get()), 0);
  EXPECT_EQ(action.MainKey(), u"HKLM");
  EXPECT_EQ(action.SubKey(), u"S");
  EXPECT_EQ(action.KeyType(), 2);
  EXPECT_EQ(action.Wow64(), 0) << "a missing number reads 0";
}

// ---- Service, start menu, complete run ----

TEST(ServiceActionTest, ReadsItsTextsAndMissingOnesAreEmpty) {
  Element e("name=\"SampleSvc\" description=\"Keeps things\" displayname=\"Sample Service\" "
            "cmdline=\"/service\"");
  ZServiceAction action(kRecord);
  EXPECT_EQ(action.LoadFromXml(e.Get()), 1);
  EXPECT_EQ(action.ServiceName(), u"SampleSvc");
  EXPECT_EQ(action.Description(), u"Keeps things");
  EXPECT_EQ(action.DisplayName(), u"Sample Service");
  EXPECT_EQ(action.Group(), u"");
  EXPECT_EQ(action.Arguments(), u"/service");

  Element bare("");
  ZServiceAction unnamed(kRecord);
  EXPECT_EQ(unnamed.LoadFromXml(bare.Get()), 1) << "an element without attributes still loads";
  EXPECT_EQ(unnamed.ServiceName(), u"");
}

TEST(StartMenuActionTest, ReadsFolderAndLinkName) {
  Element e("dir=\"Sample Product\" name=\"Sample.lnk\"");
  ZStartMenuAction action(kRecord);
  EXPECT_EQ(action.LoadFromXml(e.Get()), 1);
  EXPECT_EQ(action.Folder(), u"Sample Product");
  EXPECT_EQ(action.LinkFileName(), u"Sample.lnk");
  Element bare("dir=\"Only\"");
  ZStartMenuAction partial(kRecord);
  EXPECT_EQ(partial.LoadFromXml(bare.Get()), 1);
  EXPECT_EQ(partial.LinkFileName(), u"");
}

TEST(CompleteRunActionTest, ReadsWhatIsPresentAndKeepsDefaultsOtherwise) {
  Element full("show=\"1\" switch=\"2\" silent=\"3\" cmdline=\"/firstrun\" waittime=\"5000\" "
               "needcheck=\"7\" checkboxid=\"4\"");
  ZCompleteRunAction action(kRecord);
  EXPECT_EQ(action.LoadFromXml(full.Get()), 1);
  EXPECT_EQ(action.Show(), 1);
  EXPECT_EQ(action.Switch(), 2);
  EXPECT_EQ(action.Silent(), 3);
  EXPECT_EQ(action.Arguments(), u"/firstrun");
  EXPECT_EQ(action.WaitTime(), 5000);
  EXPECT_TRUE(action.NeedCheck()) << "any non-zero number asks for the check";
  EXPECT_EQ(action.CheckboxId(), 4);

  Element some("needcheck=\"0\" waittime=\"abc\"");
  ZCompleteRunAction partial(kRecord);
  EXPECT_EQ(partial.LoadFromXml(some.Get()), 1);
  EXPECT_FALSE(partial.NeedCheck());
  EXPECT_EQ(partial.WaitTime(), 0);
  EXPECT_EQ(partial.Show(), 0);
  EXPECT_EQ(partial.Arguments(), u"");
  EXPECT_EQ(partial.CheckboxId(), 0);

  Element negative("needcheck=\"-1\"");
  ZCompleteRunAction checked(kRecord);
  checked.LoadFromXml(negative.Get());
  EXPECT_TRUE(checked.NeedCheck());
}

// ---- The shortcut and the "ico" switch ----

constexpr char kShortcut[] =
    "mode=\"shortcut\" cmdline=\"/tray\" name=\"Sample Product\" des=\"Starts it\" "
    "quicklaunchbar=\"1\"";

TEST(ShortCutActionTest, ReadsItsFieldsWithoutAnIcoSwitch) {
  for (const char16_t* line : {u"uninst.exe", u"uninst.exe /at", u"uninst.exe /ico", u"uninst.exe /ico:1",
                               u"uninst.exe /ico:00", u"uninst.exe /ico:\"\"", u"uninst.exe /icon:0", u""}) {
    Element e(kShortcut);
    ZShortCutAction action(kRecord);
    EXPECT_EQ(action.LoadWithCommandLine(e.Get(), line), 1);
    EXPECT_EQ(action.Arguments(), u"/tray");
    EXPECT_EQ(action.LinkName(), u"Sample Product");
    EXPECT_EQ(action.Description(), u"Starts it");
    EXPECT_EQ(action.QuickLaunchBar(), 1);
  }
}

TEST(ShortCutActionTest, IcoZeroReadsNothing) {
  for (const char16_t* line : {u"uninst.exe /ico:0", u"uninst.exe /at -ICO:0", u"uninst.exe /ico:\"0\"",
                               u"uninst.exe /ico:0 /ico:1"}) {
    Element e(kShortcut);
    ZShortCutAction action(kRecord);
    EXPECT_EQ(action.LoadWithCommandLine(e.Get(), line), 0);
    EXPECT_EQ(action.LinkName(), u"") << "the link name stays empty";
    EXPECT_EQ(action.Arguments(), u"");
    EXPECT_EQ(action.Description(), u"");
    EXPECT_EQ(action.QuickLaunchBar(), 0);
  }
}

TEST(ShortCutActionTest, MissingAttributesReadEmptyAndZero) {
  Element e("name=\"Only a name\" quicklaunchbar=\"yes\"");
  ZShortCutAction action(kRecord);
  EXPECT_EQ(action.LoadWithCommandLine(e.Get(), u"uninst.exe"), 1);
  EXPECT_EQ(action.LinkName(), u"Only a name");
  EXPECT_EQ(action.Arguments(), u"");
  EXPECT_EQ(action.QuickLaunchBar(), 0);
}

// This test program's own command line carries no "ico" switch.
class ShortCutOwnCommandLineTest : public MachineTest {};

TEST_F(ShortCutOwnCommandLineTest, ReadsAgainstTheProcessCommandLine) {
  Element e(kShortcut);
  ZShortCutAction action(kRecord);
  EXPECT_EQ(action.LoadFromXml(e.Get()), 1);
  EXPECT_EQ(action.LinkName(), u"Sample Product");
}

}  // namespace
