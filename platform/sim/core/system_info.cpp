// System information on the simulated host: libraries and entry points, the
// Windows version and architecture from the machine's facts, file version
// resources, the Windows folders from the registry, and the drives with their
// NT devices from the volumes table.
#include "platform/system_info.h"

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/processes/SimMachineLibraries.h"
#include "platform/sim/core/SimSystemFolders.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/windows/SimDpi.h"

namespace {

// ---- libraries ----

struct Library {
  std::string name;  // lower case, with extension
  std::map<std::string, FARPROC> entry_points;  // names are case-sensitive
};

struct LibraryTable {
  std::mutex mutex;
  std::map<std::string, std::unique_ptr<Library>> libraries;
};

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// "C:\Windows\System32\NTDLL" -> "ntdll.dll".
std::string NormalizeLibraryName(const std::string& name) {
  size_t start = name.find_last_of("\\/");
  std::string leaf = LowerAscii(start == std::string::npos ? name : name.substr(start + 1));
  while (!leaf.empty() && (leaf.back() == ' ' || leaf.back() == '.')) leaf.pop_back();
  if (!leaf.empty() && leaf.find('.') == std::string::npos) leaf += ".dll";
  return leaf;
}

// Through void(*)(), the type every function pointer may pass through.
template <class F>
FARPROC Entry(F* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

void AddLocked(LibraryTable& table, const std::string& library, const std::string& name,
               FARPROC function) {
  std::string key = NormalizeLibraryName(library);
  auto& slot = table.libraries[key];
  if (!slot) {
    slot = std::make_unique<Library>();
    slot->name = key;
  }
  if (!name.empty()) slot->entry_points[name] = function;
}

// ---- the library search of this process ----

std::atomic<DWORD> g_bare_name_loads{0};
std::atomic<DWORD> g_system_path_loads{0};
std::atomic<DWORD> g_default_dll_directories{0};
std::atomic<bool> g_current_folder_out{false};

// Newer than Windows 7 SP1: reached through GetProcAddress only, and missing
// where the machine declares kernel32!SetDefaultDllDirectories missing.
BOOL WINAPI SetDefaultDllDirectories(DWORD flags) {
  constexpr DWORD kValid = 0x100 | 0x200 | 0x400 | LOAD_LIBRARY_SEARCH_SYSTEM32 | 0x1000;
  if (flags == 0 || (flags & ~kValid)) return SimFail(ERROR_INVALID_PARAMETER);
  g_default_dll_directories = flags;
  return TRUE;
}

LibraryTable& Libraries() {
  static LibraryTable* table = [] {
    auto* t = new LibraryTable;
    for (const char* known : {"kernel32.dll", "ntdll.dll", "psapi.dll", "wtsapi32.dll",
                              "userenv.dll", "version.dll"})
      AddLocked(*t, known, "", nullptr);
    const std::pair<const char*, FARPROC> kernel32[] = {
        {"LoadLibraryW", Entry(&LoadLibraryW)},
        {"GetProcAddress", Entry(&GetProcAddress)},
        {"FreeLibrary", Entry(&FreeLibrary)},
        {"GetVersionExW", Entry(&GetVersionExW)},
        {"GetSystemDirectoryW", Entry(&GetSystemDirectoryW)},
        {"GetWindowsDirectoryW", Entry(&GetWindowsDirectoryW)},
        {"GetSystemWindowsDirectoryW", Entry(&GetSystemWindowsDirectoryW)},
        {"GetSystemWow64DirectoryW", Entry(&GetSystemWow64DirectoryW)},
        {"Wow64DisableWow64FsRedirection", Entry(&Wow64DisableWow64FsRedirection)},
        {"Wow64RevertWow64FsRedirection", Entry(&Wow64RevertWow64FsRedirection)},
        {"IsWow64Process", Entry(&IsWow64Process)},
        {"GetSystemInfo", Entry(&GetSystemInfo)},
        {"GetNativeSystemInfo", Entry(&GetNativeSystemInfo)},
        {"GetLogicalDriveStringsW", Entry(&GetLogicalDriveStringsW)},
        {"QueryDosDeviceW", Entry(&QueryDosDeviceW)},
        {"LoadLibraryExW", Entry(&LoadLibraryExW)},
        {"SetDllDirectoryW", Entry(&SetDllDirectoryW)},
        {"SetDefaultDllDirectories", Entry(&SetDefaultDllDirectories)},
        {"GetLastError", Entry(&GetLastError)},
        {"SetLastError", Entry(&SetLastError)},
        {"CloseHandle", Entry(&CloseHandle)},
        {"GetCurrentProcessId", Entry(&GetCurrentProcessId)},
        {"GetCurrentProcess", Entry(&GetCurrentProcess)},
    };
    for (const auto& [name, function] : kernel32) AddLocked(*t, "kernel32.dll", name, function);
    AddLocked(*t, "ntdll.dll", "RtlGetNtVersionNumbers", Entry(&RtlGetNtVersionNumbers));
    AddLocked(*t, "version.dll", "GetFileVersionInfoSizeW", Entry(&GetFileVersionInfoSizeW));
    AddLocked(*t, "version.dll", "GetFileVersionInfoW", Entry(&GetFileVersionInfoW));
    AddLocked(*t, "version.dll", "VerQueryValueW", Entry(&VerQueryValueW));
    return t;
  }();
  return *table;
}

// The machine's comma-separated list in fact, normalised by norm.
template <class Norm>
bool ListedInFact(const char* fact, const std::string& item, Norm norm) {
  auto machine = SimHost::Machine();
  if (!machine) return false;
  std::string list = machine->Fact(fact);
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    std::string entry = list.substr(start, comma - start);
    while (!entry.empty() && entry.front() == ' ') entry.erase(entry.begin());
    while (!entry.empty() && entry.back() == ' ') entry.pop_back();
    if (!entry.empty() && norm(entry) == item) return true;
    start = comma + 1;
  }
  return false;
}

bool LibraryMissing(const std::string& library) {
  return ListedInFact("missing_libraries", library, NormalizeLibraryName);
}

bool EntryPointMissing(const std::string& library, const std::string& name) {
  return ListedInFact("missing_entry_points", library + "!" + name, [](const std::string& e) {
    size_t bang = e.find('!');
    if (bang == std::string::npos) return std::string();
    return NormalizeLibraryName(e.substr(0, bang)) + e.substr(bang);
  });
}

Library* FindLoaded(HMODULE module) {
  LibraryTable& table = Libraries();
  std::lock_guard<std::mutex> guard(table.mutex);
  for (auto& [key, library] : table.libraries)
    if (reinterpret_cast<HMODULE>(library.get()) == module) return library.get();
  return nullptr;
}

// ---- facts ----

std::string FactText(const std::string& name, const std::string& fallback) {
  auto machine = SimHost::Machine();
  return machine ? machine->Fact(name, fallback) : fallback;
}

DWORD FactNumber(const std::string& name, DWORD fallback) {
  std::string text = FactText(name, "");
  if (text.empty()) return fallback;
  try {
    return static_cast<DWORD>(std::stoul(text, nullptr, 0));
  } catch (...) {
    return fallback;
  }
}

DWORD NtMajor() { return FactNumber("os_nt_major", FactNumber("os_major", 10)); }
DWORD NtMinor() { return FactNumber("os_nt_minor", FactNumber("os_minor", 0)); }
DWORD NtBuild() { return FactNumber("os_nt_build", FactNumber("os_build", 19045)); }

WORD NativeArchitecture() {
  auto machine = SimHost::Machine();
  WORD fallback = machine && !machine->Is64Bit() ? PROCESSOR_ARCHITECTURE_INTEL
                                                 : PROCESSOR_ARCHITECTURE_AMD64;
  return static_cast<WORD>(FactNumber("processor_architecture", fallback));
}

// ---- file versions ----

const char16_t kVersionKey[] = u"VS_VERSION_INFO";
constexpr size_t kFixedOffset = 40;  // header (6 bytes) + key (32), aligned to 4
constexpr size_t kBlockSize = kFixedOffset + sizeof(VS_FIXEDFILEINFO);

// The version of an existing file, as "a.b.c.d" parts; false when it has none.
bool FileVersionOf(LPCWSTR file, DWORD parts[4], DWORD* error) {
  std::string real;
  SimWinPath parsed;
  *error = file ? SimResolveExistingW(file, &real, &parsed) : ERROR_INVALID_PARAMETER;
  if (*error) return false;
  std::u16string path = parsed.Text();
  if (SimEqualNoCase(path, u"C:\\Windows\\System32\\ntoskrnl.exe")) {
    parts[0] = NtMajor();
    parts[1] = NtMinor();
    parts[2] = NtBuild() & 0xFFFF;
    parts[3] = FactNumber("os_revision", 0);
    return true;
  }
  // Other files carry a version only when the machine declares one for them.
  std::string declared = FactText("file_version:" + SimToUtf8(SimUpper(path)), "");
  if (declared.empty()) {
    *error = ERROR_RESOURCE_TYPE_NOT_FOUND;
    return false;
  }
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    parts[i] = 0;
    if (start > declared.size()) continue;
    size_t dot = declared.find('.', start);
    if (dot == std::string::npos) dot = declared.size();
    parts[i] = static_cast<DWORD>(std::strtoul(declared.substr(start, dot - start).c_str(),
                                               nullptr, 10));
    start = dot + 1;
  }
  return true;
}

