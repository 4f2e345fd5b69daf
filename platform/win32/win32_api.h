// The platform layer on Windows: the system's own API, plus char16_t overloads
// of every function of the layer that takes UTF-16 text.
//
// Reached only through platform/types.h (and so through every header of the
// layer) when _WIN32 is defined. Code above the layer never includes
// <windows.h> itself.
//
// Above the layer, text is char16_t (u"..." literals, std::u16string); on
// Windows WCHAR is wchar_t, which has the same representation. Every layer
// function with a string parameter therefore has an overload here that takes
// char16_t pointers (or null) and forwards to the real function, so a call
// written for the simulated host compiles unchanged. What has no overload:
//   - return values: GetCommandLineW() and SysAllocString() give WCHAR*/BSTR;
//     wrap them with AsU16() when a char16_t* is wanted. (PathCombineW, which
//     returns the caller's own buffer, returns it as char16_t*.)
//   - structure fields (WIN32_FIND_DATAW::cFileName, SHFILEOPSTRUCTW::pFrom,
//     WNDCLASSEXW::lpszClassName ...) keep the system's types: read them with
//     AsU16(), fill them with AsWide().
//   - COM interface methods (INetFwAuthorizedApplication::put_Name ...) take
//     BSTR: pass a string made by SysAllocString, never a u"..." literal.
//   - functions called through a pointer (from GetProcAddress) have the
//     system's parameter types: pass text with AsWide(). Cast the FARPROC
//     through void (*)() first; a direct cast is a -Wcast-function-type error.
//
// Rules for code above the layer, which must compile against these headers
// (scripts/test checks it with the mingw-w64 cross compiler):
//   - Identifiers the Windows headers define as macros are off limits, for
//     enumerators, constants, variables and members alike: ERROR (wingdi.h,
//     expands to 0: name a log level kError or LOG_ERROR instead), interface
//     and small (COM/RPC headers), hyper, far, near, IN, OUT, OPTIONAL, CONST,
//     VOID, CALLBACK, PASCAL, DELETE, TRANSPARENT, OPAQUE, ABSOLUTE, RELATIVE,
//     ALTERNATE, WINDING, RGB, Yield, GetCurrentTime, CopyMemory, ZeroMemory,
//     MoveMemory, FillMemory.
//   - Names of Windows functions that come in A/W pairs are macros too
//     (DeleteFile -> DeleteFileW, CreateDirectory, RemoveDirectory, MoveFile,
//     CopyFile, CreateFile, GetMessage, PostMessage, SendMessage, DrawText,
//     LoadString, LoadImage, GetObject, CreateWindow, FindWindow, MessageBox,
//     CreateEvent, CreateMutex, CreateProcess, ShellExecute, RegisterClass,
//     GetClassName, GetWindowText, SetWindowText, CreateFont, StartService,
//     OpenService, GetUserName, GetComputerName, FindResource, ...). A method
//     of ours with such a name is silently renamed in every file that sees
//     this header and not in one that does not: give it another name.
//   - min and max are not macros (NOMINMAX), but DWORD and ULONG are
//     unsigned long and LONG is long here (unsigned int and int on the
//     simulated host): std::min/std::max, templates, overload sets and printf
//     formats that mix them with int or unsigned need an explicit cast.
//   - WCHAR is wchar_t here: a WCHAR array or pointer does not convert to
//     char16_t* or std::u16string by itself (use AsU16()).
//   - <netfw.h> declares CLSID_NetFwMgr, IID_INetFwMgr and the like; our own
//     copies of class and interface ids need other names.
#pragma once

#if !defined(_WIN32)
#error "platform/win32/win32_api.h is the Windows side of the platform layer"
#endif

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif

