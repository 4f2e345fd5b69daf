#include "engine/guard/ZNativePaths.h"

#include "engine/guard/ZPathNames.h"
#include "platform/common/system_library.h"
#include "platform/kernel.h"
#include "platform/system_info.h"

namespace {

typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, BOOL*);

// Reached by name: systems before 64-bit Windows lack it.
template <class Fn>
Fn Kernel32Function(const char* name) {
  HMODULE module = LoadSystemLibrary(u"kernel32.dll");
  FARPROC found = module ? GetProcAddress(module, name) : nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(found));
}

bool RunsUnderWow64() {
  auto is_wow64 = Kernel32Function<IsWow64ProcessFn>("IsWow64Process");
  BOOL wow64 = FALSE;
  return is_wow64 && is_wow64(GetCurrentProcess(), &wow64) && wow64;
}

template <typename Get>
std::u16string Folder(Get get) {
  char16_t buffer[MAX_PATH] = {};
  UINT length = get(buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::u16string(buffer, length) : std::u16string();
}

// Folders of System32 that 32-bit programs share with native ones.
bool SharedFolder(const std::u16string& system, const std::u16string& path) {
  for (const char16_t* name : {u"catroot", u"catroot2", u"driverstore", u"logfiles", u"spool",
                               u"drivers\\etc"})
    if (PathIsSameOrBelow(path, ChildPath(system, name))) return true;
  return false;
}

struct SystemFolders {
  std::u16string windows, system, wow64;
  bool ok() const { return !windows.empty() && !system.empty() && !wow64.empty(); }
};

SystemFolders Read() {
  SystemFolders f;
  f.windows = Folder([](char16_t* b, UINT n) { return GetWindowsDirectoryW(b, n); });
  f.system = Folder([](char16_t* b, UINT n) { return GetSystemDirectoryW(b, n); });
  f.wow64 = Folder([](char16_t* b, UINT n) { return GetSystemWow64DirectoryW(b, n); });
  return f;
}

}  // namespace

std::u16string NativePathOf(const std::u16string& path) {
  if (!RunsUnderWow64()) return path;
  const SystemFolders f = Read();
  if (!f.ok()) return path;
  const std::u16string& windows = f.windows;
  const std::u16string& system = f.system;
  const std::u16string& wow64 = f.wow64;
  const std::u16string sysnative = ChildPath(windows, u"Sysnative");
  if (PathIsSameOrBelow(path, sysnative)) return system + path.substr(sysnative.size());
  if (PathIsSameOrBelow(path, system) && !SharedFolder(system, path))
    return wow64 + path.substr(system.size());
  if (PathEqualNoCase(path, ChildPath(windows, u"regedit.exe")))
    return ChildPath(wow64, u"regedit.exe");
  return path;
}

std::u16string PathReachingNative(const std::u16string& native_path) {
  if (!RunsUnderWow64()) return native_path;
  const SystemFolders f = Read();
  if (!f.ok() || !PathIsSameOrBelow(native_path, f.system) || SharedFolder(f.system, native_path))
    return native_path;
  return ChildPath(f.windows, u"Sysnative") + native_path.substr(f.system.size());
}
