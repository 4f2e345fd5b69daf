#include "engine/ZRunningProcesses.h"

#include <string>

#include "engine/guard/ZNativePaths.h"
#include "engine/guard/ZPathNames.h"
#include "packet_public/ZText.h"
#include "platform/common/system_library.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/system_info.h"
#include "report/ZEnvironmentFacts.h"

namespace {

typedef BOOL(WINAPI* EnumProcessesFn)(DWORD* ids, DWORD bytes, DWORD* bytes_returned);
typedef BOOL(WINAPI* EnumProcessModulesFn)(HANDLE process, HMODULE* modules, DWORD bytes,
                                           DWORD* bytes_needed);
typedef DWORD(WINAPI* ModuleTextFn)(HANDLE process, HMODULE module, char16_t* buffer, DWORD size);
typedef DWORD(WINAPI* ImageFileNameFn)(HANDLE process, char16_t* buffer, DWORD size);

constexpr DWORD kIdBufferBytes = 4096;  // at most 1024 processes
constexpr DWORD kImagePathChars = MAX_PATH;

// The PSAPI functions, looked up in PSAPI.DLL at run time: the library is not
// on every system the program supports. Each call goes through when its own
// function was found and fails otherwise. Also converts the device paths the
// library reports into drive paths.
class PsapiAccessor {
 public:
  PsapiAccessor() { device_paths_.Build(); }
  ~PsapiAccessor() {
    if (library_) FreeLibrary(library_);
  }
  PsapiAccessor(const PsapiAccessor&) = delete;
  PsapiAccessor& operator=(const PsapiAccessor&) = delete;

  BOOL EnumProcesses(DWORD* ids, DWORD bytes, DWORD* bytes_returned) {
    Resolve();
    return enum_processes_ ? enum_processes_(ids, bytes, bytes_returned) : Missing();
  }
  BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bytes, DWORD* bytes_needed) {
    Resolve();
    return enum_process_modules_ ? enum_process_modules_(process, modules, bytes, bytes_needed)
                                 : Missing();
  }
  DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, char16_t* buffer, DWORD size) {
    Resolve();
    return module_base_name_ ? module_base_name_(process, module, buffer, size)
                             : static_cast<DWORD>(Missing());
  }
  DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, char16_t* buffer, DWORD size) {
    Resolve();
    return module_file_name_ ? module_file_name_(process, module, buffer, size)
                             : static_cast<DWORD>(Missing());
  }
  DWORD GetProcessImageFileNameW(HANDLE process, char16_t* buffer, DWORD size) {
    Resolve();
    return image_file_name_ ? image_file_name_(process, buffer, size)
                            : static_cast<DWORD>(Missing());
  }

  // "\Device\HarddiskVolume2\..." -> "C:\..."; false (unchanged) for a device
  // that has no drive letter.
  bool ToDrivePath(std::u16string* path) { return device_paths_.ToDrivePath(path); }

 private:
  static BOOL Missing() {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
  }

  template <class F>
  void Find(F* slot, const char* name) {
    if (*slot || !library_) return;
    // Through void(*)(), which any function pointer type may be cast to and from.
    *slot = reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(library_, name)));
  }

  // On first use, and again on later uses while any of the five is missing.
  void Resolve() {
    if (enum_processes_ && enum_process_modules_ && module_base_name_ && module_file_name_ &&
        image_file_name_)
      return;
    if (!library_) library_ = LoadSystemLibrary(u"PSAPI.DLL");
    Find(&enum_processes_, "EnumProcesses");
    Find(&enum_process_modules_, "EnumProcessModules");
    Find(&module_base_name_, "GetModuleBaseNameW");
    Find(&module_file_name_, "GetModuleFileNameExW");
    Find(&image_file_name_, "GetProcessImageFileNameW");
  }

  HMODULE library_ = nullptr;
  EnumProcessesFn enum_processes_ = nullptr;
  EnumProcessModulesFn enum_process_modules_ = nullptr;
  ModuleTextFn module_base_name_ = nullptr;
  ModuleTextFn module_file_name_ = nullptr;
  ImageFileNameFn image_file_name_ = nullptr;
  DevicePathMap device_paths_;
};

// The image of a process in drive form; empty when it cannot be read.
std::u16string ImagePathOf(PsapiAccessor& psapi, DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
  if (!process) process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (!process) return std::u16string();
  char16_t buffer[kImagePathChars] = {};
  DWORD length = psapi.GetProcessImageFileNameW(process, buffer, kImagePathChars);
  CloseHandle(process);
  std::u16string path(buffer, length < kImagePathChars ? length : 0);
  psapi.ToDrivePath(&path);
  return path;
}

}  // namespace

HRESULT TerminateProcessesByImage(const char16_t* file_path, uint32_t* count) {
  if (count) *count = 0;
  if (!file_path) return E_INVALIDARG;
  // An empty path would match every process whose image could not be read.
  if (!*file_path) return E_FAIL;
  PsapiAccessor psapi;
  EnableDebugPrivilege();

  DWORD ids[kIdBufferBytes / sizeof(DWORD)] = {};
  DWORD returned = 0;
  if (!psapi.EnumProcesses(ids, kIdBufferBytes, &returned)) return E_FAIL;

  // Images are named as native programs name them; the file may be reached
  // here through the WOW64 redirector under another name.
  const std::u16string wanted = NativePathOf(file_path);
  uint32_t terminated = 0;
  const DWORD listed = returned / sizeof(DWORD);
  for (DWORD i = 0; i < listed && i < kIdBufferBytes / sizeof(DWORD); ++i) {
    if (!PathEqualNoCase(ImagePathOf(psapi, ids[i]), wanted)) continue;
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, ids[i]);
    if (!process) continue;
    TerminateProcess(process, 0);
    CloseHandle(process);
    ++terminated;
  }
  if (count) *count = terminated;
  return terminated > 0 ? S_OK : E_FAIL;
}

BOOL EnableDebugPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
    return 0;
  TOKEN_PRIVILEGES privileges = {};
  BOOL ok = LookupPrivilegeValueW(nullptr, u"SeDebugPrivilege", &privileges.Privileges[0].Luid);
  if (ok) {
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // The call succeeds even when the token lacks the privilege: only the
    // last error tells.
    ok = AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr) &&
         GetLastError() == ERROR_SUCCESS;
  }
  CloseHandle(token);
  return ok ? 1 : 0;
}