#include <windows.h>
// WIN32_LEAN_AND_MEAN leaves these out; the layer's areas need them.
#include <shellapi.h>
#include <shlobj.h>
#include <objbase.h>
#include <oleauto.h>
#include <netfw.h>
#include <commctrl.h>
#include <psapi.h>
#include <winternl.h>
#include <sfc.h>
// The C run-time's thread creation (platform/threads.h).
#include <process.h>

#include <cstddef>
#include <type_traits>

// The few functions the layer takes from shlwapi.h, whose many Path*/Str*
// macros would collide with ordinary names (a helper of ours called
// PathCombine, say); declared exactly as shlwapi.h does, so that a file that
// includes it as well still compiles.
extern "C" {
__declspec(dllimport) BOOL WINAPI PathFileExistsW(LPCWSTR path);
__declspec(dllimport) BOOL WINAPI PathAppendW(LPWSTR path, LPCWSTR more);
__declspec(dllimport) BOOL WINAPI PathCanonicalizeW(LPWSTR destination, LPCWSTR path);
__declspec(dllimport) LPWSTR WINAPI PathCombineW(LPWSTR destination, LPCWSTR directory,
                                                 LPCWSTR file);
__declspec(dllimport) BOOL WINAPI PathIsRelativeW(LPCWSTR path);
}

namespace win32_text {

template <class C>
concept Utf16Char = std::is_same_v<C, char16_t> || std::is_same_v<C, wchar_t>;

// A read-only string argument: char16_t or wchar_t text, or null (nullptr, 0
// or NULL). The conversion is user-defined on purpose, so that a call whose
// text is all wchar_t or null picks the system function and the overloads
// below never make such a call ambiguous. The text constructors are templates
// so that a literal 0 can only mean null.
struct In {
  const wchar_t* p;
  template <Utf16Char C>
  In(const C* s) : p(reinterpret_cast<const wchar_t*>(s)) {}
  In(std::nullptr_t) : p(nullptr) {}
};

// A buffer the function writes text into.
struct Out {
  wchar_t* p;
  template <Utf16Char C>
  Out(C* s) : p(reinterpret_cast<wchar_t*>(s)) {}
  Out(std::nullptr_t) : p(nullptr) {}
};

// Where the function stores a pointer into a buffer of ours.
struct OutPtr {
  wchar_t** p;
  template <Utf16Char C>
  OutPtr(C** s) : p(reinterpret_cast<wchar_t**>(s)) {}
  OutPtr(std::nullptr_t) : p(nullptr) {}
};

// A BSTR held as char16_t* (a BSTR is a wchar_t* with a length before it).
struct Bstr {
  BSTR p;
  template <Utf16Char C>
  Bstr(C* s) : p(reinterpret_cast<BSTR>(s)) {}
  Bstr(std::nullptr_t) : p(nullptr) {}
};

}  // namespace win32_text

// ---- platform/kernel.h ----------------------------------------------------

inline DWORD GetModuleFileNameW(HMODULE module, win32_text::Out buffer, DWORD size) {
  return ::GetModuleFileNameW(module, buffer.p, size);
}
inline HMODULE GetModuleHandleW(win32_text::In name) { return ::GetModuleHandleW(name.p); }

inline DWORD ExpandEnvironmentStringsW(win32_text::In source, win32_text::Out destination,
                                       DWORD size) {
  return ::ExpandEnvironmentStringsW(source.p, destination.p, size);
}
inline DWORD GetEnvironmentVariableW(win32_text::In name, win32_text::Out buffer, DWORD size) {
  return ::GetEnvironmentVariableW(name.p, buffer.p, size);
}
inline BOOL SetEnvironmentVariableW(win32_text::In name, win32_text::In value) {
  return ::SetEnvironmentVariableW(name.p, value.p);
}

inline HANDLE CreateFileMappingW(HANDLE file, LPSECURITY_ATTRIBUTES attributes, DWORD protect,
                                 DWORD maximum_size_high, DWORD maximum_size_low,
                                 win32_text::In name) {
  return ::CreateFileMappingW(file, attributes, protect, maximum_size_high, maximum_size_low,
                              name.p);
}
inline HANDLE OpenFileMappingW(DWORD desired_access, BOOL inherit, win32_text::In name) {
  return ::OpenFileMappingW(desired_access, inherit, name.p);
}

