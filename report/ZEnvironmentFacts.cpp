#include "report/ZEnvironmentFacts.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/common/system_library.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/system_info.h"

namespace {

typedef void(WINAPI* RtlGetNtVersionNumbersFn)(DWORD*, DWORD*, DWORD*);
typedef void(WINAPI* GetNativeSystemInfoFn)(LPSYSTEM_INFO);
typedef DWORD(WINAPI* GetProcessImageFileNameFn)(HANDLE, WCHAR*, DWORD);
typedef DWORD(WINAPI* GetModuleFileNameExFn)(HANDLE, HMODULE, WCHAR*, DWORD);
typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, BOOL*);
typedef NTSTATUS(WINAPI* NtQueryInformationProcessFn)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG,
                                                      ULONG*);

constexpr DWORD kNoParent = 0xFFFFFFFFu;
constexpr DWORD kPathChars = 260;

// An entry point of a system library, cast to its type; null when the system
// lacks the library or the function. Goes through void(*)() so that the
// compiler accepts the change of function type.
template <class Fn>
Fn FindEntryPoint(const char16_t* library, const char* name) {
  HMODULE module = LoadSystemLibrary(library);
  if (!module) return nullptr;
  FARPROC found = GetProcAddress(module, name);
  if (!found) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(found));
}

// The kernel's own version: Windows 8.1 and later tell programs without a
// manifest that they run on 6.2, so the version numbers come from ntdll, or on
// systems without that export, from the kernel image's version resource.
void ReadKernelVersion(DWORD* major, DWORD* minor) {
  *major = 0;
  *minor = 0;
  if (auto numbers =
          FindEntryPoint<RtlGetNtVersionNumbersFn>(u"ntdll.dll", "RtlGetNtVersionNumbers")) {
    DWORD build = 0;
    numbers(major, minor, &build);
    return;
  }
  char16_t path[kPathChars + 32] = {};
  // A 32-bit program on 64-bit Windows is redirected from the system folder to
  // the 32-bit one, which holds no kernel image; Sysnative names the real one.
  auto is_wow64 = FindEntryPoint<IsWow64ProcessFn>(u"kernel32.dll", "IsWow64Process");
  BOOL wow64 = FALSE;
  const bool redirected = is_wow64 && is_wow64(GetCurrentProcess(), &wow64) && wow64;
  UINT length = redirected ? GetWindowsDirectoryW(path, kPathChars)
                           : GetSystemDirectoryW(path, kPathChars);
  if (length == 0 || length >= kPathChars) return;
  if (redirected) {
    const char16_t kNative[] = u"\\Sysnative";
    std::memcpy(path + length, kNative, sizeof(kNative));
    length += static_cast<UINT>(sizeof(kNative) / sizeof(char16_t) - 1);
  }
  const char16_t kKernel[] = u"\\ntoskrnl.exe";
  std::memcpy(path + length, kKernel, sizeof(kKernel));
  auto info_size =
      FindEntryPoint<GetFileVersionInfoSizeWFn>(u"version.dll", "GetFileVersionInfoSizeW");
  auto info_read = FindEntryPoint<GetFileVersionInfoWFn>(u"version.dll", "GetFileVersionInfoW");
  auto query = FindEntryPoint<VerQueryValueWFn>(u"version.dll", "VerQueryValueW");
  if (!info_size || !info_read || !query) return;
  DWORD ignored = 0;
  DWORD size = info_size(AsWide(path), &ignored);
  if (size == 0) return;
  std::vector<BYTE> block(size);
  if (!info_read(AsWide(path), 0, size, block.data())) return;
  LPVOID fixed = nullptr;
  UINT fixed_size = 0;
  if (!query(block.data(), AsWide(u"\\"), &fixed, &fixed_size) || !fixed ||
      fixed_size < sizeof(VS_FIXEDFILEINFO))
    return;
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  *major = (info->dwFileVersionMS >> 16) & 0xFFFF;
  *minor = info->dwFileVersionMS & 0xFFFF;
}

