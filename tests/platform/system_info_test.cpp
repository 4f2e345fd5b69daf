// System information on the simulated host: libraries and entry points, the
// Windows version, the kernel's file version, the processor architecture and
// the drives with their devices; and the simhost options that declare them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/system_info.h"
#include "tests/support/SimTestSupport.h"

namespace {

int g_registered_calls = 0;
INT_PTR WINAPI RegisteredProbe() { return ++g_registered_calls; }

class SystemInfoTest : public MachineTest {
 protected:
  void SetFact(const std::string& name, const std::string& value) {
    ASSERT_TRUE(SimHost::Machine()->SetFact(name, value));
  }
  CommandResult Simhost(std::vector<std::string> args) {
    args.insert(args.begin(), kSimhostPath);
    return RunCommand(args);
  }
  // The drive list as "C:\|D:\|".
  std::u16string DriveList() {
    char16_t buffer[105] = {};
    DWORD length = GetLogicalDriveStringsW(105, buffer);
    std::u16string out;
    for (DWORD i = 0; i < length; ++i) out += buffer[i] ? buffer[i] : u'|';
    return out;
  }
  std::u16string Device(const char16_t* drive, DWORD* error = nullptr) {
    char16_t buffer[260];
    SetLastError(0);
    DWORD n = QueryDosDeviceW(drive, buffer, 260);
    if (error) *error = GetLastError();
    return n ? std::u16string(buffer) : std::u16string(u"<none>");
  }
  bool Version(OSVERSIONINFOEXW* info, DWORD size) {
    *info = OSVERSIONINFOEXW{};
    info->dwOSVersionInfoSize = size;
    return GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(info)) != FALSE;
  }
  // dwFileVersionMS of a file, 0 with the error in *error when it has none.
  DWORD FileVersionMs(const char16_t* path, DWORD* error = nullptr) {
    DWORD handle = 7;
    SetLastError(0);
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (error) *error = GetLastError();
    EXPECT_EQ(handle, 0u);
    if (size == 0) return 0;
    std::vector<BYTE> block(size);
    EXPECT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));
    LPVOID fixed = nullptr;
    UINT length = 0;
    EXPECT_TRUE(VerQueryValueW(block.data(), u"\\", &fixed, &length));
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    if (!fixed) return 0;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    EXPECT_EQ(info->dwSignature, static_cast<DWORD>(VS_FFI_SIGNATURE));
    return info->dwFileVersionMS;
  }
};

TEST_F(SystemInfoTest, KnownLibrariesLoadByAnySpelling) {
  HMODULE kernel = LoadLibraryW(u"kernel32.dll");
  ASSERT_NE(kernel, nullptr);
  EXPECT_EQ(LoadLibraryW(u"KERNEL32"), kernel);
  EXPECT_EQ(LoadLibraryW(u"C:\\Windows\\System32\\Kernel32.DLL"), kernel);
  for (const char16_t* name : {u"ntdll.dll", u"Psapi.dll", u"wtsapi32", u"USERENV.dll"})
    EXPECT_NE(LoadLibraryW(name), nullptr) << SimToUtf8(name);
  EXPECT_NE(LoadLibraryW(u"ntdll"), kernel);

  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(u"nosuch.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(LoadLibraryW(u"kernel32.exe"), nullptr);  // ".dll" is optional, not any extension
  EXPECT_TRUE(FreeLibrary(kernel));
  EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(&g_registered_calls)));
}

TEST_F(SystemInfoTest, EntryPointsAreFoundByExactName) {
  HMODULE ntdll = LoadLibraryW(u"ntdll.dll");
  FARPROC numbers = GetProcAddress(ntdll, "RtlGetNtVersionNumbers");
  ASSERT_NE(numbers, nullptr);
  EXPECT_EQ(reinterpret_cast<void (*)()>(numbers),
            reinterpret_cast<void (*)()>(&RtlGetNtVersionNumbers));
  HMODULE kernel = LoadLibraryW(u"kernel32.dll");
  EXPECT_EQ(reinterpret_cast<void (*)()>(GetProcAddress(kernel, "GetNativeSystemInfo")),
            reinterpret_cast<void (*)()>(&GetNativeSystemInfo));
  // Names are case-sensitive and belong to one library only.
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(ntdll, "rtlgetntversionnumbers"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(kernel, "RtlGetNtVersionNumbers"), nullptr);
  EXPECT_EQ(GetProcAddress(ntdll, "NoSuchFunction"), nullptr);
  EXPECT_EQ(GetProcAddress(ntdll, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(12))),
            nullptr);  // ordinals
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(nullptr, "GetVersionExW"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  // Other layer files add their entry points to a library's table.
  SimRegisterEntryPoint("WTSAPI32", "SimTestProbe", &RegisteredProbe);
  FARPROC probe = GetProcAddress(LoadLibraryW(u"wtsapi32.dll"), "SimTestProbe");
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(probe(), 1);
}

