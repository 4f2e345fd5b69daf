// The known folders of a machine: what a fresh x64 and x86 machine holds, the
// shell's special folders and the Windows folders as the system records them
// (registry, not the process's environment), redirected folders, other
// profiles, and machines that lack the registry entries.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/processes/SimTokens.h"
#include "platform/system_info.h"
#include "tests/support/SimTestSupport.h"

namespace {

const char16_t kProfileList[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const char16_t kUserShellFolders[] =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char16_t kUserSid[] = u"S-1-5-21-1004336348-1177238915-682003330-1001";
const char16_t kSecondSid[] = u"S-1-5-21-1004336348-1177238915-682003330-1002";

// Restores the program's bitness when a test has made it a native one.
struct NativeProgram {
  NativeProgram() { SimHost::SetNativeProcess(true); }
  ~NativeProgram() { SimHost::SetNativeProcess(false); }
};

std::u16string Failure(HRESULT result) { return u"<" + SimToUtf16(std::to_string(result)) + u">"; }

class KnownFoldersTest : public MachineTest {
 protected:
  void TearDown() override {
    for (HANDLE token : handles_) CloseHandle(token);
    MachineTest::TearDown();
  }

  // The folder's path, or "<hresult>" when the call fails.
  std::u16string Folder(int csidl, DWORD type = SHGFP_TYPE_CURRENT, HANDLE token = nullptr) {
    char16_t path[MAX_PATH] = u"untouched";
    HRESULT result = SHGetFolderPathW(nullptr, csidl, token, type, path);
    if (result != S_OK) return Failure(result);
    return path;
  }

  LSTATUS SetText(HKEY root, const std::u16string& key, const char16_t* name,
                  const std::u16string& value, DWORD type = REG_EXPAND_SZ, REGSAM view = 0) {
    HKEY handle = nullptr;
    LSTATUS status = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                                     nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExW(handle, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
    RegCloseKey(handle);
    return status;
  }

  // A value's text and type, "<missing>" when absent.
  std::u16string Text(HKEY root, const std::u16string& key, const char16_t* name,
                      REGSAM view = 0, DWORD* type = nullptr) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS)
      return u"<missing>";
    char16_t buffer[MAX_PATH] = {};
    DWORD size = sizeof(buffer) - sizeof(char16_t);
    DWORD stored = 0;
    LSTATUS status = RegQueryValueExW(handle, name, nullptr, &stored,
                                      reinterpret_cast<LPBYTE>(buffer), &size);
    RegCloseKey(handle);
    if (type) *type = stored;
    return status == ERROR_SUCCESS ? std::u16string(buffer) : u"<missing>";
  }

  // A token of another account, as a program holding one would have.
  HANDLE TokenOf(const std::u16string& sid) {
    SimIdentity identity;
    identity.user_sid = SimToUtf8(sid);
    HANDLE token = SimHandles::Add(std::make_shared<SimTokenObject>(SimNewToken(identity), TOKEN_QUERY));
    handles_.push_back(token);
    return token;
  }

  std::u16string WindowsFolder(UINT (*call)(LPWSTR, UINT)) {
    char16_t buffer[MAX_PATH] = {};
    UINT length = call(buffer, MAX_PATH);
    return length ? std::u16string(buffer, length) : u"<none>";
  }

  void ExpectFreshAnswers(const std::vector<std::pair<int, const char16_t*>>& expected) {
    for (const auto& [csidl, path] : expected) {
      EXPECT_EQ(Folder(csidl), path) << "CSIDL " << csidl;
      EXPECT_EQ(Folder(csidl, SHGFP_TYPE_DEFAULT), path) << "CSIDL " << csidl;
    }
  }

  std::vector<HANDLE> handles_;
};

const std::vector<std::pair<int, const char16_t*>> kProfileAnswers = {
    {CSIDL_DESKTOPDIRECTORY, u"C:\\Users\\User\\Desktop"},
    {CSIDL_PERSONAL, u"C:\\Users\\User\\Documents"},
    {CSIDL_FAVORITES, u"C:\\Users\\User\\Favorites"},
    {CSIDL_COMMON_FAVORITES, u"C:\\Users\\User\\Favorites"},
    {CSIDL_MYMUSIC, u"C:\\Users\\User\\Music"},
    {CSIDL_MYPICTURES, u"C:\\Users\\User\\Pictures"},
    {CSIDL_MYVIDEO, u"C:\\Users\\User\\Videos"},
    {CSIDL_PROFILE, u"C:\\Users\\User"},
    {CSIDL_APPDATA, u"C:\\Users\\User\\AppData\\Roaming"},
    {CSIDL_LOCAL_APPDATA, u"C:\\Users\\User\\AppData\\Local"},
    {CSIDL_STARTMENU, u"C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
    {CSIDL_PROGRAMS, u"C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
    {CSIDL_STARTUP,
     u"C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
    {CSIDL_RECENT, u"C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Recent"},
    {CSIDL_SENDTO, u"C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\SendTo"},
    {CSIDL_TEMPLATES, u"C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Templates"},
    {CSIDL_COMMON_DESKTOPDIRECTORY, u"C:\\Users\\Public\\Desktop"},
    {CSIDL_COMMON_DOCUMENTS, u"C:\\Users\\Public\\Documents"},
    {CSIDL_COMMON_MUSIC, u"C:\\Users\\Public\\Music"},
    {CSIDL_COMMON_PICTURES, u"C:\\Users\\Public\\Pictures"},
    {CSIDL_COMMON_VIDEO, u"C:\\Users\\Public\\Videos"},
    {CSIDL_COMMON_APPDATA, u"C:\\ProgramData"},
    {CSIDL_COMMON_STARTMENU, u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu"},
    {CSIDL_COMMON_PROGRAMS, u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
    {CSIDL_COMMON_STARTUP, u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
    {CSIDL_COMMON_TEMPLATES, u"C:\\ProgramData\\Microsoft\\Windows\\Templates"},
    {CSIDL_WINDOWS, u"C:\\Windows"},
    {CSIDL_SYSTEM, u"C:\\Windows\\System32"},
    {CSIDL_FONTS, u"C:\\Windows\\Fonts"},
};

TEST_F(KnownFoldersTest, FreshX64MachineAnswersAsWindowsDoes) {
  ExpectFreshAnswers(kProfileAnswers);
  // The uninstaller is a 32-bit program: the plain Program Files CSIDLs are the (x86) ones.
  ExpectFreshAnswers({
      {CSIDL_SYSTEMX86, u"C:\\Windows\\SysWOW64"},
      {CSIDL_PROGRAM_FILES, u"C:\\Program Files (x86)"},
      {CSIDL_PROGRAM_FILESX86, u"C:\\Program Files (x86)"},
      {CSIDL_PROGRAM_FILES_COMMON, u"C:\\Program Files (x86)\\Common Files"},
      {CSIDL_PROGRAM_FILES_COMMONX86, u"C:\\Program Files (x86)\\Common Files"},
  });
  EXPECT_EQ(WindowsFolder(GetWindowsDirectoryW), u"C:\\Windows");
  EXPECT_EQ(WindowsFolder(GetSystemWindowsDirectoryW), u"C:\\Windows");
  EXPECT_EQ(WindowsFolder(GetSystemDirectoryW), u"C:\\Windows\\System32");
  EXPECT_EQ(WindowsFolder(GetSystemWow64DirectoryW), u"C:\\Windows\\SysWOW64");
  {
    NativeProgram native;
    ExpectFreshAnswers({
        {CSIDL_PROGRAM_FILES, u"C:\\Program Files"},
        {CSIDL_PROGRAM_FILESX86, u"C:\\Program Files (x86)"},
        {CSIDL_PROGRAM_FILES_COMMON, u"C:\\Program Files\\Common Files"},
        {CSIDL_PROGRAM_FILES_COMMONX86, u"C:\\Program Files (x86)\\Common Files"},
        {CSIDL_SYSTEMX86, u"C:\\Windows\\SysWOW64"},
    });
  }
  for (const char* folder : {"Users/Default/AppData/LocalLow", "Users/Default/Favorites",
                             "Users/Public/Downloads", "Users/User/Saved Games",
                             "Users/User/Links", "Users/User/AppData/Local/Temp",
                             "Windows/System32/config/systemprofile"})
    EXPECT_TRUE(PathExists(Real(folder))) << folder;
}

TEST_F(KnownFoldersTest, FreshX64RegistryShowsEachViewItsOwnProgramFiles) {
  const std::u16string version = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  // The 32-bit view, which this program sees without a flag.
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, version, u"ProgramFilesDir"), u"C:\\Program Files (x86)");
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, version, u"CommonFilesDir"),
            u"C:\\Program Files (x86)\\Common Files");
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, version, u"ProgramW6432Dir"), u"C:\\Program Files");
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, version, u"ProgramFilesDir", KEY_WOW64_64KEY),
            u"C:\\Program Files");
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, version, u"CommonFilesDir (x86)", KEY_WOW64_64KEY),
            u"C:\\Program Files (x86)\\Common Files");
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, version, u"CommonW6432Dir", KEY_WOW64_64KEY),
            u"C:\\Program Files\\Common Files");
  for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_64KEY)}) {
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                   u"SystemRoot", view),
              u"C:\\Windows");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, version + u"\\Explorer\\User Shell Folders",
                   u"Common Documents", view),
              u"%PUBLIC%\\Documents");
    // One profile list for both views.
    DWORD type = 0;
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kProfileList, u"ProfilesDirectory", view, &type),
              u"%SystemDrive%\\Users");
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, std::u16string(kProfileList) + u"\\S-1-5-18",
                   u"ProfileImagePath", view),
              u"%systemroot%\\system32\\config\\systemprofile");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, std::u16string(kProfileList) + u"\\" + kUserSid,
                   u"ProfileImagePath", view),
              u"C:\\Users\\User");
  }
  // The user's values are the current user's: HKEY_CURRENT_USER is HKEY_USERS\<SID>.
  EXPECT_EQ(Text(HKEY_CURRENT_USER, kUserShellFolders, u"{374DE290-123F-4565-9164-39C4925E467B}"),
            u"%USERPROFILE%\\Downloads");
  EXPECT_EQ(Text(HKEY_USERS, std::u16string(kUserSid) + u"\\" + kUserShellFolders, u"Personal"),
            u"%USERPROFILE%\\Documents");
}