inline HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initial_owner,
                           win32_text::In name) {
  return ::CreateMutexW(attributes, initial_owner, name.p);
}
inline HANDLE OpenMutexW(DWORD desired_access, BOOL inherit, win32_text::In name) {
  return ::OpenMutexW(desired_access, inherit, name.p);
}

inline HANDLE CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manual_reset,
                           BOOL initial_state, win32_text::In name) {
  return ::CreateEventW(attributes, manual_reset, initial_state, name.p);
}
inline HANDLE OpenEventW(DWORD desired_access, BOOL inherit, win32_text::In name) {
  return ::OpenEventW(desired_access, inherit, name.p);
}

inline int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR source, int source_length,
                               win32_text::Out destination, int destination_length) {
  return ::MultiByteToWideChar(code_page, flags, source, source_length, destination.p,
                               destination_length);
}
inline int WideCharToMultiByte(UINT code_page, DWORD flags, win32_text::In source,
                               int source_length, LPSTR destination, int destination_length,
                               LPCSTR default_char, LPBOOL used_default_char) {
  return ::WideCharToMultiByte(code_page, flags, source.p, source_length, destination,
                               destination_length, default_char, used_default_char);
}
inline int CompareStringOrdinal(win32_text::In string1, int count1, win32_text::In string2,
                                int count2, BOOL ignore_case) {
  return ::CompareStringOrdinal(string1.p, count1, string2.p, count2, ignore_case);
}

// ---- platform/files.h -----------------------------------------------------

inline HANDLE CreateFileW(win32_text::In path, DWORD desired_access, DWORD share_mode,
                          LPSECURITY_ATTRIBUTES attributes, DWORD creation_disposition,
                          DWORD flags_and_attributes, HANDLE template_file) {
  return ::CreateFileW(path.p, desired_access, share_mode, attributes, creation_disposition,
                       flags_and_attributes, template_file);
}
inline BOOL DeleteFileW(win32_text::In path) { return ::DeleteFileW(path.p); }
inline BOOL MoveFileExW(win32_text::In existing, win32_text::In new_name, DWORD flags) {
  return ::MoveFileExW(existing.p, new_name.p, flags);
}
inline BOOL CopyFileW(win32_text::In existing, win32_text::In new_name, BOOL fail_if_exists) {
  return ::CopyFileW(existing.p, new_name.p, fail_if_exists);
}
inline DWORD GetFileAttributesW(win32_text::In path) { return ::GetFileAttributesW(path.p); }
inline BOOL SetFileAttributesW(win32_text::In path, DWORD attributes) {
  return ::SetFileAttributesW(path.p, attributes);
}
inline BOOL CreateDirectoryW(win32_text::In path, LPSECURITY_ATTRIBUTES attributes) {
  return ::CreateDirectoryW(path.p, attributes);
}
inline BOOL RemoveDirectoryW(win32_text::In path) { return ::RemoveDirectoryW(path.p); }
inline DWORD GetFullPathNameW(win32_text::In path, DWORD size, win32_text::Out buffer,
                              win32_text::OutPtr file_part) {
  return ::GetFullPathNameW(path.p, size, buffer.p, file_part.p);
}
inline DWORD GetLongPathNameW(win32_text::In short_path, win32_text::Out long_path, DWORD size) {
  return ::GetLongPathNameW(short_path.p, long_path.p, size);
}
inline DWORD GetCurrentDirectoryW(DWORD size, win32_text::Out buffer) {
  return ::GetCurrentDirectoryW(size, buffer.p);
}
inline BOOL SetCurrentDirectoryW(win32_text::In path) { return ::SetCurrentDirectoryW(path.p); }
inline DWORD GetTempPathW(DWORD size, win32_text::Out buffer) {
  return ::GetTempPathW(size, buffer.p);
}
inline HANDLE FindFirstFileW(win32_text::In pattern, LPWIN32_FIND_DATAW data) {
  return ::FindFirstFileW(pattern.p, data);
}