int KindOfNt(DWORD major, DWORD minor, BYTE product_type) {
  const bool workstation = product_type == VER_NT_WORKSTATION;
  if (major == 6 && minor == 1) return workstation ? kOsWin7 : kOsWinServer2008;
  if (major == 6 && minor == 0) return workstation ? kOsWinVista : kOsWinServer2008;
  if (major == 5 && minor == 2) return kOsWin2003;
  if (major == 5 && minor == 1) return kOsWinXp;
  if (major == 5 && minor == 0) return kOsWin2000;
  if (major <= 4) return kOsWinNt4;
  const bool eight_or_later = (major == 6 && minor >= 2) || major >= 7;
  if (!eight_or_later || !workstation) return kOsUnknown;
  DWORD kernel_major = 0;
  DWORD kernel_minor = 0;
  ReadKernelVersion(&kernel_major, &kernel_minor);
  if (kernel_major == 6 && kernel_minor == 3) return kOsWin81;
  if ((kernel_major == 6 && kernel_minor == 4) || (kernel_major == 10 && kernel_minor == 0))
    return kOsWin10;
  return kOsWin8;
}

std::atomic<int> g_os_kind{0};
std::atomic<int> g_os_kind_fills{0};
std::mutex g_os_kind_mutex;

char16_t FoldCase(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool StartsWithNoCase(const std::u16string& text, const std::u16string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (FoldCase(text[i]) != FoldCase(prefix[i])) return false;
  return true;
}

}  // namespace

int ComputeOsKind() {
  OSVERSIONINFOEXW version;
  std::memset(&version, 0, sizeof(version));
  version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
  if (!GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&version))) {
    // Systems before NT 4 SP6 know only the basic structure (no product type).
    std::memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    if (!GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&version))) return kOsUnknown;
  }
  if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
    return version.dwBuildNumber > 0x0459FFFF ? kOsWinMe : kOsWin9x;
  if (version.dwPlatformId == VER_PLATFORM_WIN32_NT)
    return KindOfNt(version.dwMajorVersion, version.dwMinorVersion, version.wProductType);
  return kOsUnknown;
}

int GetOsKind() {
  int kind = g_os_kind.load(std::memory_order_acquire);
  if (kind != kOsUnknown) return kind;
  std::lock_guard<std::mutex> guard(g_os_kind_mutex);
  kind = g_os_kind.load(std::memory_order_relaxed);
  if (kind != kOsUnknown) return kind;
  kind = ComputeOsKind();
  // An unknown result is not kept: the next call tries again.
  if (kind != kOsUnknown) {
    g_os_kind_fills.fetch_add(1, std::memory_order_relaxed);
    g_os_kind.store(kind, std::memory_order_release);
  }
  return kind;
}

int OsKindCacheFills() { return g_os_kind_fills.load(std::memory_order_relaxed); }

int ComputeNative64Bit() {
  auto native_info = FindEntryPoint<GetNativeSystemInfoFn>(u"kernel32.dll", "GetNativeSystemInfo");
  if (!native_info) return 1;  // before XP: no 64-bit Windows to run on
  SYSTEM_INFO info;
  std::memset(&info, 0, sizeof(info));
  native_info(&info);
  switch (info.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_IA64:
    case PROCESSOR_ARCHITECTURE_AMD64:
    case PROCESSOR_ARCHITECTURE_ALPHA64:
      return 2;
    default:
      return 1;
  }
}

int IsNative64Bit() {
  static std::once_flag once;
  static int value = 1;
  std::call_once(once, [] { value = ComputeNative64Bit(); });
  return value;
}

void DevicePathMap::Build() {
  std::call_once(build_once_, [this] {
    // 26 drives of 4 characters each and the final terminator.
    constexpr DWORD kDriveChars = 105;
    constexpr DWORD kEntryChars = 4;  // "C:\" and its terminator
    char16_t drives[kDriveChars] = {};
    DWORD length = GetLogicalDriveStringsW(kDriveChars, drives);
    if (length == 0 || length >= kDriveChars) {
      status_ = kFailed;
      return;
    }
    const DWORD count = length / kEntryChars;
    for (DWORD i = 0; i < count; ++i) {
      std::u16string drive(drives + i * kEntryChars, 2);  // backslash cut off
      char16_t device[kPathChars] = {};
      if (QueryDosDeviceW(drive.c_str(), device, kPathChars) == 0) continue;
      device[kPathChars - 1] = u'\0';
      std::u16string name(device);
      if (name.empty()) continue;
      pairs_.emplace_back(std::move(name), std::move(drive));
    }
    status_ = kBuilt;
  });
}