TEST_F(KnownFoldersTest, FreshX86MachineHasNoX86FoldersOrViews) {
  RecreateMachine(false);
  ExpectFreshAnswers(kProfileAnswers);
  ExpectFreshAnswers({
      {CSIDL_SYSTEMX86, u"C:\\Windows\\System32"},
      {CSIDL_PROGRAM_FILES, u"C:\\Program Files"},
      {CSIDL_PROGRAM_FILESX86, u"C:\\Program Files"},
      {CSIDL_PROGRAM_FILES_COMMON, u"C:\\Program Files\\Common Files"},
      {CSIDL_PROGRAM_FILES_COMMONX86, u"C:\\Program Files\\Common Files"},
  });
  const std::u16string version = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, version, u"ProgramFilesDir"), u"C:\\Program Files");
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, version, u"ProgramFilesDir (x86)"), u"<missing>");
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, u"SOFTWARE\\WOW6432Node\\Microsoft", u"", KEY_WOW64_64KEY),
            u"<missing>");
  EXPECT_FALSE(PathExists(Real("Program Files (x86)")));

  char16_t buffer[MAX_PATH] = u"untouched";
  SetLastError(0);
  EXPECT_EQ(GetSystemWow64DirectoryW(buffer, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
  EXPECT_EQ(WindowsFolder(GetSystemDirectoryW), u"C:\\Windows\\System32");
}

TEST_F(KnownFoldersTest, WindowsFoldersFollowTheRegistryAndTheBufferProtocol) {
  // Too small: the size needed, terminator included; exactly enough: the length.
  char16_t small[10] = u"untouched";
  EXPECT_EQ(GetWindowsDirectoryW(small, 10), 11u);  // "C:\Windows" + terminator
  EXPECT_EQ(GetWindowsDirectoryW(nullptr, 0), 11u);
  EXPECT_EQ(GetSystemDirectoryW(small, 10), 20u);
  char16_t exact[11] = {};
  EXPECT_EQ(GetSystemWindowsDirectoryW(exact, 11), 10u);
  EXPECT_EQ(std::u16string(exact), u"C:\\Windows");
  char16_t wow[19] = {};
  EXPECT_EQ(GetSystemWow64DirectoryW(wow, 19), 20u);

  // The registry moves them; the environment does not.
  ASSERT_EQ(SetText(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                    u"SystemRoot", u"C:\\WINNT", REG_SZ, KEY_WOW64_64KEY),
            ERROR_SUCCESS);
  ASSERT_TRUE(SetEnvironmentVariableW(u"SystemRoot", u"D:\\Elsewhere"));
  ASSERT_TRUE(SetEnvironmentVariableW(u"windir", u"D:\\Elsewhere"));
  // The Windows folder is read when the system starts: not before a restart.
  EXPECT_EQ(WindowsFolder(GetWindowsDirectoryW), u"C:\\Windows");
  ASSERT_TRUE(SimHost::UseMachine(MachineDir()));
  EXPECT_EQ(WindowsFolder(GetWindowsDirectoryW), u"C:\\WINNT");
  EXPECT_EQ(WindowsFolder(GetSystemDirectoryW), u"C:\\WINNT\\System32");
  EXPECT_EQ(WindowsFolder(GetSystemWow64DirectoryW), u"C:\\WINNT\\SysWOW64");
  EXPECT_EQ(Folder(CSIDL_WINDOWS | CSIDL_FLAG_CREATE), u"C:\\WINNT");
  // The system account's profile lives under the Windows folder.
  EXPECT_EQ(Folder(CSIDL_PROFILE | CSIDL_FLAG_CREATE, SHGFP_TYPE_CURRENT, TokenOf(u"S-1-5-18")),
            u"C:\\WINNT\\system32\\config\\systemprofile");

  // A value that is no drive path is not believed.
  ASSERT_EQ(SetText(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                    u"SystemRoot", u"Windows", REG_SZ, KEY_WOW64_64KEY),
            ERROR_SUCCESS);
  ASSERT_TRUE(SimHost::UseMachine(MachineDir()));
  EXPECT_EQ(WindowsFolder(GetWindowsDirectoryW), u"C:\\Windows");
}

TEST_F(KnownFoldersTest, ProcessEnvironmentDoesNotMoveAnyFolder) {
  for (const char* folder : {"Elsewhere/Desktop", "Elsewhere/Documents", "Elsewhere/Public/Desktop",
                             "Elsewhere/Data/Microsoft/Windows/Start Menu/Programs",
                             "Elsewhere/Roaming/Microsoft/Windows/Start Menu/Programs"})
    ASSERT_EQ(RunCommand({"/bin/mkdir", "-p", Real(folder)}).exit_code, 0);
  const std::pair<const char16_t*, const char16_t*> variables[] = {
      {u"USERPROFILE", u"C:\\Elsewhere"},       {u"ProgramData", u"C:\\Elsewhere\\Data"},
      {u"ALLUSERSPROFILE", u"C:\\Elsewhere\\Data"}, {u"PUBLIC", u"C:\\Elsewhere\\Public"},
      {u"APPDATA", u"C:\\Elsewhere\\Roaming"},  {u"SystemDrive", u"D:"},
      {u"ProgramFiles", u"C:\\Elsewhere"},      {u"OneDrive", u"C:\\Elsewhere"},
  };
  for (const auto& [name, value] : variables) ASSERT_TRUE(SetEnvironmentVariableW(name, value));
  char16_t expanded[MAX_PATH] = {};
  ASSERT_GT(ExpandEnvironmentStringsW(u"%USERPROFILE%", expanded, MAX_PATH), 0u);
  ASSERT_EQ(std::u16string(expanded), u"C:\\Elsewhere");  // the process does see its change

  ExpectFreshAnswers(kProfileAnswers);
  EXPECT_EQ(Folder(CSIDL_PROGRAM_FILES), u"C:\\Program Files (x86)");
  // A redirect through a variable only the process knows is not resolved from it.
  ASSERT_EQ(SetText(HKEY_CURRENT_USER, kUserShellFolders, u"Desktop", u"%OneDrive%\\Desktop"),
            ERROR_SUCCESS);
  EXPECT_EQ(Folder(CSIDL_DESKTOPDIRECTORY), Failure(E_FAIL));
  EXPECT_EQ(Folder(CSIDL_DESKTOPDIRECTORY, SHGFP_TYPE_DEFAULT), u"C:\\Users\\User\\Desktop");
}

TEST_F(KnownFoldersTest, RedirectedFoldersWithNonAsciiNames) {
  ASSERT_EQ(SetText(HKEY_CURRENT_USER, kUserShellFolders, u"Personal",
                    u"%USERPROFILE%\\Документы"),
            ERROR_SUCCESS);
  // Not there yet: only created on request, under its own name.
  EXPECT_EQ(Folder(CSIDL_PERSONAL), Failure(E_FAIL));
  EXPECT_EQ(Folder(CSIDL_PERSONAL | CSIDL_FLAG_CREATE), u"C:\\Users\\User\\Документы");
  EXPECT_TRUE(PathExists(Real("Users/User/Документы")));
  char16_t path[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_PERSONAL, FALSE));
  EXPECT_EQ(std::u16string(path), u"C:\\Users\\User\\Документы");
  // The default place stays where a fresh profile has it.
  EXPECT_EQ(Folder(CSIDL_PERSONAL, SHGFP_TYPE_DEFAULT), u"C:\\Users\\User\\Documents");

  // An absolute REG_SZ value, and a machine-wide folder moved by %PUBLIC%.
  ASSERT_EQ(SetText(HKEY_CURRENT_USER, kUserShellFolders, u"My Music", u"C:\\Музыка\\", REG_SZ),
            ERROR_SUCCESS);
  EXPECT_EQ(Folder(CSIDL_MYMUSIC | CSIDL_FLAG_CREATE), u"C:\\Музыка");
  ASSERT_EQ(SetText(HKEY_LOCAL_MACHINE,
                    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                    u"Common Desktop", u"%PUBLIC%\\Рабочий стол", REG_EXPAND_SZ, KEY_WOW64_64KEY),
            ERROR_SUCCESS);
  EXPECT_EQ(Folder(CSIDL_COMMON_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE),
            u"C:\\Users\\Public\\Рабочий стол");
  // The profile itself moves with ProfileImagePath, and its folders with it.
  ASSERT_EQ(SetText(HKEY_LOCAL_MACHINE, std::u16string(kProfileList) + u"\\" + kUserSid,
                    u"ProfileImagePath", u"%SystemDrive%\\Профили\\User"),
            ERROR_SUCCESS);
  EXPECT_EQ(Folder(CSIDL_PROFILE | CSIDL_FLAG_CREATE), u"C:\\Профили\\User");
  EXPECT_EQ(Folder(CSIDL_APPDATA | CSIDL_FLAG_CREATE), u"C:\\Профили\\User\\AppData\\Roaming");
}