// ---- platform/registry.h --------------------------------------------------

inline LSTATUS RegCreateKeyExW(HKEY key, win32_text::In sub_key, DWORD reserved,
                               win32_text::Out key_class, DWORD options, REGSAM desired,
                               LPSECURITY_ATTRIBUTES attributes, PHKEY result,
                               LPDWORD disposition) {
  return ::RegCreateKeyExW(key, sub_key.p, reserved, key_class.p, options, desired, attributes,
                           result, disposition);
}
inline LSTATUS RegCreateKeyW(HKEY key, win32_text::In sub_key, PHKEY result) {
  return ::RegCreateKeyW(key, sub_key.p, result);
}
inline LSTATUS RegOpenKeyExW(HKEY key, win32_text::In sub_key, DWORD options, REGSAM desired,
                             PHKEY result) {
  return ::RegOpenKeyExW(key, sub_key.p, options, desired, result);
}
inline LSTATUS RegOpenKeyW(HKEY key, win32_text::In sub_key, PHKEY result) {
  return ::RegOpenKeyW(key, sub_key.p, result);
}
inline LSTATUS RegQueryValueExW(HKEY key, win32_text::In value_name, LPDWORD reserved,
                                LPDWORD type, LPBYTE data, LPDWORD data_size) {
  return ::RegQueryValueExW(key, value_name.p, reserved, type, data, data_size);
}
inline LSTATUS RegSetValueExW(HKEY key, win32_text::In value_name, DWORD reserved, DWORD type,
                              const BYTE* data, DWORD data_size) {
  return ::RegSetValueExW(key, value_name.p, reserved, type, data, data_size);
}
inline LSTATUS RegDeleteValueW(HKEY key, win32_text::In value_name) {
  return ::RegDeleteValueW(key, value_name.p);
}
inline LSTATUS RegDeleteKeyW(HKEY key, win32_text::In sub_key) {
  return ::RegDeleteKeyW(key, sub_key.p);
}
inline LSTATUS RegDeleteKeyExW(HKEY key, win32_text::In sub_key, REGSAM desired,
                               DWORD reserved) {
  return ::RegDeleteKeyExW(key, sub_key.p, desired, reserved);
}
inline LSTATUS RegEnumKeyExW(HKEY key, DWORD index, win32_text::Out name, LPDWORD name_size,
                             LPDWORD reserved, win32_text::Out key_class, LPDWORD class_size,
                             LPFILETIME last_write) {
  return ::RegEnumKeyExW(key, index, name.p, name_size, reserved, key_class.p, class_size,
                         last_write);
}
inline LSTATUS RegEnumValueW(HKEY key, DWORD index, win32_text::Out name, LPDWORD name_size,
                             LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD data_size) {
  return ::RegEnumValueW(key, index, name.p, name_size, reserved, type, data, data_size);
}
inline LSTATUS RegQueryInfoKeyW(HKEY key, win32_text::Out key_class, LPDWORD class_size,
                                LPDWORD reserved, LPDWORD sub_keys, LPDWORD max_sub_key_length,
                                LPDWORD max_class_length, LPDWORD values,
                                LPDWORD max_value_name_length, LPDWORD max_value_length,
                                LPDWORD security_descriptor_size, LPFILETIME last_write) {
  return ::RegQueryInfoKeyW(key, key_class.p, class_size, reserved, sub_keys, max_sub_key_length,
                            max_class_length, values, max_value_name_length, max_value_length,
                            security_descriptor_size, last_write);
}

