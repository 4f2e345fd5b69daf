// The "shortcut" and "startmenu" actions against a machine's desktop and
// start menu.
#include <gtest/gtest.h>

#include <string>

#include "engine/actions/ZShortCutAction.h"
#include "engine/actions/ZStartMenuAction.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/xml.h"
#include "tests/support/SimTestSupport.h"

namespace {

const std::string kDesktop = "Users/User/Desktop/";
const std::string kPrograms = "ProgramData/Microsoft/Windows/Start Menu/Programs/";

class LinkActionTest : public MachineTest {
 protected:
  void Put(const std::string& relative) {
    std::string real = Real(relative);
    ASSERT_EQ(RunCommand({"/bin/mkdir", "-p", real.substr(0, real.rfind('/'))}).exit_code, 0);
    ASSERT_TRUE(WriteTextFile(real, "link"));
  }
  static void Shortcut(const std::string& attributes, const std::u16string& command_line = u"") {
    ZXmlDocument document;
    ASSERT_TRUE(document.Parse(("<config mode=\"shortcut\" " + attributes + "/>").c_str()));
    ZShortCutAction action(u"C:\\Program Files\\P\\p.exe");
    action.LoadWithCommandLine(document.FirstChildElement(), command_line);
    action.Uninstall(6);
  }
  static void StartMenu(const std::string& attributes) {
    ZXmlDocument document;
    ASSERT_TRUE(document.Parse(("<config mode=\"startmenu\" " + attributes + "/>").c_str()));
    ZStartMenuAction action(u"C:\\Program Files\\P\\p.exe");
    action.LoadFromXml(document.FirstChildElement());
    action.Uninstall(6);
  }
};

TEST_F(LinkActionTest, ShortcutTakesOnlyTheUsersLinkOfThatName) {
  for (const char* name : {"Sample.lnk", "Sample.url", "Sample", "Sample.lnk.txt"}) Put(kDesktop + name);
  Put("Users/Public/Desktop/Sample.lnk");
  testing::internal::CaptureStdout();
  Shortcut(R"(name="Sample")");
  std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_EQ(trace, "shortcut path: C:\\Users\\User\\Desktop\\Sample.lnk\r\n");
  EXPECT_FALSE(PathExists(Real(kDesktop + "Sample.lnk")));
  for (const char* name : {"Sample.url", "Sample", "Sample.lnk.txt"})
    EXPECT_TRUE(PathExists(Real(kDesktop + name))) << name;
  EXPECT_TRUE(PathExists(Real("Users/Public/Desktop/Sample.lnk")));
}

TEST_F(LinkActionTest, IcoZeroLeavesTheLinkNameEmpty) {
  Put(kDesktop + "Sample.lnk");
  Put(kDesktop + ".lnk");
  testing::internal::CaptureStdout();
  Shortcut(R"(name="Sample")", u"\"C:\\P\\uninst.exe\" /ico:0");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "shortcut path: C:\\Users\\User\\Desktop\\.lnk\r\n");
  EXPECT_TRUE(PathExists(Real(kDesktop + "Sample.lnk")));
  EXPECT_FALSE(PathExists(Real(kDesktop + ".lnk")));
  // Any other value reads the entry as usual.
  testing::internal::CaptureStdout();
  Shortcut(R"(name="Sample")", u"\"C:\\P\\uninst.exe\" /ico:00");
  testing::internal::GetCapturedStdout();
  EXPECT_FALSE(PathExists(Real(kDesktop + "Sample.lnk")));
}

TEST_F(LinkActionTest, ShortcutFollowsADesktopTheProfileHasMoved) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER,
                            u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                            0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::u16string moved = u"%USERPROFILE%\\OneDrive\\Desktop";
  ASSERT_EQ(RegSetValueExW(key, u"Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(moved.c_str()),
                           static_cast<DWORD>((moved.size() + 1) * 2)),
            ERROR_SUCCESS);
  RegCloseKey(key);
  Put("Users/User/OneDrive/Desktop/Sample.lnk");
  Put(kDesktop + "Sample.lnk");
  testing::internal::CaptureStdout();
  Shortcut(R"(name="Sample")");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "shortcut path: C:\\Users\\User\\OneDrive\\Desktop\\Sample.lnk\r\n");
  EXPECT_FALSE(PathExists(Real("Users/User/OneDrive/Desktop/Sample.lnk")));
  EXPECT_TRUE(PathExists(Real(kDesktop + "Sample.lnk")));
}

