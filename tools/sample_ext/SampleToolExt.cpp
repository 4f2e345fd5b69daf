// The sample product's tool-set extension, as the sample installer places it
// (SampleToolExt.exe and SampleToolExt64.exe).
//
// Started without "/uninstall" it creates its exit event, prints "ready" and
// runs until the event is set, then ends with exit code 0. Started with "/uninstall" it unregisters itself: it
// appends one line to its marker file and exits.
//
// The marker line: "program=<own path> session=<id> user=<SID>
// elevation=<default|full|limited> product=<intact|partial> firewall=<name>
// others=<n> cmdline=<command line>" (product: whether the product's core
// library was still there; firewall: the name of the enabled firewall entry
// for the uninstaller beside this program, "none" without one, "?" when the
// firewall cannot be asked; others: how many other instances of this program
// were running).
//
// Settings, read from the machine's environment:
//   SAMPLE_TOOL_EXT_MARKER     Windows path of the marker file
//                              (default C:\Windows\Temp\SampleToolExt.log)
//   SAMPLE_TOOL_EXT_EXIT_CODE  exit code of the uninstall run (default 0)
//   SAMPLE_TOOL_EXT_DELAY_MS   how long the uninstall run takes (default 0)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "packet_public/ZText.h"
#include "platform/files.h"
#include "platform/firewall.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sessions.h"
#include "platform/shell.h"

namespace {

const char16_t kExitEvent[] = u"Global\\SampleToolExt_Exit";

std::u16string Variable(const char16_t* name) {
  char16_t buffer[1024] = {};
  DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
  return length > 0 && length < 1024 ? std::u16string(buffer, length) : std::u16string();
}

DWORD Number(const char16_t* name, DWORD fallback) {
  std::u16string text = Variable(name);
  if (text.empty()) return fallback;
  std::string narrow(text.begin(), text.end());
  return static_cast<DWORD>(std::strtoul(narrow.c_str(), nullptr, 10));
}

// "S-1-5-21-..." from a binary SID.
std::string SidText(PSID sid) {
  const auto* bytes = static_cast<const unsigned char*>(sid);
  unsigned long long authority = 0;
  for (int i = 2; i < 8; ++i) authority = (authority << 8) | bytes[i];
  std::string text = "S-" + std::to_string(bytes[0]) + "-" + std::to_string(authority);
  for (int i = 0; i < bytes[1]; ++i) {
    DWORD part = 0;
    std::memcpy(&part, bytes + 8 + 4 * i, 4);
    text += "-" + std::to_string(part);
  }
  return text;
}

std::string Identity() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return "session=? user=? elevation=?";
  DWORD session = 0, length = 0;
  std::string text = "session=";
  text += GetTokenInformation(token, TokenSessionId, &session, sizeof(session), &length)
              ? std::to_string(session)
              : "?";
  std::vector<unsigned char> user(256);
  text += " user=";
  text += GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &length)
              ? SidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid)
              : "?";
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  text += " elevation=";
  if (!GetTokenInformation(token, TokenElevationType, &type, sizeof(type), &length)) text += "?";
  else text += type == TokenElevationTypeFull ? "full" : type == TokenElevationTypeLimited ? "limited" : "default";
  CloseHandle(token);
  return text;
}

// How many other processes run the same program file name as this one.
int OtherInstances(const std::u16string& own_path) {
  const std::u16string own_name = own_path.substr(own_path.find_last_of(u'\\') + 1);
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  PROCESSENTRY32W entry;
  std::memset(&entry, 0, sizeof(entry));
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (entry.th32ProcessID != GetCurrentProcessId() && EqualNoCase(AsU16(entry.szExeFile), own_name))
      ++count;
  CloseHandle(snapshot);
  return count;
}

// The firewall's authorised-applications entry for path, as the running
// uninstaller sees it: its name when it is there and enabled.
std::string FirewallEntry(const std::u16string& path) {
  const CLSID manager_class = {0x304CE942, 0x6E39, 0x40D8, {0x94, 0x3A, 0xB9, 0x13, 0xC4, 0x0C, 0x9C, 0xD4}};
  const IID manager_interface = {0xF7898AF5, 0xCAC4, 0x4632, {0xA2, 0xEC, 0xDA, 0x06, 0xE5, 0x11, 0x1A, 0xF2}};
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return "?";
  std::string answer = "?";
  INetFwMgr* manager = nullptr;
  INetFwPolicy* policy = nullptr;
  INetFwProfile* profile = nullptr;
  INetFwAuthorizedApplications* apps = nullptr;
  if (SUCCEEDED(CoCreateInstance(manager_class, nullptr, CLSCTX_INPROC_SERVER, manager_interface,
                                 reinterpret_cast<void**>(&manager))) && manager &&
      SUCCEEDED(manager->get_LocalPolicy(&policy)) && policy &&
      SUCCEEDED(policy->get_CurrentProfile(&profile)) && profile &&
      SUCCEEDED(profile->get_AuthorizedApplications(&apps)) && apps) {
    answer = "none";
    BSTR image = SysAllocString(AsWide(path.c_str()));
    INetFwAuthorizedApplication* app = nullptr;
    VARIANT_BOOL enabled = VARIANT_FALSE;
    BSTR name = nullptr;
    if (SUCCEEDED(apps->Item(image, &app)) && app && SUCCEEDED(app->get_Enabled(&enabled)) &&
        enabled == VARIANT_TRUE && SUCCEEDED(app->get_Name(&name)) && name)
      answer = Utf16ToUtf8(AsU16(name));
    SysFreeString(name);
    if (app) app->Release();
    SysFreeString(image);
  }
  if (apps) apps->Release();
  if (profile) profile->Release();
  if (policy) policy->Release();
  if (manager) manager->Release();
  CoUninitialize();
  return answer;
}

void AppendMarker(const std::string& line) {
  std::u16string path = Variable(u"SAMPLE_TOOL_EXT_MARKER");
  if (path.empty()) path = u"C:\\Windows\\Temp\\SampleToolExt.log";
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  SetFilePointer(file, 0, nullptr, FILE_END);
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

int Unregister(const std::u16string& command_line) {
  char16_t own[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, own, MAX_PATH);
  std::u16string folder = own;
  folder = folder.substr(0, folder.find_last_of(u'\\') + 1);
  const bool intact = PathFileExistsW((folder + u"SampleCore.dll").c_str()) != FALSE;
  AppendMarker("program=" + Utf16ToUtf8(own) + " " + Identity() + " product=" +
               (intact ? "intact" : "partial") + " firewall=" + FirewallEntry(folder + u"uninst.exe") +
               " others=" + std::to_string(OtherInstances(own)) +
               " cmdline=" + Utf16ToUtf8(command_line) + "\r\n");
  if (DWORD delay = Number(u"SAMPLE_TOOL_EXT_DELAY_MS", 0)) Sleep(delay);
  return static_cast<int>(Number(u"SAMPLE_TOOL_EXT_EXIT_CODE", 0));
}

int RunUntilAskedToExit() {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, kExitEvent);
  if (!event) return 2;
  std::fputs("ready\n", stdout);  // for whoever waits to signal it
  std::fflush(stdout);
  DWORD result = WaitForSingleObject(event, INFINITE);
  CloseHandle(event);
  return result == WAIT_OBJECT_0 ? 0 : 3;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  const char16_t* line = AsU16(GetCommandLineW());
  std::u16string command_line = line ? line : u"";
  if (command_line.find(u"/uninstall") != std::u16string::npos) return Unregister(command_line);
  return RunUntilAskedToExit();
}
