// winproc: a small Windows program for the Wine test bed, the counterpart of
// the simulated host's simproc. Its arguments are commands, carried out in
// order; then it prints "ready" (flushed) and waits until it is killed or a
// command ends it.
//
//   sleep                      nothing more; just wait
//   open-file WINPATH [SHARE]  hold the existing file open for reading; SHARE is
//                              the FILE_SHARE_* mask in decimal (default 1: read)
//   window CLASS [TITLE]       a top-level window of CLASS with TITLE (default
//                              empty); every message it receives after "ready" is
//                              printed as "MSG WPARAM LPARAM" (decimal)
//   quit-on MSG                exit 0 once a window has received MSG (after printing it)
//   hold-mapping NAME [SIZE]   create (or open) a paging-file mapping of SIZE
//                              bytes (default 4096) and keep a view of it
//   hold-mutex NAME            create (or open) the mutex and own it
//   hold-event NAME            create (or open) the manual-reset event NAME
//   set-event NAME             set the event NAME (created when absent)
//   send CLASS MSG [WPARAM [LPARAM]]
//                              SendMessageW to the top-level window of CLASS and
//                              print "result N"
//   exit CODE                  exit with CODE right after "ready"
//   sfc WINPATH                print "protected 1" or "protected 0": what
//                              SfcIsFileProtected says of the file
//   capture TITLE WINPATH      save the client area of the top-level window
//                              titled TITLE (another program's) as a 24-bit
//                              BMP, as the screen shows it; print "captured W H"
//
// An optional argument is taken unless it is itself the name of a command.
// A command that fails prints "error COMMAND CODE" (CODE: GetLastError) and
// the program exits with 2; an unknown command or a missing argument prints
// "error unknown-command NAME" or "error missing-argument NAME", exit 2.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/wine/programs/command_line.h"