TEST_F(SystemInfoTest, MachineDeclaresLibrariesAndEntryPointsMissing) {
  SetFact("missing_entry_points",
          "ntdll.dll!RtlGetNtVersionNumbers, KERNEL32!GetNativeSystemInfo");
  SetFact("missing_libraries", "userenv.dll,WtsApi32");
  HMODULE ntdll = LoadLibraryW(u"ntdll.dll");
  ASSERT_NE(ntdll, nullptr);
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(ntdll, "RtlGetNtVersionNumbers"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(LoadLibraryW(u"kernel32"), "GetNativeSystemInfo"), nullptr);
  EXPECT_NE(GetProcAddress(LoadLibraryW(u"kernel32"), "GetVersionExW"), nullptr);
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(u"userenv.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(LoadLibraryW(u"wtsapi32.dll"), nullptr);
  EXPECT_NE(LoadLibraryW(u"psapi.dll"), nullptr);
  SetFact("missing_entry_points", "");
  EXPECT_NE(GetProcAddress(ntdll, "RtlGetNtVersionNumbers"), nullptr);
}

TEST_F(SystemInfoTest, GetVersionExFillsEitherStructureFromTheFacts) {
  EXPECT_EQ(sizeof(OSVERSIONINFOW), 276u);
  EXPECT_EQ(sizeof(OSVERSIONINFOEXW), 284u);
  SetFact("os_major", "6");
  SetFact("os_minor", "1");
  SetFact("os_build", "7601");
  SetFact("os_product_type", "3");
  SetFact("os_csd", "Service Pack 1");
  OSVERSIONINFOEXW info;
  ASSERT_TRUE(Version(&info, sizeof(OSVERSIONINFOEXW)));
  EXPECT_EQ(info.dwMajorVersion, 6u);
  EXPECT_EQ(info.dwMinorVersion, 1u);
  EXPECT_EQ(info.dwBuildNumber, 7601u);
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_EQ(info.wProductType, VER_NT_SERVER);
  EXPECT_EQ(std::u16string(info.szCSDVersion), u"Service Pack 1");

  ASSERT_TRUE(Version(&info, sizeof(OSVERSIONINFOW)));
  EXPECT_EQ(info.dwMajorVersion, 6u);
  EXPECT_EQ(info.wProductType, 0);  // beyond the basic structure: untouched

  for (DWORD size : {0u, 275u, 280u, 300u}) {
    SetLastError(0);
    EXPECT_FALSE(Version(&info, size)) << size;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  }
  SetFact("getversionex_fails", "extended");
  EXPECT_FALSE(Version(&info, sizeof(OSVERSIONINFOEXW)));
  EXPECT_TRUE(Version(&info, sizeof(OSVERSIONINFOW)));
  SetFact("getversionex_fails", "all");
  EXPECT_FALSE(Version(&info, sizeof(OSVERSIONINFOEXW)));
  EXPECT_FALSE(Version(&info, sizeof(OSVERSIONINFOW)));
}

TEST_F(SystemInfoTest, Windows9xKeepsTheVersionInTheBuildNumber) {
  SetFact("os_platform", "1");
  SetFact("os_major", "4");
  SetFact("os_minor", "90");
  SetFact("os_build", "3000");
  OSVERSIONINFOEXW info;
  ASSERT_TRUE(Version(&info, sizeof(OSVERSIONINFOW)));
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
  EXPECT_EQ(info.dwBuildNumber, 0x045A0BB8u);
  SetFact("os_build", "0x040A07CE");  // given whole, kept as is
  ASSERT_TRUE(Version(&info, sizeof(OSVERSIONINFOW)));
  EXPECT_EQ(info.dwBuildNumber, 0x040A07CEu);
}

// A 64-bit program: the kernel image lives only in the real system folder.
struct NativeProgram {
  NativeProgram() { SimHost::SetNativeProcess(true); }
  ~NativeProgram() { SimHost::SetNativeProcess(false); }
};

TEST_F(SystemInfoTest, A32BitProgramFindsNoKernelImageInItsSystemFolder) {
  DWORD error = 0;
  EXPECT_EQ(FileVersionMs(u"C:\\Windows\\System32\\ntoskrnl.exe", &error), 0u);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FileVersionMs(u"C:\\Windows\\Sysnative\\ntoskrnl.exe"), 0x000A0000u);
}

