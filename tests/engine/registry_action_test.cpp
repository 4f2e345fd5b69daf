// The "reg" action against a machine's registry: the value goes, the key goes
// only when nothing is left in it, and each view keeps to itself.
#include <gtest/gtest.h>

#include <string>

#include "engine/actions/ZRegEditAction.h"
#include "platform/registry.h"
#include "platform/xml.h"
#include "tests/support/SimTestSupport.h"

namespace {

constexpr REGSAM k32 = KEY_WOW64_32KEY;
constexpr REGSAM k64 = KEY_WOW64_64KEY;

class RegistryActionTest : public MachineTest {
 protected:
  static void Set(HKEY root, const std::u16string& path, const std::u16string& name, REGSAM view,
                  const std::u16string& data = u"x") {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>((data.size() + 1) * 2)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static bool KeyExists(HKEY root, const std::u16string& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
  static bool HasValue(HKEY root, const std::u16string& path, const std::u16string& name,
                       REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    bool found = RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                 ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
  }
  // Runs one "reg" entry with the given attributes in the uninstall phase.
  static void Undo(const std::string& attributes) {
    ZXmlDocument document;
    ASSERT_TRUE(document.Parse(("<config mode=\"reg\" " + attributes + "/>").c_str()));
    ZRegEditAction action(u"C:\\Program Files\\P\\p.exe");
    action.LoadFromXml(document.FirstChildElement());
    action.Uninstall(6);
  }
};

TEST_F(RegistryActionTest, LastValueTakesTheKeyButNeverItsParent) {
  Set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P\\Plugins", u"pdf", k32);
  Set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P", u"Keep", k32);
  Set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P", u"Gone", k32);
  Undo(R"(mainkey="hklm" subkey="SOFTWARE\V\P\Plugins" keyname="pdf" value="1" wow64="0")");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P\\Plugins", k32));
  Undo(R"(mainkey="hklm" subkey="SOFTWARE\V\P" keyname="Gone" value="1" wow64="0")");
  EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P", u"Gone", k32));
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P", u"Keep", k32));

  // A key left with a subkey stays too; its last value goes.
  Set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\W", u"Only", k32);
  Set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\W\\Child", u"c", k32);
  Undo(R"(mainkey="hklm" subkey="SOFTWARE\W" keyname="Only" value="1" wow64="0")");
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\W\\Child", k32));
  EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\W", u"Only", k32));

  // With a single-part path the parent is the root itself.
  Set(HKEY_CURRENT_USER, u"SampleTop", u"v", k64);
  Undo(R"(mainkey="hkcu" subkey="SampleTop" keyname="v" value="1" wow64="1")");
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"SampleTop", k64));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, u"Software", k64));
}

TEST_F(RegistryActionTest, MissingValueDeletesNothingAndAMissingKeyIsNeverCreated) {
  Set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\Empty", u"Other", k32);
  Undo(R"(mainkey="hklm" subkey="SOFTWARE\V\Empty" keyname="Absent" value="1" wow64="0")");
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\Empty", u"Other", k32));

  // An empty key whose value is not there is not removed either.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\Bare", 0, nullptr, 0,
                            KEY_ALL_ACCESS | k32, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  Undo(R"(mainkey="hklm" subkey="SOFTWARE\V\Bare" keyname="Absent" value="1" wow64="0")");
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\Bare", k32));

  // A key that is not there is not made, in either view, nor any parent of it.
  Undo(R"(mainkey="hklm" subkey="SOFTWARE\V\New\Deep" keyname="Absent" value="1" wow64="0")");
  Undo(R"(mainkey="hklm" subkey="SOFTWARE\V\New\Deep" keyname="Absent" value="1" wow64="1")");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\New", k32));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\New", k64));
}

TEST_F(RegistryActionTest, EachViewLosesOnlyItsOwnValue) {
  for (REGSAM view : {k32, k64}) {
    Set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P", u"Shared", view);
    Set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\Solo", u"Shared", view);
  }
  Set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P", u"Other", k32);
  Undo(R"(mainkey="hklm" subkey="SOFTWARE\V\P" keyname="Shared" value="1" wow64="1")");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P", k64));  // emptied, deleted
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P", u"Shared", k32));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V", k64));

  Undo(R"(mainkey="hklm" subkey="SOFTWARE\V\Solo" keyname="Shared" value="1" wow64="0")");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\Solo", k32));
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\Solo", u"Shared", k64));
}