// ---- volumes ----

struct Volume {
  char16_t letter;
  std::u16string device;
};

bool ReadVolumes(std::vector<Volume>* volumes) {
  auto machine = SimHost::Machine();
  if (!machine) return false;
  SimStatement st(machine->Db(), "SELECT letter, device FROM volumes ORDER BY upper(letter)");
  while (st.Step()) {
    std::string letter = st.Text(0);
    if (letter.size() != 1) continue;
    char c = letter[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') continue;
    volumes->push_back({static_cast<char16_t>(c), SimToUtf16(st.Text(1))});
  }
  return !st.Failed();
}

DWORD CopyText(const std::u16string& text, LPWSTR buffer, DWORD size) {
  if (!buffer || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  return static_cast<DWORD>(text.size());
}

// user32's DPI functions live beside the windows; naming them here links them in.
const bool kUser32Registered = (SimRegisterDpiEntryPoints(), true);

}  // namespace

void SimRegisterEntryPoint(const char* library, const char* name, FARPROC function) {
  if (!library || !name) return;
  LibraryTable& table = Libraries();
  std::lock_guard<std::mutex> guard(table.mutex);
  AddLocked(table, library, name, function);
}

namespace {

// Every library of the machine is in its system folder: a path elsewhere
// names none of them. Counts how the library was asked for.
bool InSystemFolder(const std::u16string& name, bool searched_in_system_folder) {
  const size_t slash = name.find_last_of(u"\\/");
  if (slash == std::u16string::npos) {
    ++(searched_in_system_folder ? g_system_path_loads : g_bare_name_loads);
    return true;
  }
  std::u16string folder = name.substr(0, slash);
  for (char16_t& c : folder)
    if (c == u'/') c = u'\\';
  if (!SimEqualNoCase(folder, u"C:\\Windows\\System32")) return false;
  ++g_system_path_loads;
  return true;
}

HMODULE LoadKnownLibrary(LPCWSTR name, bool searched_in_system_folder) {
  if (!name || !*name) return SimFailWith<HMODULE>(ERROR_INVALID_PARAMETER, nullptr);
  // A file elsewhere on the machine loads as itself (and is then in use).
  if (!InSystemFolder(name, searched_in_system_folder)) return SimLoadMachineLibrary(name);
  std::string key = NormalizeLibraryName(SimToUtf8(name));
  Library* found = nullptr;
  {
    LibraryTable& table = Libraries();
    std::lock_guard<std::mutex> guard(table.mutex);
    auto it = table.libraries.find(key);
    if (it != table.libraries.end()) found = it->second.get();
  }
  if (!found || LibraryMissing(key)) return SimFailWith<HMODULE>(ERROR_MOD_NOT_FOUND, nullptr);
  SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<HMODULE>(found);
}

}  // namespace

HMODULE LoadLibraryW(LPCWSTR name) { return LoadKnownLibrary(name, false); }

HMODULE LoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags) {
  const DWORD known = LOAD_WITH_ALTERED_SEARCH_PATH | LOAD_LIBRARY_SEARCH_SYSTEM32;
  if (file || (flags & ~known) || flags == known)
    return SimFailWith<HMODULE>(ERROR_INVALID_PARAMETER, nullptr);
  const bool system32 = (flags & LOAD_LIBRARY_SEARCH_SYSTEM32) != 0;
  // The search flags came with the same update as SetDefaultDllDirectories.
  if (system32 && EntryPointMissing("kernel32.dll", "SetDefaultDllDirectories"))
    return SimFailWith<HMODULE>(ERROR_INVALID_PARAMETER, nullptr);
  return LoadKnownLibrary(name, system32);
}