TEST_F(SystemInfoTest, KernelVersionNumbersMayDifferFromWhatProgramsAreTold) {
  NativeProgram native;
  DWORD major = 0, minor = 0, build = 0;
  RtlGetNtVersionNumbers(&major, &minor, &build);
  EXPECT_EQ(major, 10u);  // default: the reported version
  EXPECT_EQ(minor, 0u);
  EXPECT_EQ(build, 0xF0000000u | 19045u);
  EXPECT_EQ(FileVersionMs(u"C:\\Windows\\System32\\ntoskrnl.exe"), 0x000A0000u);

  SetFact("os_major", "6");
  SetFact("os_minor", "2");
  SetFact("os_nt_major", "6");
  SetFact("os_nt_minor", "3");
  SetFact("os_build", "9600");
  RtlGetNtVersionNumbers(&major, &minor, nullptr);
  EXPECT_EQ(major, 6u);
  EXPECT_EQ(minor, 3u);
  EXPECT_EQ(FileVersionMs(u"c:\\windows\\SYSTEM32\\NTOSKRNL.EXE"), 0x00060003u);
  OSVERSIONINFOEXW info;
  ASSERT_TRUE(Version(&info, sizeof(OSVERSIONINFOEXW)));
  EXPECT_EQ(info.dwMinorVersion, 2u);
}

TEST_F(SystemInfoTest, FileVersionsExistOnlyWhereDeclared) {
  NativeProgram native;
  DWORD error = 0;
  EXPECT_EQ(FileVersionMs(u"C:\\Windows\\System32\\nosuch.exe", &error), 0u);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  ASSERT_TRUE(WriteTextFile(Real("Windows/System32/plain.dll"), "MZ"));
  EXPECT_EQ(FileVersionMs(u"C:\\Windows\\System32\\plain.dll", &error), 0u);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
  SetFact("file_version:C:\\WINDOWS\\SYSTEM32\\PLAIN.DLL", "5.1.2600.5512");
  EXPECT_EQ(FileVersionMs(u"C:\\Windows\\System32\\plain.dll"), 0x00050001u);

  // The kernel image gone: no version to read.
  ASSERT_EQ(unlink(Real("Windows/System32/ntoskrnl.exe").c_str()), 0);
  EXPECT_EQ(FileVersionMs(u"C:\\Windows\\System32\\ntoskrnl.exe", &error), 0u);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  // Too small a buffer, and a block that is no version resource.
  BYTE small[8];
  EXPECT_FALSE(GetFileVersionInfoW(u"C:\\Windows\\System32\\plain.dll", 0, sizeof(small), small));
  std::vector<BYTE> junk(200, 0);
  LPVOID out = nullptr;
  UINT length = 0;
  EXPECT_FALSE(VerQueryValueW(junk.data(), u"\\", &out, &length));
}

TEST_F(SystemInfoTest, SystemDirectoryAndProcessorArchitecture) {
  char16_t buffer[64];
  EXPECT_EQ(GetSystemDirectoryW(buffer, 64), 19u);
  EXPECT_EQ(std::u16string(buffer), u"C:\\Windows\\System32");
  EXPECT_EQ(GetSystemDirectoryW(buffer, 19), 20u);  // the size needed

  SYSTEM_INFO info;
  GetNativeSystemInfo(&info);
  EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
  EXPECT_EQ(info.dwPageSize, 4096u);
  EXPECT_GE(info.dwNumberOfProcessors, 1u);
  // Tests run as 32-bit programs: on an x64 machine they are shown an x86 processor.
  GetSystemInfo(&info);
  EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
  SimHost::SetNativeProcess(true);
  GetSystemInfo(&info);
  SimHost::SetNativeProcess(false);
  EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);

  SetFact("processor_architecture", "12");
  GetNativeSystemInfo(&info);
  EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_ARM64);

  RecreateMachine(false);
  GetNativeSystemInfo(&info);
  EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
}