TEST_F(KnownFoldersTest, SecondProfileAddedThroughTheRegistry) {
  const std::u16string second = std::u16string(kProfileList) + u"\\" + kSecondSid;
  // Written as a 32-bit program writes it; the profile list is one for both views.
  ASSERT_EQ(SetText(HKEY_LOCAL_MACHINE, second, u"ProfileImagePath", u"%SystemDrive%\\Users\\Second"),
            ERROR_SUCCESS);

  for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_64KEY)}) {
    HKEY list = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProfileList, 0, KEY_READ | view, &list),
              ERROR_SUCCESS);
    std::vector<std::u16string> profiles;
    for (DWORD index = 0;; ++index) {
      char16_t name[256];
      DWORD size = 256;
      LSTATUS status = RegEnumKeyExW(list, index, name, &size, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_NO_MORE_ITEMS) break;
      ASSERT_EQ(status, ERROR_SUCCESS);
      std::u16string path = Text(list, name, u"ProfileImagePath");
      char16_t expanded[MAX_PATH] = {};
      ExpandEnvironmentStringsW(path.c_str(), expanded, MAX_PATH);
      profiles.push_back(std::u16string(name) + u"=" + expanded);
    }
    RegCloseKey(list);
    EXPECT_EQ(profiles, (std::vector<std::u16string>{
                            u"S-1-5-18=C:\\Windows\\system32\\config\\systemprofile",
                            u"S-1-5-19=C:\\Windows\\ServiceProfiles\\LocalService",
                            u"S-1-5-20=C:\\Windows\\ServiceProfiles\\NetworkService",
                            std::u16string(kUserSid) + u"=C:\\Users\\User",
                            std::u16string(kSecondSid) + u"=C:\\Users\\Second",
                        }));
  }

  // The shell answers for the second account's token from its own profile.
  HANDLE token = TokenOf(kSecondSid);
  EXPECT_EQ(Folder(CSIDL_PERSONAL | CSIDL_FLAG_CREATE, SHGFP_TYPE_CURRENT, token),
            u"C:\\Users\\Second\\Documents");
  EXPECT_EQ(Folder(CSIDL_COMMON_DOCUMENTS, SHGFP_TYPE_CURRENT, token), u"C:\\Users\\Public\\Documents");
  EXPECT_EQ(Folder(CSIDL_PERSONAL), u"C:\\Users\\User\\Documents");  // the caller's own
  // The caller's own token, something that is no token, the default profile
  // ((HANDLE)-1) and an account without a profile.
  HANDLE own = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own));
  handles_.push_back(own);
  EXPECT_EQ(Folder(CSIDL_PERSONAL, SHGFP_TYPE_CURRENT, own), u"C:\\Users\\User\\Documents");
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  handles_.push_back(event);
  EXPECT_EQ(Folder(CSIDL_PERSONAL, SHGFP_TYPE_CURRENT, event), Failure(E_INVALIDARG));
  EXPECT_EQ(Folder(CSIDL_DESKTOPDIRECTORY, SHGFP_TYPE_CURRENT, reinterpret_cast<HANDLE>(-1)),
            u"C:\\Users\\Default\\Desktop");
  EXPECT_EQ(Folder(CSIDL_PERSONAL, SHGFP_TYPE_CURRENT, TokenOf(u"S-1-5-21-9-9-9-1003")),
            Failure(E_FAIL));
  // A profile path that is no drive path is not followed.
  ASSERT_EQ(SetText(HKEY_LOCAL_MACHINE, second, u"ProfileImagePath", u"..\\..\\Second"),
            ERROR_SUCCESS);
  EXPECT_EQ(Folder(CSIDL_PROFILE | CSIDL_FLAG_CREATE, SHGFP_TYPE_CURRENT, token),
            Failure(E_FAIL));
}