// ---- platform/services.h --------------------------------------------------
// <windows.h> brings <winsvc.h> even with WIN32_LEAN_AND_MEAN.

inline SC_HANDLE OpenSCManagerW(win32_text::In machine_name, win32_text::In database_name,
                                DWORD desired_access) {
  return ::OpenSCManagerW(machine_name.p, database_name.p, desired_access);
}
inline SC_HANDLE OpenServiceW(SC_HANDLE manager, win32_text::In service_name,
                              DWORD desired_access) {
  return ::OpenServiceW(manager, service_name.p, desired_access);
}
inline SC_HANDLE CreateServiceW(SC_HANDLE manager, win32_text::In service_name,
                                win32_text::In display_name, DWORD desired_access,
                                DWORD service_type, DWORD start_type, DWORD error_control,
                                win32_text::In binary_path_name, win32_text::In load_order_group,
                                LPDWORD tag_id, win32_text::In dependencies,
                                win32_text::In service_start_name, win32_text::In password) {
  return ::CreateServiceW(manager, service_name.p, display_name.p, desired_access, service_type,
                          start_type, error_control, binary_path_name.p, load_order_group.p,
                          tag_id, dependencies.p, service_start_name.p, password.p);
}
// A template, so that a null argument list still means the system function
// alone (a plain const char16_t** overload would make it ambiguous).
template <class C>
  requires std::is_same_v<C, char16_t>
inline BOOL StartServiceW(SC_HANDLE service, DWORD argument_count, const C** arguments) {
  return ::StartServiceW(service, argument_count, reinterpret_cast<LPCWSTR*>(arguments));
}

// ---- platform/shell.h -----------------------------------------------------
// SHFileOperationW takes a structure only; its path fields take AsWide().

// Results of SHFileOperationW that are documented but in no system header.
#ifndef DE_SAMEFILE
#define DE_SAMEFILE 0x71
#define DE_DESTSUBTREE 0x76
#define DE_INVALIDFILES 0x7C
#define DE_DESTSAMETREE 0x7D
#define DE_ERROR_MAX 0xB7
#endif

inline BOOL PathFileExistsW(win32_text::In path) { return ::PathFileExistsW(path.p); }
inline HINSTANCE ShellExecuteW(HWND hwnd, win32_text::In operation, win32_text::In file,
                               win32_text::In parameters, win32_text::In directory, INT show) {
  return ::ShellExecuteW(hwnd, operation.p, file.p, parameters.p, directory.p, show);
}
inline BOOL SHGetSpecialFolderPathW(HWND owner, win32_text::Out path, int csidl, BOOL create) {
  return ::SHGetSpecialFolderPathW(owner, path.p, csidl, create);
}
inline HRESULT SHGetFolderPathW(HWND owner, int csidl, HANDLE token, DWORD flags,
                                win32_text::Out path) {
  return ::SHGetFolderPathW(owner, csidl, token, flags, path.p);
}
inline BOOL PathAppendW(win32_text::Out path, win32_text::In more) {
  return ::PathAppendW(path.p, more.p);
}
inline BOOL PathCanonicalizeW(win32_text::Out destination, win32_text::In path) {
  return ::PathCanonicalizeW(destination.p, path.p);
}
// Returns the caller's own buffer, so it comes back as char16_t* too.
inline char16_t* PathCombineW(char16_t* destination, win32_text::In directory,
                              win32_text::In file) {
  return reinterpret_cast<char16_t*>(
      ::PathCombineW(reinterpret_cast<wchar_t*>(destination), directory.p, file.p));
}
inline BOOL PathIsRelativeW(win32_text::In path) { return ::PathIsRelativeW(path.p); }

// ---- platform/firewall.h --------------------------------------------------

inline BSTR SysAllocString(win32_text::In text) { return ::SysAllocString(text.p); }
inline void SysFreeString(win32_text::Bstr text) { ::SysFreeString(text.p); }
inline UINT SysStringLen(win32_text::Bstr text) { return ::SysStringLen(text.p); }