TEST_F(SystemInfoTest, DrivesAreListedByLetterWithTheirDevices) {
  EXPECT_EQ(DriveList(), u"C:\\|");
  EXPECT_EQ(Device(u"C:"), u"\\Device\\HarddiskVolume2");
  EXPECT_EQ(Device(u"c:"), u"\\Device\\HarddiskVolume2");

  ASSERT_EQ(Simhost({"volume", MachineDir(), "k:", "\\Device\\HarddiskVolume10"}).exit_code, 0);
  ASSERT_EQ(Simhost({"volume", MachineDir(), "D", "\\Device\\CdRom0"}).exit_code, 0);
  ASSERT_EQ(Simhost({"volume", MachineDir(), "E", ""}).exit_code, 0);
  EXPECT_TRUE(PathExists(MachineDir() + "/drives/k"));
  EXPECT_EQ(DriveList(), u"C:\\|D:\\|E:\\|K:\\|");
  char16_t buffer[105];
  EXPECT_EQ(GetLogicalDriveStringsW(105, buffer), 16u);
  EXPECT_EQ(buffer[16], u'\0');
  EXPECT_EQ(GetLogicalDriveStringsW(16, buffer), 17u);  // too small: the size needed
  EXPECT_EQ(Device(u"K:"), u"\\Device\\HarddiskVolume10");

  // The whole answer is a list ending in two terminators.
  char16_t list[64];
  std::fill(std::begin(list), std::end(list), u'x');
  EXPECT_EQ(QueryDosDeviceW(u"D:", list, 64), 16u);
  EXPECT_EQ(list[14], u'\0');
  EXPECT_EQ(list[15], u'\0');
  SetLastError(0);
  EXPECT_EQ(QueryDosDeviceW(u"D:", list, 15), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  DWORD error = 0;
  EXPECT_EQ(Device(u"E:", &error), u"<none>");  // a drive without a device
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Device(u"Z:", &error), u"<none>");
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Device(u"C:\\", &error), u"<none>");
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  // Changing and removing drives.
  ASSERT_EQ(Simhost({"volume", MachineDir(), "D", "\\Device\\CdRom1"}).exit_code, 0);
  EXPECT_EQ(Device(u"D:"), u"\\Device\\CdRom1");
  ASSERT_EQ(Simhost({"volume", MachineDir(), "d", "--remove"}).exit_code, 0);
  EXPECT_EQ(DriveList(), u"C:\\|E:\\|K:\\|");
  EXPECT_NE(Simhost({"volume", MachineDir(), "CC", "x"}).exit_code, 0);
  EXPECT_NE(Simhost({"volume", MachineDir(), "1", "x"}).exit_code, 0);
  EXPECT_NE(Simhost({"volume", MachineDir(), "F"}).exit_code, 0);
}

TEST_F(SystemInfoTest, SimhostNewDeclaresTheWindowsVersion) {
  TempDir dir;
  auto fact = [&](const std::string& machine, const std::string& name) {
    return Simhost({"fact", dir.Path() + "/" + machine, name}).out;
  };
  ASSERT_EQ(Simhost({"new", dir.Path() + "/win7", "--windows", "6.1"}).exit_code, 0);
  EXPECT_EQ(fact("win7", "os_major"), "6\n");
  EXPECT_EQ(fact("win7", "os_minor"), "1\n");
  EXPECT_EQ(fact("win7", "os_build"), "7601\n");  // the release's usual build
  EXPECT_EQ(fact("win7", "os_product_type"), "1\n");
  EXPECT_EQ(fact("win7", "os_platform"), "2\n");
  EXPECT_TRUE(PathExists(dir.Path() + "/win7/drives/c/Windows/System32/ntoskrnl.exe"));

  ASSERT_EQ(Simhost({"new", dir.Path() + "/srv", "--windows", "6.3.9601", "--server", "--arch",
                     "x86"})
                .exit_code,
            0);
  EXPECT_EQ(fact("srv", "os_build"), "9601\n");
  EXPECT_EQ(fact("srv", "os_product_type"), "3\n");
  EXPECT_EQ(fact("srv", "arch"), "x86\n");

  ASSERT_EQ(Simhost({"new", dir.Path() + "/me", "--platform", "1", "--windows", "4.90"}).exit_code,
            0);
  EXPECT_EQ(fact("me", "os_platform"), "1\n");
  EXPECT_EQ(fact("me", "os_build"), "3000\n");

  for (const char* bad : {"6", "6.x", "6.1.", ".1", "6.1.2.3"})
    EXPECT_NE(Simhost({"new", dir.Path() + "/bad", "--windows", bad}).exit_code, 0) << bad;
  EXPECT_NE(Simhost({"new", dir.Path() + "/bad", "--platform", "7"}).exit_code, 0);
  EXPECT_FALSE(PathExists(dir.Path() + "/bad/machine.db"));
}

}  // namespace
