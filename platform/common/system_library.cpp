// The system folder as the only source of libraries, on both back ends.
#include "platform/common/system_library.h"

#include "platform/kernel.h"
#include "platform/system_info.h"

namespace {

// Newer than Windows 7 SP1 (it came with KB2533623): never imported.
typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);

constexpr UINT kPathChars = 260;

}  // namespace

HMODULE LoadSystemLibrary(const char16_t* name) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  size_t length = 0;
  for (const char16_t* c = name; *c; ++c, ++length) {
    if (*c == u'\\' || *c == u'/' || *c == u':') {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
  }
  char16_t path[kPathChars];
  const UINT folder = GetSystemDirectoryW(path, kPathChars);
  if (folder == 0 || folder + 1 + length >= kPathChars) {
    SetLastError(folder == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  UINT at = folder;
  path[at++] = u'\\';
  for (size_t i = 0; i <= length; ++i) path[at + i] = name[i];
  // Altered search: what the library needs itself is looked for beside it,
  // in the system folder, before anywhere else.
  return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool RestrictLibrarySearch() {
  SetDllDirectoryW(u"");
  HMODULE kernel = LoadSystemLibrary(u"kernel32.dll");
  if (!kernel) return false;
  auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  const bool restricted = set_default && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  FreeLibrary(kernel);
  return restricted;
}