namespace {

bool g_ready = false;  // set before the message loop dispatches anything
long long g_quit_on = -1;

const std::vector<winprog::CommandShape> kCommands = {
    {L"sleep", 0, 0},     {L"open-file", 1, 1},  {L"window", 1, 1},    {L"quit-on", 1, 0},
    {L"hold-mutex", 1, 0}, {L"hold-event", 1, 0}, {L"set-event", 1, 0}, {L"send", 2, 2},
    {L"exit", 1, 0},       {L"hold-mapping", 1, 1}, {L"sfc", 1, 0},
    {L"capture", 2, 0}};

void PrintLine(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

[[noreturn]] void Fail(const std::wstring& command) {
  const DWORD code = GetLastError();
  PrintLine("error " + winprog::Narrow(command) + " " + std::to_string(code));
  std::exit(2);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (g_ready) {
    PrintLine(std::to_string(message) + " " + std::to_string(wparam) + " " +
              std::to_string(static_cast<long long>(lparam)));
    if (static_cast<long long>(message) == g_quit_on) {
      std::fflush(stdout);
      ExitProcess(0);
    }
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

// The client area of window as the screen shows it, into a bottom-up 24-bit
// BMP file. False (with the last error) when any step fails.
bool CaptureClient(HWND window, const std::wstring& path, int* width, int* height) {
  RECT client;
  if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) return false;
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  *width = client.right;
  *height = client.bottom;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = *width;
  info.bmiHeader.biHeight = *height;  // bottom-up, as the file stores it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = bitmap && bits;
  if (ok) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, *width, *height, screen, origin.x, origin.y, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
  }
  if (ok) {
    const DWORD stride = (static_cast<DWORD>(*width) * 3 + 3) & ~3u;
    const DWORD image_size = stride * static_cast<DWORD>(*height);
    BITMAPFILEHEADER file_header = {};
    file_header.bfType = 0x4D42;  // "BM"
    file_header.bfOffBits = sizeof(file_header) + sizeof(info.bmiHeader);
    file_header.bfSize = file_header.bfOffBits + image_size;
    info.bmiHeader.biSizeImage = image_size;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ok = file != INVALID_HANDLE_VALUE &&
         WriteFile(file, &file_header, sizeof(file_header), &written, nullptr) &&
         WriteFile(file, &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
         WriteFile(file, bits, image_size, &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  const DWORD error = GetLastError();
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  SetLastError(error);
  return ok;
}

unsigned long long Number(const std::wstring& text) { return std::wcstoull(text.c_str(), nullptr, 0); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  std::vector<winprog::Command> commands;
  std::wstring problem;
  if (!winprog::ParseCommands(args, kCommands, &commands, &problem)) {
    PrintLine(winprog::Narrow(problem));
    return 2;
  }
  HINSTANCE instance = GetModuleHandleW(nullptr);
  bool exits = false;
  int exit_code = 0;
  for (const winprog::Command& c : commands) {
    const std::wstring& name = c.name;
    const std::vector<std::wstring>& a = c.arguments;
    if (name == L"open-file") {
      const DWORD share = a.size() > 1 ? static_cast<DWORD>(Number(a[1])) : FILE_SHARE_READ;
      HANDLE file = CreateFileW(a[0].c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE) Fail(name);
    } else if (name == L"window") {
      const std::wstring title = a.size() > 1 ? a[1] : L"";
      WNDCLASSEXW wc = {};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = WindowProc;
      wc.hInstance = instance;
      wc.lpszClassName = a[0].c_str();
      // A second window of the same class reuses the registration.
      if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) Fail(name);
      if (!CreateWindowExW(0, a[0].c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                           nullptr, nullptr, instance, nullptr))
        Fail(name);
    } else if (name == L"quit-on") {
      g_quit_on = static_cast<long long>(Number(a[0]));
    } else if (name == L"hold-mapping") {
      const DWORD size = a.size() > 1 ? static_cast<DWORD>(Number(a[1])) : 4096;
      HANDLE mapping =
          CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, a[0].c_str());
      if (!mapping || !MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0)) Fail(name);
    } else if (name == L"hold-mutex") {
      HANDLE mutex = CreateMutexW(nullptr, FALSE, a[0].c_str());
      if (!mutex) Fail(name);
      const DWORD result = WaitForSingleObject(mutex, INFINITE);
      if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) Fail(name);
    } else if (name == L"hold-event") {
      if (!CreateEventW(nullptr, TRUE, FALSE, a[0].c_str())) Fail(name);
    } else if (name == L"set-event") {
      HANDLE event = CreateEventW(nullptr, TRUE, FALSE, a[0].c_str());
      if (!event || !SetEvent(event)) Fail(name);
      CloseHandle(event);
    } else if (name == L"send") {
      HWND window = FindWindowW(a[0].c_str(), nullptr);
      if (!window) Fail(name);
      const WPARAM wparam = a.size() > 2 ? static_cast<WPARAM>(Number(a[2])) : 0;
      const LPARAM lparam = a.size() > 3 ? static_cast<LPARAM>(Number(a[3])) : 0;
      const LRESULT result = SendMessageW(window, static_cast<UINT>(Number(a[1])), wparam, lparam);
      PrintLine("result " + std::to_string(static_cast<long long>(result)));
    } else if (name == L"sfc") {
      // Looked up as the program does: not every toolchain has an import library for it.
      using SfcIsFileProtectedFn = BOOL(WINAPI*)(HANDLE, LPCWSTR);
      HMODULE sfc = LoadLibraryW(L"sfc.dll");
      auto is_protected = sfc ? reinterpret_cast<SfcIsFileProtectedFn>(
                                    reinterpret_cast<void*>(GetProcAddress(sfc, "SfcIsFileProtected")))
                              : nullptr;
      if (!is_protected) Fail(name);
      PrintLine(std::string("protected ") + (is_protected(nullptr, a[0].c_str()) ? "1" : "0"));
    } else if (name == L"capture") {
      HWND window = FindWindowW(nullptr, a[0].c_str());
      int width = 0, height = 0;
      if (!window || !CaptureClient(window, a[1], &width, &height)) Fail(name);
      PrintLine("captured " + std::to_string(width) + " " + std::to_string(height));
    } else if (name == L"exit") {
      exits = true;
      exit_code = static_cast<int>(std::wcstol(a[0].c_str(), nullptr, 0));
    }
  }
  PrintLine("ready");
  if (exits) return exit_code;
  g_ready = true;
  // Waits for messages whether or not a window exists: a thread with no
  // window blocks here until it is killed.
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
