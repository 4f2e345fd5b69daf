// Who may write where: a token that is not elevated against the machine's
// folders, HKEY_LOCAL_MACHINE and the services, and whose HKEY_CURRENT_USER a
// process sees. Each identity runs in a child process of this program.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/sim/core/SimHost.h"
#include "tests/support/SimTestSupport.h"

namespace {

constexpr char kChildVariable[] = "UNINST_ACCESS_RULES_CHILD";
constexpr char16_t kImage[] = u"\"C:\\Program Files\\Vendor\\svc.exe\"";

bool Put(const char16_t* path) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool SetText(HKEY root, const char16_t* path, const char16_t* name, const std::u16string& text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  LSTATUS status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                  static_cast<DWORD>((text.size() + 1) * 2));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

std::u16string GetText(HKEY root, const char16_t* path, const char16_t* name) {
  char16_t buffer[128] = {};
  DWORD size = sizeof(buffer) - 2;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
    return u"<no key>";
  LSTATUS status = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? std::u16string(buffer) : u"<no value>";
}

#define EXPECT_DENIED(call)                                        \
  do {                                                             \
    SetLastError(0);                                               \
    EXPECT_FALSE(call);                                            \
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << #call; \
  } while (0)

// What a token that is not elevated may and may not do.
TEST(AccessRulesChild, NotElevated) {
  if (std::string(std::getenv(kChildVariable) ? std::getenv(kChildVariable) : "") != "rules") return;
  // Files: the system's and the administrators' folders refuse every change.
  EXPECT_DENIED(DeleteFileW(u"C:\\Program Files\\Vendor\\app.dll"));
  EXPECT_DENIED(DeleteFileW(u"C:\\program files (x86)\\Vendor\\app32.dll"));
  EXPECT_DENIED(DeleteFileW(u"C:\\Windows\\vendor.dll"));
  EXPECT_DENIED(Put(u"C:\\Program Files\\Vendor\\new.txt"));
  EXPECT_DENIED(Put(u"C:\\Windows\\new.txt"));
  EXPECT_DENIED(CreateDirectoryW(u"C:\\Program Files\\Other", nullptr));
  EXPECT_DENIED(RemoveDirectoryW(u"C:\\Program Files\\Empty"));
  EXPECT_DENIED(SetFileAttributesW(u"C:\\Program Files\\Vendor\\app.dll", FILE_ATTRIBUTE_NORMAL));
  EXPECT_DENIED(MoveFileExW(u"C:\\Program Files\\Vendor\\app.dll", u"C:\\Users\\User\\app.dll", 0));
  EXPECT_DENIED(MoveFileExW(u"C:\\Users\\User\\Desktop\\mine.txt", u"C:\\Windows\\mine.txt", 0));
  EXPECT_DENIED(MoveFileExW(u"C:\\Users\\User\\Desktop\\mine.txt", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_DENIED(CopyFileW(u"C:\\Users\\User\\Desktop\\mine.txt", u"C:\\Program Files\\Vendor\\c.txt", FALSE));
  HANDLE write = CreateFileW(u"C:\\Program Files\\Vendor\\app.dll", GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(write, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  // Reading stays, and a missing file is still missing.
  HANDLE read = CreateFileW(u"C:\\Program Files\\Vendor\\app.dll", GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(read, INVALID_HANDLE_VALUE);
  if (read != INVALID_HANDLE_VALUE) CloseHandle(read);
  EXPECT_EQ(CreateFileW(u"C:\\Windows\\none.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // Shared folders: the common start menu and the public desktop are the administrators'.
  EXPECT_DENIED(DeleteFileW(u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\App.lnk"));
  EXPECT_DENIED(Put(u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Mine.lnk"));
  EXPECT_DENIED(DeleteFileW(u"C:\\Users\\Public\\Desktop\\App.lnk"));
  EXPECT_DENIED(Put(u"C:\\Users\\Default\\x.txt"));
  EXPECT_DENIED(Put(u"C:\\root.txt"));
  // ProgramData: what an administrator put there is read-only, what the user adds is its own.
  EXPECT_DENIED(DeleteFileW(u"C:\\ProgramData\\Vendor\\data.txt"));
  EXPECT_TRUE(CreateDirectoryW(u"C:\\ProgramData\\Mine", nullptr)) << GetLastError();
  EXPECT_TRUE(Put(u"C:\\ProgramData\\Mine\\a.txt")) << GetLastError();
  EXPECT_TRUE(DeleteFileW(u"C:\\ProgramData\\Mine\\a.txt")) << GetLastError();
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\ProgramData\\Mine")) << GetLastError();
  EXPECT_TRUE(Put(u"C:\\ProgramData\\Vendor\\added.txt")) << GetLastError();
  EXPECT_TRUE(DeleteFileW(u"C:\\ProgramData\\Vendor\\added.txt")) << GetLastError();
  // The Windows folder's Temp is alike.
  EXPECT_DENIED(DeleteFileW(u"C:\\Windows\\Temp\\admin.tmp"));
  EXPECT_TRUE(Put(u"C:\\Windows\\Temp\\mine.tmp")) << GetLastError();
  EXPECT_TRUE(DeleteFileW(u"C:\\Windows\\Temp\\mine.tmp")) << GetLastError();
  // The user's own profile, the public documents and new folders at the root stay writable.
  EXPECT_TRUE(DeleteFileW(u"C:\\Users\\User\\Desktop\\mine.txt")) << GetLastError();
  EXPECT_TRUE(Put(u"C:\\Users\\User\\AppData\\Local\\new.txt")) << GetLastError();
  EXPECT_TRUE(Put(u"C:\\Users\\Public\\Documents\\shared.txt")) << GetLastError();
  EXPECT_TRUE(CreateDirectoryW(u"C:\\Tools", nullptr)) << GetLastError();

  // Registry: HKEY_LOCAL_MACHINE reads, never writes; HKEY_CURRENT_USER writes.
  HKEY key = nullptr;
  const REGSAM view = KEY_WOW64_64KEY;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor", 0, KEY_SET_VALUE | view, &key),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor", 0, KEY_ALL_ACCESS | view, &key),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\None", 0, KEY_SET_VALUE | view, &key),
            ERROR_FILE_NOT_FOUND) << "a missing key is missing first";
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\New", 0, nullptr, 0,
                            KEY_READ | view, nullptr, &key, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor", 0, nullptr, 0,
                            KEY_SET_VALUE | view, nullptr, &key, nullptr),
            ERROR_ACCESS_DENIED);
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor", 0, nullptr, 0,
                            KEY_READ | view, nullptr, &key, nullptr),
            ERROR_SUCCESS) << "an existing key opens for reading";
  RegCloseKey(key);
  EXPECT_EQ(RegDeleteKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\Leaf", KEY_WOW64_64KEY, 0),
            ERROR_ACCESS_DENIED);
  const std::u16string value = u"x";
  EXPECT_EQ(RegSetValueExW(HKEY_LOCAL_MACHINE, u"Direct", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(value.c_str()), 4),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetText(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor", u"Path"), u"machine");
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor", 0, MAXIMUM_ALLOWED | view, &key),
            ERROR_SUCCESS) << "the greatest access allowed is reading";
  EXPECT_EQ(RegSetValueExW(key, u"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), 4),
            ERROR_ACCESS_DENIED);
  RegCloseKey(key);
  EXPECT_EQ(GetText(HKEY_CURRENT_USER, u"Software\\Vendor", u"Path"), u"user");
  EXPECT_TRUE(SetText(HKEY_CURRENT_USER, u"Software\\Vendor\\Sub", u"Path", u"mine"));
  EXPECT_EQ(RegDeleteKeyExW(HKEY_CURRENT_USER, u"Software\\Vendor\\Sub", KEY_WOW64_64KEY, 0), ERROR_SUCCESS);

  // Services: reading, never creating, stopping, changing or deleting.
  EXPECT_EQ(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(OpenSCManagerW(nullptr, nullptr, GENERIC_WRITE), nullptr);
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  ASSERT_NE(manager, nullptr) << GetLastError();
  for (DWORD access : {static_cast<DWORD>(SERVICE_STOP), static_cast<DWORD>(DELETE),
                       static_cast<DWORD>(SERVICE_CHANGE_CONFIG), static_cast<DWORD>(SERVICE_ALL_ACCESS)}) {
    EXPECT_EQ(OpenServiceW(manager, u"VendorService", access), nullptr) << access;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << access;
  }
  EXPECT_EQ(OpenServiceW(manager, u"NoSuchService", SERVICE_STOP), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  SC_HANDLE query = OpenServiceW(manager, u"VendorService", SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG);
  EXPECT_NE(query, nullptr) << GetLastError();
  if (query) CloseServiceHandle(query);
  CloseServiceHandle(manager);
  std::printf("child done\n");
}

// Writes under HKEY_CURRENT_USER as whoever the child is.
TEST(AccessRulesChild, WritesItsCurrentUser) {
  if (std::string(std::getenv(kChildVariable) ? std::getenv(kChildVariable) : "") != "hkcu") return;
  EXPECT_TRUE(SetText(HKEY_CURRENT_USER, u"Software\\Probe", u"Who", u"child"));
  std::printf("child done\n");
}

class AccessRulesTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    for (const char* dir : {"Program Files/Vendor", "Program Files/Empty", "Program Files (x86)/Vendor",
                            "ProgramData/Vendor", "ProgramData/Microsoft/Windows/Start Menu/Programs",
                            "Users/Public/Desktop", "Users/Public/Documents", "Users/User/Desktop",
                            "Users/User/AppData/Local", "Windows/Temp"})
      std::filesystem::create_directories(Real(dir));
    for (const char* file : {"Program Files/Vendor/app.dll", "Program Files (x86)/Vendor/app32.dll",
                             "Windows/vendor.dll", "Windows/Temp/admin.tmp", "ProgramData/Vendor/data.txt",
                             "ProgramData/Microsoft/Windows/Start Menu/Programs/App.lnk",
                             "Users/Public/Desktop/App.lnk", "Users/User/Desktop/mine.txt"})
      ASSERT_TRUE(WriteTextFile(Real(file), "x")) << file;
    ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor", u"Path", u"machine"));
    ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\Leaf", u"Path", u"machine"));
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, u"Software\\Vendor", u"Path", u"user"));
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE service = CreateServiceW(manager, u"VendorService", nullptr, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_NORMAL, kImage, nullptr, nullptr, nullptr,
                                       nullptr, nullptr);
    ASSERT_NE(service, nullptr) << GetLastError();
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
  }

  CommandResult Child(const std::string& mode, const std::string& sid, const std::string& token) {
    std::vector<std::string> env = {std::string(kChildVariable) + "=" + mode,
                                    "SIMHOST_MACHINE=" + MachineDir(), "SIMHOST_TOKEN=" + token};
    if (!sid.empty()) env.push_back("SIMHOST_USER_SID=" + sid);
    return RunCommand({SimHost::ExecutablePath(), "--gtest_filter=AccessRulesChild.*"}, env);
  }
};

TEST_F(AccessRulesTest, ATokenThatIsNotElevatedWritesOnlyWhereUsersMay) {
  for (const char* token : {"limited", "standard"}) {
    auto run = Child("rules", "", token);
    EXPECT_EQ(run.exit_code, 0) << token << "\n" << run.out << run.err;
    EXPECT_NE(run.out.find("child done"), std::string::npos) << token << "\n" << run.out;
    // Undo what the run was allowed to do, for the next token.
    ASSERT_TRUE(WriteTextFile(Real("Users/User/Desktop/mine.txt"), "x"));
    for (const char16_t* made : {u"C:\\Users\\User\\AppData\\Local\\new.txt",
                                 u"C:\\Users\\Public\\Documents\\shared.txt"})
      EXPECT_TRUE(DeleteFileW(made));
    EXPECT_TRUE(RemoveDirectoryW(u"C:\\Tools"));
  }
  // Nothing the rules protect changed.
  EXPECT_TRUE(PathExists(Real("Program Files/Vendor/app.dll")));
  EXPECT_TRUE(PathExists(Real("Users/Public/Desktop/App.lnk")));
  EXPECT_FALSE(PathExists(Real("Program Files/Other")));
  EXPECT_EQ(GetText(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\Leaf", u"Path"), u"machine");
}

TEST_F(AccessRulesTest, AnElevatedTokenKeepsItsRights) {
  ASSERT_EQ(Child("hkcu", "", "elevated").exit_code, 0);
  EXPECT_TRUE(DeleteFileW(u"C:\\Program Files\\Vendor\\app.dll"));
  EXPECT_TRUE(DeleteFileW(u"C:\\Users\\Public\\Desktop\\App.lnk"));
  EXPECT_EQ(RegDeleteKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\Leaf", KEY_WOW64_64KEY, 0),
            ERROR_SUCCESS);
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(manager, nullptr);
  SC_HANDLE service = OpenServiceW(manager, u"VendorService", DELETE | SERVICE_STOP);
  EXPECT_NE(service, nullptr);
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
}

TEST_F(AccessRulesTest, CurrentUserIsTheCallingTokensUser) {
  // The system account's key is HKEY_USERS\.DEFAULT, also reached as S-1-5-18.
  auto system = Child("hkcu", "S-1-5-18", "elevated");
  ASSERT_EQ(system.exit_code, 0) << system.out << system.err;
  EXPECT_EQ(GetText(HKEY_USERS, u".DEFAULT\\Software\\Probe", u"Who"), u"child");
  EXPECT_EQ(GetText(HKEY_USERS, u"S-1-5-18\\Software\\Probe", u"Who"), u"child");
  EXPECT_EQ(GetText(HKEY_CURRENT_USER, u"Software\\Probe", u"Who"), u"<no key>");
  // Another user's first use of the registry makes its key, as a logon does.
  auto other = Child("hkcu", "S-1-5-21-1-2-3-1002", "standard");
  ASSERT_EQ(other.exit_code, 0) << other.out << other.err;
  EXPECT_EQ(GetText(HKEY_USERS, u"S-1-5-21-1-2-3-1002\\Software\\Probe", u"Who"), u"child");
  EXPECT_EQ(GetText(HKEY_CURRENT_USER, u"Software\\Probe", u"Who"), u"<no key>");
}

}  // namespace