BOOL SetDllDirectoryW(LPCWSTR path) {
  g_current_folder_out = path && !*path;
  return TRUE;
}

DWORD SimBareNameLibraryLoads() { return g_bare_name_loads; }
DWORD SimSystemPathLibraryLoads() { return g_system_path_loads; }
DWORD SimDefaultDllDirectories() { return g_default_dll_directories; }
BOOL SimCurrentFolderOutOfDllSearch() { return g_current_folder_out ? TRUE : FALSE; }

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  // A machine file's library carries code this host cannot call.
  if (SimIsMachineLibrary(module)) return SimFailWith<FARPROC>(ERROR_PROC_NOT_FOUND, nullptr);
  Library* library = FindLoaded(module);
  if (!library) return SimFailWith<FARPROC>(ERROR_INVALID_HANDLE, nullptr);
  // Ordinals (values below 0x10000 in place of a name) are not exported here.
  if (!name || reinterpret_cast<ULONG_PTR>(name) < 0x10000)
    return SimFailWith<FARPROC>(ERROR_PROC_NOT_FOUND, nullptr);
  FARPROC function = nullptr;
  {
    LibraryTable& table = Libraries();
    std::lock_guard<std::mutex> guard(table.mutex);
    auto it = library->entry_points.find(name);
    if (it != library->entry_points.end()) function = it->second;
  }
  if (!function || EntryPointMissing(library->name, name))
    return SimFailWith<FARPROC>(ERROR_PROC_NOT_FOUND, nullptr);
  return function;
}