TEST_F(KnownFoldersTest, MachineWithoutProfileEntriesStillAnswers) {
  // What a machine made before the profile list looked like.
  const std::u16string list = kProfileList;
  const std::u16string nt = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  const std::u16string shell = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  for (const char16_t* sid : {u"S-1-5-18", u"S-1-5-19", u"S-1-5-20", kUserSid})
    ASSERT_EQ(RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (list + u"\\" + sid).c_str(), KEY_WOW64_64KEY, 0),
              ERROR_SUCCESS);
  for (REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
    ASSERT_EQ(RegDeleteKeyExW(HKEY_LOCAL_MACHINE, shell.c_str(), view, 0), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, nt.c_str(), 0, KEY_ALL_ACCESS | view, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key, u"SystemRoot"), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  ASSERT_EQ(RegDeleteKeyExW(HKEY_USERS, (std::u16string(kUserSid) + u"\\" + kUserShellFolders).c_str(),
                            KEY_WOW64_64KEY, 0),
            ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyExW(HKEY_LOCAL_MACHINE, list.c_str(), KEY_WOW64_64KEY, 0), ERROR_SUCCESS);
  ASSERT_TRUE(SetEnvironmentVariableW(u"USERPROFILE", u"C:\\Elsewhere"));

  ExpectFreshAnswers(kProfileAnswers);
  EXPECT_EQ(WindowsFolder(GetWindowsDirectoryW), u"C:\\Windows");
  EXPECT_EQ(Folder(CSIDL_PROFILE, SHGFP_TYPE_CURRENT, TokenOf(u"S-1-5-18")),
            u"C:\\Windows\\System32\\config\\systemprofile");
  // A machine fact may name another Windows folder.
  ASSERT_TRUE(SimHost::Machine()->SetFact("system_root", "C:\\WinNT"));
  ASSERT_TRUE(SimHost::UseMachine(MachineDir()));
  EXPECT_EQ(WindowsFolder(GetSystemDirectoryW), u"C:\\WinNT\\System32");
}

}  // namespace