TEST_F(LinkActionTest, StartMenuTakesAWholeFolderOrOneFileOfIt) {
  Put(kPrograms + "Product/App.lnk");
  Put(kPrograms + "Product/Sub/Help.lnk");
  Put(kPrograms + "Vendor/Help.lnk");
  Put(kPrograms + "Vendor/Other.lnk");
  Put("Users/User/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Product/App.lnk");
  StartMenu(R"(dir="Product" name="")");
  EXPECT_FALSE(PathExists(Real(kPrograms + "Product")));
  EXPECT_TRUE(PathExists(Real(kPrograms)));
  EXPECT_TRUE(PathExists(Real("Users/User/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Product/App.lnk")));

  StartMenu(R"(dir="Vendor" name="Help.lnk")");
  EXPECT_FALSE(PathExists(Real(kPrograms + "Vendor/Help.lnk")));
  EXPECT_TRUE(PathExists(Real(kPrograms + "Vendor/Other.lnk")));
  StartMenu(R"(dir="Vendor" name="Other.lnk")");
  EXPECT_TRUE(PathExists(Real(kPrograms + "Vendor")));  // emptied, kept

  // A file named as a folder, and a folder named as a file, stay.
  Put(kPrograms + "Flat.lnk");
  StartMenu(R"(dir="Flat.lnk" name="")");
  EXPECT_TRUE(PathExists(Real(kPrograms + "Flat.lnk")));
}

TEST_F(LinkActionTest, StartMenuWithoutAFolderOrClimbingOutTakesNothing) {
  Put(kPrograms + "App.lnk");
  Put(kPrograms + "Keep/App.lnk");
  Put("ProgramData/Vendor/data.bin");
  StartMenu(R"(dir="" name="App.lnk")");
  StartMenu(R"(dir="" name="")");
  EXPECT_TRUE(PathExists(Real(kPrograms + "App.lnk")));
  // Folders that hold the start menu or the machine's data are never taken.
  StartMenu(R"(dir=".." name="")");
  StartMenu(R"(dir="..\..\..\..\.." name="")");
  StartMenu(R"(dir="\" name="")");
  // Nor anything outside the programs folder that ".." reaches.
  StartMenu(R"(dir="Keep\..\..\..\..\..\Vendor" name="")");
  StartMenu(R"(dir="Keep" name="..\..\..\..\..\Vendor\data.bin")");
  StartMenu(R"(dir="Keep\.." name="App.lnk")");
  EXPECT_TRUE(PathExists(Real(kPrograms + "Keep/App.lnk")));
  EXPECT_TRUE(PathExists(Real("ProgramData/Vendor/data.bin")));
  // "Keep\.." is the programs folder itself: its own files are fair game.
  EXPECT_FALSE(PathExists(Real(kPrograms + "App.lnk")));
  EXPECT_TRUE(PathExists(Real("Windows/System32")));
}

TEST_F(LinkActionTest, SpecialFoldersAndTheirFailures) {
  char16_t path[MAX_PATH];
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_DEFAULT, path), S_OK);
  EXPECT_EQ(std::u16string(path), u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE));
  EXPECT_EQ(std::u16string(path), u"C:\\Users\\User\\Desktop");
  EXPECT_EQ(SHGetFolderPathW(nullptr, 0x7e, nullptr, SHGFP_TYPE_CURRENT, path), E_INVALIDARG);

  // A folder that is not there: only created on request.
  ASSERT_EQ(RunCommand({"/bin/rm", "-r", Real(kDesktop)}).exit_code, 0);
  EXPECT_FALSE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE));
  EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path), E_FAIL);
  testing::internal::CaptureStdout();
  Shortcut(R"(name="Sample")");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // no desktop, nothing to do
  EXPECT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOPDIRECTORY, TRUE));
  EXPECT_TRUE(PathExists(Real(kDesktop)));
}

}  // namespace