BOOL FreeLibrary(HMODULE module) {
  if (SimFreeMachineLibrary(module)) return TRUE;
  if (!FindLoaded(module)) return SimFail(ERROR_INVALID_HANDLE);
  return TRUE;
}

BOOL GetVersionExW(LPOSVERSIONINFOW info) {
  if (!info) return SimFail(ERROR_INVALID_PARAMETER);
  const DWORD size = info->dwOSVersionInfoSize;
  const bool extended = size == sizeof(OSVERSIONINFOEXW);
  if (!extended && size != sizeof(OSVERSIONINFOW)) return SimFail(ERROR_INSUFFICIENT_BUFFER);
  const std::string fails = FactText("getversionex_fails", "");
  if (fails == "all" || (fails == "extended" && extended)) return SimFail(ERROR_INVALID_PARAMETER);

  const DWORD platform = FactNumber("os_platform", VER_PLATFORM_WIN32_NT);
  info->dwMajorVersion = FactNumber("os_major", 10);
  info->dwMinorVersion = FactNumber("os_minor", 0);
  info->dwBuildNumber = FactNumber("os_build", 19045);
  info->dwPlatformId = platform;
  // Windows 95/98/Me keep major.minor in the high word of the build number.
  if (platform == VER_PLATFORM_WIN32_WINDOWS && info->dwBuildNumber <= 0xFFFF)
    info->dwBuildNumber |= (info->dwMajorVersion << 24) | ((info->dwMinorVersion & 0xFF) << 16);
  std::u16string csd = SimToUtf16(FactText("os_csd", ""));
  if (csd.size() > 127) csd.resize(127);
  std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
  std::memcpy(info->szCSDVersion, csd.data(), csd.size() * sizeof(char16_t));
  if (extended) {
    auto* ex = reinterpret_cast<LPOSVERSIONINFOEXW>(info);
    ex->wServicePackMajor = static_cast<WORD>(FactNumber("os_sp_major", 0));
    ex->wServicePackMinor = static_cast<WORD>(FactNumber("os_sp_minor", 0));
    ex->wSuiteMask = static_cast<WORD>(FactNumber("os_suite_mask", 0x0100));
    ex->wProductType = static_cast<BYTE>(FactNumber("os_product_type", VER_NT_WORKSTATION));
    ex->wReserved = 0;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

void WINAPI RtlGetNtVersionNumbers(DWORD* major, DWORD* minor, DWORD* build) {
  if (major) *major = NtMajor();
  if (minor) *minor = NtMinor();
  // Free (retail) builds carry 0xF in the top bits.
  if (build) *build = (NtBuild() & 0x0FFFFFFF) | 0xF0000000u;
}

DWORD GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle) {
  if (handle) *handle = 0;
  DWORD parts[4];
  DWORD error = 0;
  if (!FileVersionOf(file, parts, &error)) return SimFailWith<DWORD>(error, 0);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(kBlockSize);
}

BOOL GetFileVersionInfoW(LPCWSTR file, DWORD, DWORD size, LPVOID data) {
  DWORD parts[4];
  DWORD error = 0;
  if (!data) return SimFail(ERROR_INVALID_PARAMETER);
  if (!FileVersionOf(file, parts, &error)) return SimFail(error);
  if (size < kBlockSize) return SimFail(ERROR_INSUFFICIENT_BUFFER);
  auto* bytes = static_cast<BYTE*>(data);
  std::memset(bytes, 0, kBlockSize);
  const WORD header[3] = {static_cast<WORD>(kBlockSize),
                          static_cast<WORD>(sizeof(VS_FIXEDFILEINFO)), 0};
  std::memcpy(bytes, header, sizeof(header));
  std::memcpy(bytes + sizeof(header), kVersionKey, sizeof(kVersionKey));
  VS_FIXEDFILEINFO fixed{};
  fixed.dwSignature = VS_FFI_SIGNATURE;
  fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
  fixed.dwFileVersionMS = (parts[0] << 16) | (parts[1] & 0xFFFF);
  fixed.dwFileVersionLS = (parts[2] << 16) | (parts[3] & 0xFFFF);
  fixed.dwProductVersionMS = fixed.dwFileVersionMS;
  fixed.dwProductVersionLS = fixed.dwFileVersionLS;
  fixed.dwFileFlagsMask = 0x3F;
  fixed.dwFileOS = 0x00040004;  // VOS_NT_WINDOWS32
  fixed.dwFileType = 1;         // VFT_APP
  std::memcpy(bytes + kFixedOffset, &fixed, sizeof(fixed));
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR sub_block, LPVOID* buffer, UINT* length) {
  if (!block || !sub_block || !buffer) return FALSE;
  const auto* bytes = static_cast<const BYTE*>(block);
  if (std::memcmp(bytes + 6, kVersionKey, sizeof(kVersionKey)) != 0) return FALSE;
  std::u16string query(sub_block);
  if (query != u"\\" && query != u"/") return FALSE;  // no string or translation tables
  *buffer = const_cast<BYTE*>(bytes + kFixedOffset);
  if (length) *length = sizeof(VS_FIXEDFILEINFO);
  return TRUE;
}

namespace {

// The Windows folder as the registry records it, not as %SystemRoot% says.
UINT CopyUnderWindows(const char16_t* below, LPWSTR buffer, UINT size) {
  SetLastError(ERROR_SUCCESS);
  return CopyText(SimSystemRoot() + below, buffer, size);
}

}  // namespace

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) {
  return CopyUnderWindows(u"\\System32", buffer, size);
}

UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size) { return CopyUnderWindows(u"", buffer, size); }

UINT GetSystemWindowsDirectoryW(LPWSTR buffer, UINT size) {
  return CopyUnderWindows(u"", buffer, size);
}

UINT GetSystemWow64DirectoryW(LPWSTR buffer, UINT size) {
  auto machine = SimHost::Machine();
  if (!machine || !machine->Is64Bit()) return SimFailWith<UINT>(ERROR_CALL_NOT_IMPLEMENTED, 0);
  return CopyUnderWindows(u"\\SysWOW64", buffer, size);
}

void GetNativeSystemInfo(LPSYSTEM_INFO info) {
  if (!info) return;
  std::memset(info, 0, sizeof(*info));
  info->wProcessorArchitecture = NativeArchitecture();
  info->dwPageSize = 4096;
  info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(0x10000));
  info->lpMaximumApplicationAddress =
      reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(0x7FFEFFFF));
  unsigned cores = std::thread::hardware_concurrency();
  info->dwNumberOfProcessors = cores ? cores : 1;
  info->dwActiveProcessorMask = cores >= 32 ? 0xFFFFFFFFu : ((1u << info->dwNumberOfProcessors) - 1);
  info->dwProcessorType = info->wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? 8664 : 586;
  info->dwAllocationGranularity = 65536;
  info->wProcessorLevel = 6;
}