bool DevicePathMap::ToDrivePath(std::u16string* path) {
  Build();
  if (!path || status_ != kBuilt) return false;
  for (const auto& [device, drive] : pairs_) {
    if (!StartsWithNoCase(*path, device)) continue;
    // "\Device\HarddiskVolume1" must not match "\Device\HarddiskVolume10\...".
    if (path->size() != device.size() && (*path)[device.size()] != u'\\') continue;
    path->replace(0, device.size(), drive);
    return true;
  }
  return false;
}

DevicePathMap& ProcessDevicePathMap() {
  // Never destroyed: other threads may still convert paths while the process ends.
  static DevicePathMap* map = new DevicePathMap;
  return *map;
}

std::u16string GetProcessImagePath(DWORD pid) {
  char16_t buffer[kPathChars] = {};
  std::u16string path;
  if (GetOsKind() > kOsWinXp) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return path;
    auto image_name =
        FindEntryPoint<GetProcessImageFileNameFn>(u"Psapi.dll", "GetProcessImageFileNameW");
    DWORD length = image_name ? image_name(process, AsWide(buffer), kPathChars) : 0;
    CloseHandle(process);
    if (length == 0 || length >= kPathChars) return path;
    path.assign(buffer, length);
    ProcessDevicePathMap().ToDrivePath(&path);
    return path;
  }
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) return path;
  auto module_name = FindEntryPoint<GetModuleFileNameExFn>(u"Psapi.dll", "GetModuleFileNameExW");
  DWORD length = module_name ? module_name(process, nullptr, AsWide(buffer), kPathChars) : 0;
  CloseHandle(process);
  if (length == 0 || length >= kPathChars) return path;
  path.assign(buffer, length);
  return path;
}

DWORD GetParentProcessId(DWORD pid) {
  const DWORD access =
      GetOsKind() > kOsWinXp ? PROCESS_QUERY_LIMITED_INFORMATION : PROCESS_QUERY_INFORMATION;
  HANDLE process = OpenProcess(access, FALSE, pid);
  if (!process) return kNoParent;
  auto query =
      FindEntryPoint<NtQueryInformationProcessFn>(u"ntdll.dll", "NtQueryInformationProcess");
  PROCESS_BASIC_INFORMATION info;
  std::memset(&info, 0, sizeof(info));
  ULONG returned = 0;
  const bool ok = query && NT_SUCCESS(query(process, ProcessBasicInformation, &info,
                                            sizeof(info), &returned));
  CloseHandle(process);
  return ok ? static_cast<DWORD>(info.InheritedFromUniqueProcessId) : kNoParent;
}

namespace {

// When the process started, as one number; 0 when it cannot be read.
uint64_t CreationTime(DWORD pid) {
  const DWORD access =
      GetOsKind() > kOsWinXp ? PROCESS_QUERY_LIMITED_INFORMATION : PROCESS_QUERY_INFORMATION;
  HANDLE process = OpenProcess(access, FALSE, pid);
  if (!process) return 0;
  FILETIME created = {}, ended = {}, kernel = {}, user = {};
  const BOOL ok = GetProcessTimes(process, &created, &ended, &kernel, &user);
  CloseHandle(process);
  return ok ? (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime : 0;
}

// A parent outlives nothing: once it has ended, Windows may give its id to a
// newer process, which is no parent of pid.
bool StartedLater(DWORD candidate, DWORD pid) {
  const uint64_t parent_start = CreationTime(candidate);
  const uint64_t child_start = CreationTime(pid);
  return parent_start != 0 && child_start != 0 && parent_start > child_start;
}

}  // namespace

bool GetParentProcessPath(DWORD pid, int extra_ancestors, std::vector<std::u16string>* list) {
  if (!list) return false;
  list->clear();
  for (;;) {
    const DWORD parent = GetParentProcessId(pid);
    if (parent == kNoParent || StartedLater(parent, pid)) break;
    std::u16string path = GetProcessImagePath(parent);
    if (path.empty()) break;
    list->push_back(std::move(path));
    pid = parent;
    if (extra_ancestors <= 0) break;
    --extra_ancestors;
  }
  return !list->empty();
}