// ---- platform/window_messages.h -------------------------------------------
// RegisterClassExW takes a structure only; lpszClassName takes AsWide().

inline BOOL UnregisterClassW(win32_text::In class_name, HINSTANCE instance) {
  return ::UnregisterClassW(class_name.p, instance);
}
inline HWND CreateWindowExW(DWORD ex_style, win32_text::In class_name,
                            win32_text::In window_name, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE instance,
                            LPVOID param) {
  return ::CreateWindowExW(ex_style, class_name.p, window_name.p, style, x, y, width, height,
                           parent, menu, instance, param);
}
inline HWND FindWindowW(win32_text::In class_name, win32_text::In window_name) {
  return ::FindWindowW(class_name.p, window_name.p);
}

inline BOOL SetWindowTextW(HWND window, win32_text::In text) {
  return ::SetWindowTextW(window, text.p);
}
inline int GetWindowTextW(HWND window, win32_text::Out buffer, int size) {
  return ::GetWindowTextW(window, buffer.p, size);
}

// ---- platform/window_input.h ----------------------------------------------

inline HCURSOR LoadCursorW(HINSTANCE instance, win32_text::In name) {
  return ::LoadCursorW(instance, name.p);
}
inline HICON LoadIconW(HINSTANCE instance, win32_text::In name) {
  return ::LoadIconW(instance, name.p);
}

// ---- platform/fonts.h ------------------------------------------------------

inline int AddFontResourceExW(win32_text::In name, DWORD flags, PVOID reserved) {
  return ::AddFontResourceExW(name.p, flags, reserved);
}
inline BOOL RemoveFontResourceExW(win32_text::In name, DWORD flags, PVOID reserved) {
  return ::RemoveFontResourceExW(name.p, flags, reserved);
}

// ---- platform/private_profile.h -------------------------------------------

inline DWORD GetPrivateProfileStringW(win32_text::In section, win32_text::In key,
                                      win32_text::In default_value, win32_text::Out buffer,
                                      DWORD size, win32_text::In file_name) {
  return ::GetPrivateProfileStringW(section.p, key.p, default_value.p, buffer.p, size,
                                    file_name.p);
}
inline UINT GetPrivateProfileIntW(win32_text::In section, win32_text::In key, INT default_value,
                                  win32_text::In file_name) {
  return ::GetPrivateProfileIntW(section.p, key.p, default_value, file_name.p);
}

// ---- platform/processes.h -------------------------------------------------

inline DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, win32_text::Out buffer,
                                DWORD size) {
  return ::GetModuleBaseNameW(process, module, buffer.p, size);
}
inline DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, win32_text::Out buffer,
                                  DWORD size) {
  return ::GetModuleFileNameExW(process, module, buffer.p, size);
}
inline DWORD GetProcessImageFileNameW(HANDLE process, win32_text::Out buffer, DWORD size) {
  return ::GetProcessImageFileNameW(process, buffer.p, size);
}
inline BOOL LookupPrivilegeValueW(win32_text::In system_name, win32_text::In name, PLUID luid) {
  return ::LookupPrivilegeValueW(system_name.p, name.p, luid);
}
// The command line is a writable buffer (Windows may change it in place).
inline BOOL CreateProcessW(win32_text::In application_name, win32_text::Out command_line,
                           LPSECURITY_ATTRIBUTES process_attributes,
                           LPSECURITY_ATTRIBUTES thread_attributes, BOOL inherit_handles,
                           DWORD creation_flags, LPVOID environment,
                           win32_text::In current_directory, LPSTARTUPINFOW startup_info,
                           LPPROCESS_INFORMATION process_information) {
  return ::CreateProcessW(application_name.p, command_line.p, process_attributes,
                          thread_attributes, inherit_handles, creation_flags, environment,
                          current_directory.p, startup_info, process_information);
}
inline BOOL CreateProcessAsUserW(HANDLE token, win32_text::In application_name,
                                 win32_text::Out command_line,
                                 LPSECURITY_ATTRIBUTES process_attributes,
                                 LPSECURITY_ATTRIBUTES thread_attributes, BOOL inherit_handles,
                                 DWORD creation_flags, LPVOID environment,
                                 win32_text::In current_directory, LPSTARTUPINFOW startup_info,
                                 LPPROCESS_INFORMATION process_information) {
  return ::CreateProcessAsUserW(token, application_name.p, command_line.p, process_attributes,
                                thread_attributes, inherit_handles, creation_flags, environment,
                                current_directory.p, startup_info, process_information);
}