void GetSystemInfo(LPSYSTEM_INFO info) {
  if (!info) return;
  GetNativeSystemInfo(info);
  // A 32-bit program on a 64-bit system is shown an x86 processor.
  if (SimHost::IsWow64Process()) {
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
    info->dwProcessorType = 586;
  }
}

DWORD GetLogicalDriveStringsW(DWORD size, LPWSTR buffer) {
  std::vector<Volume> volumes;
  if (!ReadVolumes(&volumes)) return SimFailWith<DWORD>(ERROR_NOT_READY, 0);
  std::u16string list;
  for (const auto& v : volumes) {
    list += v.letter;
    list += u":\\";
    list += u'\0';
  }
  if (list.empty()) {
    SetLastError(ERROR_SUCCESS);
    return 0;
  }
  if (!buffer || size <= list.size()) return static_cast<DWORD>(list.size() + 1);
  std::memcpy(buffer, list.data(), list.size() * sizeof(char16_t));
  buffer[list.size()] = u'\0';
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(list.size());
}

DWORD QueryDosDeviceW(LPCWSTR device_name, LPWSTR target_path, DWORD size) {
  std::vector<Volume> volumes;
  if (!ReadVolumes(&volumes)) return SimFailWith<DWORD>(ERROR_NOT_READY, 0);
  std::u16string out;
  if (!device_name) {
    // Every name the machine knows.
    for (const auto& v : volumes) {
      if (v.device.empty()) continue;
      out += v.letter;
      out += u':';
      out += u'\0';
    }
  } else {
    std::u16string name(device_name);
    const Volume* match = nullptr;
    if (name.size() == 2 && name[1] == u':')
      for (const auto& v : volumes)
        if (v.letter == SimUpcase(name[0])) match = &v;
    if (!match || match->device.empty()) return SimFailWith<DWORD>(ERROR_FILE_NOT_FOUND, 0);
    out = match->device;
    out += u'\0';
  }
  out += u'\0';
  if (!target_path || size < out.size()) return SimFailWith<DWORD>(ERROR_INSUFFICIENT_BUFFER, 0);
  std::memcpy(target_path, out.data(), out.size() * sizeof(char16_t));
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(out.size());
}
