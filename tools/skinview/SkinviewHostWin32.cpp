#include <cstdio>
#include <string>

#include "platform/files.h"
#include "platform/kernel.h"
#include "tools/skinview/SkinviewHost.h"

struct SkinviewHost::State {};

SkinviewHost::SkinviewHost() : state_(std::make_unique<State>()) {}
SkinviewHost::~SkinviewHost() = default;

bool SkinviewHost::Prepare() { return true; }

namespace {

// The folder this program lies in, with its final backslash.
std::u16string ProgramFolder() {
  char16_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::u16string folder(path, length < MAX_PATH ? length : 0);
  const size_t slash = folder.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : folder.substr(0, slash + 1);
}

bool WriteAscii(const std::u16string& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size();
}

}  // namespace

// The screen keeps its own DPI; the settings' debug DPI makes the dialog
// scale as it would on a screen of dpi. Without one, the settings of an
// earlier run are taken away.
void SkinviewHost::SetDpi(int dpi) {
  if (dpi <= 0) {
    DeleteFileW((ProgramFolder() + u"ressrc\\chs\\dpisetting.ini").c_str());
    return;
  }
  std::u16string folder = ProgramFolder() + u"ressrc";
  CreateDirectoryW(folder.c_str(), nullptr);
  folder += u"\\chs";
  CreateDirectoryW(folder.c_str(), nullptr);
  if (!WriteAscii(folder + u"\\dpisetting.ini",
                  "[basesetting]\r\ndebug=1\r\ndebugdpi=" + std::to_string(dpi) +
                      "\r\nsupportprocess=skinview\r\n"))
    std::fprintf(stderr, "skinview: cannot write the DPI settings beside the program\n");
}

bool SkinviewHost::ResourceDirectory(const std::string& dir, std::u16string* windows_dir) {
  windows_dir->assign(dir.begin(), dir.end());  // paths given here are ASCII
  return true;
}