TEST_F(RegistryActionTest, RootNamesAreExactAndAnEmptyNameIsTheDefaultValue) {
  Set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P", u"AppPath", k32);
  Set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P", u"", k32);
  Set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P", u"Keep", k32);
  Undo(R"(mainkey="HKLM" subkey="SOFTWARE\V\P" keyname="AppPath" value="1" wow64="0")");
  Undo(R"(mainkey="hkey_local_machine" subkey="SOFTWARE\V\P" keyname="AppPath" value="1")");
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P", u"AppPath", k32));

  Undo(R"(mainkey="hklm" subkey="SOFTWARE\V\P" keyname="" value="1" wow64="0")");
  EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P", u"", k32));
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\P", u"AppPath", k32));
}

TEST_F(RegistryActionTest, AnEmptyOrRootPathNeverTakesARootsContent) {
  // A value at the top of HKCU, named with an empty or "\" path: the value
  // may go, the hive's keys never do.
  Set(HKEY_CURRENT_USER, u"", u"TopValue", k64);
  Undo(R"(mainkey="hkcu" subkey="" keyname="TopValue" value="1" wow64="1")");
  Set(HKEY_CURRENT_USER, u"", u"TopValue", k64);
  Undo(R"(mainkey="hkcu" subkey="\" keyname="TopValue" value="1" wow64="1")");
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, u"Software", k64));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, u"Volatile Environment", k64));
}

TEST_F(RegistryActionTest, AKeyEmptiedInOneViewLeavesTheOtherViewsTree) {
  // On a 64-bit machine the two views are different keys of the same path.
  Set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\Tree", u"v", k64);
  Set(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\Tree\\Sub\\Leaf", u"x", k32);  // other view
  Undo(R"(mainkey="hklm" subkey="SOFTWARE\V\Tree" keyname="v" value="1" wow64="1")");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\Tree", k64));
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\V\\Tree\\Sub\\Leaf", u"x", k32));
}

}  // namespace

namespace {

TEST_F(RegistryActionTest, TheSystemsOwnKeysAreNeverTouched) {
  // Values the system needs to start, log on and run programs, and the tops
  // of its hives: each entry is skipped, whatever the packet says.
  struct Entry {
    HKEY root;
    const char* root_name;
    const char16_t* key;
    const char* key_text;
  };
  const Entry entries[] = {
      {HKEY_LOCAL_MACHINE, "hklm", u"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
       "SYSTEM\\CurrentControlSet\\Control\\Session Manager"},
      {HKEY_LOCAL_MACHINE, "hklm", u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
       "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"},
      {HKEY_LOCAL_MACHINE, "hklm", u"SOFTWARE", "SOFTWARE"},
      {HKEY_LOCAL_MACHINE, "hklm", u"SOFTWARE\\Classes\\exefile\\shell\\open\\command",
       "SOFTWARE\\Classes\\exefile\\shell\\open\\command"},
      {HKEY_CURRENT_USER, "hkcu", u"Environment", "Environment"},
      {HKEY_CURRENT_USER, "hkcu", u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
       "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"},
  };
  for (const auto& entry : entries) {
    SCOPED_TRACE(entry.key_text);
    Set(entry.root, entry.key, u"Only", k64);
    Undo(std::string("mainkey=\"") + entry.root_name + "\" subkey=\"" + entry.key_text +
         "\" keyname=\"Only\" value=\"1\" wow64=\"1\"");
    EXPECT_TRUE(HasValue(entry.root, entry.key, u"Only", k64));
  }
  // A product's key beside them still goes.
  Set(HKEY_CURRENT_USER, u"Software\\Tiny Vendor\\Tiny", u"Only", k64);
  Undo(R"(mainkey="hkcu" subkey="Software\Tiny Vendor\Tiny" keyname="Only" value="1" wow64="1")");
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Software\\Tiny Vendor\\Tiny", k64));
}

}  // namespace