// ---- platform/system_info.h -----------------------------------------------

inline HMODULE LoadLibraryW(win32_text::In name) { return ::LoadLibraryW(name.p); }
inline HMODULE LoadLibraryExW(win32_text::In name, HANDLE file, DWORD flags) {
  return ::LoadLibraryExW(name.p, file, flags);
}
inline BOOL SetDllDirectoryW(win32_text::In path) { return ::SetDllDirectoryW(path.p); }
inline DWORD GetFileVersionInfoSizeW(win32_text::In file, LPDWORD handle) {
  return ::GetFileVersionInfoSizeW(file.p, handle);
}
inline BOOL GetFileVersionInfoW(win32_text::In file, DWORD handle, DWORD size, LPVOID data) {
  return ::GetFileVersionInfoW(file.p, handle, size, data);
}
inline BOOL VerQueryValueW(LPCVOID block, win32_text::In sub_block, LPVOID* buffer,
                           UINT* length) {
  return ::VerQueryValueW(block, sub_block.p, buffer, length);
}
inline UINT GetSystemDirectoryW(win32_text::Out buffer, UINT size) {
  return ::GetSystemDirectoryW(buffer.p, size);
}
inline UINT GetWindowsDirectoryW(win32_text::Out buffer, UINT size) {
  return ::GetWindowsDirectoryW(buffer.p, size);
}
inline UINT GetSystemWindowsDirectoryW(win32_text::Out buffer, UINT size) {
  return ::GetSystemWindowsDirectoryW(buffer.p, size);
}
inline UINT GetSystemWow64DirectoryW(win32_text::Out buffer, UINT size) {
  return ::GetSystemWow64DirectoryW(buffer.p, size);
}
inline DWORD GetLogicalDriveStringsW(DWORD size, win32_text::Out buffer) {
  return ::GetLogicalDriveStringsW(size, buffer.p);
}
inline DWORD QueryDosDeviceW(win32_text::In device_name, win32_text::Out target_path,
                             DWORD size) {
  return ::QueryDosDeviceW(device_name.p, target_path.p, size);
}

// ---- platform/protection.h ------------------------------------------------

// Called through sfc.dll loaded by its full path from the system folder, never
// by bare name (the search order would start in the program's own folder).
// FALSE when the library or its export is unavailable.
inline BOOL SfcIsFileProtected(HANDLE rpc_handle, win32_text::In path) {
  using Check = BOOL(WINAPI*)(HANDLE, LPCWSTR);
  static const Check check = []() -> Check {
    wchar_t dll[MAX_PATH + 16];
    UINT n = ::GetSystemDirectoryW(dll, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    const wchar_t name[] = L"\\sfc.dll";
    for (size_t i = 0; i < sizeof(name) / sizeof(name[0]); ++i) dll[n + i] = name[i];
    HMODULE sfc = ::LoadLibraryW(dll);
    if (!sfc) return nullptr;
    return reinterpret_cast<Check>(
        reinterpret_cast<void (*)()>(::GetProcAddress(sfc, "SfcIsFileProtected")));
  }();
  if (!check) return FALSE;
  return check(rpc_handle, path.p);
}
