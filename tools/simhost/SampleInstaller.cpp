// simhost install-sample: installs the sample product as its installer would.
#include <dirent.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/registry.h"
#include "platform/services.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/files/SimPath.h"
#include "platform/sim/services/SimServices.h"
#include "platform/sim/text/SimUnicode.h"
#include "tools/cfgtool/ConfigScrambler.h"
#include "tools/simhost/RegText.h"
#include "tools/simhost/SimhostCommands.h"

namespace {

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> out;
  size_t start = 0;
  while (true) {
    size_t at = line.find(sep, start);
    out.push_back(line.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return out;
    start = at + 1;
  }
}

bool ReadFile(const std::string& path, std::string* content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream ss;
  ss << in.rdbuf();
  *content = ss.str();
  return true;
}

// The real path of a Windows path, creating the folders on the way (existing
// folders are found whatever their letter case).
bool RealPathFor(const std::string& windows, bool is_folder, std::string* real) {
  SimWinPath path;
  if (SimParsePath(SimToUtf16(windows).c_str(), &path) != 0) return false;
  size_t folders = is_folder ? path.parts.size() : path.parts.size() - 1;
  SimWinPath partial;
  partial.drive = path.drive;
  for (size_t i = 0; i < folders; ++i) {
    partial.parts.push_back(path.parts[i]);
    bool exists = false;
    if (SimResolveForCreate(partial, real, &exists) != 0) return false;
    if (!exists && mkdir(real->c_str(), 0755) != 0) return false;
  }
  bool exists = false;
  return SimResolveForCreate(path, real, &exists) == 0;
}

bool WriteReal(const std::string& real, const std::string& content, mode_t mode) {
  {
    std::ofstream out(real, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << content;
    if (!out) return false;
  }
  return chmod(real.c_str(), mode) == 0;
}

bool CopyTree(const std::string& from, const std::string& windows_to) {
  struct stat st;
  if (stat(from.c_str(), &st) != 0) return false;
  std::string real;
  if (!S_ISDIR(st.st_mode)) {
    std::string content;
    return ReadFile(from, &content) && RealPathFor(windows_to, false, &real) &&
           WriteReal(real, content, 0644);
  }
  if (!RealPathFor(windows_to, true, &real)) return false;
  DIR* d = opendir(from.c_str());
  if (!d) return false;
  bool ok = true;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    ok = CopyTree(from + "/" + name, windows_to + "\\" + name) && ok;
  }
  closedir(d);
  return ok;
}

bool SetRegistry(const std::vector<std::string>& f) {
  HKEY root = nullptr;
  std::u16string sub;
  if (f.size() != 6 || !ParseRegKey(f[2], &root, &sub)) return false;
  std::string data = f[5];
  if (data == "@installtime") data = std::to_string(static_cast<long long>(time(nullptr)) - 3 * 86400);
  DWORD type = 0;
  std::string bytes;
  if (!EncodeRegValue(f[4], data, &type, &bytes)) return false;
  REGSAM view = f[1] == "32" ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  LSTATUS status = RegSetValueExW(key, SimToUtf16(f[3]).c_str(), 0, type,
                                  reinterpret_cast<const BYTE*>(bytes.data()),
                                  static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

// service|name|display name|command line|stop time: created, then started.
bool CreateAndStartService(const std::vector<std::string>& f) {
  if (f.size() != 5) return false;
  char* end = nullptr;
  const long stop_ms = std::strtol(f[4].c_str(), &end, 10);
  if (f[4].empty() || *end) return false;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return false;
  SC_HANDLE service = CreateServiceW(
      manager, SimToUtf16(f[1]).c_str(), SimToUtf16(f[2]).c_str(), SERVICE_ALL_ACCESS,
      SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
      SimToUtf16(f[3]).c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  bool ok = service && SimSetServiceStopMs(SimToUtf16(f[1]), stop_ms) &&
            StartServiceW(service, 0, nullptr);
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return ok;
}

}  // namespace

int CmdInstallSample(const Args& args) {
  std::string sample_dir = SIMHOST_SAMPLE_DIR;
  std::string uninstaller = SIMHOST_UNINST_PATH;
  std::string helper = SIMHOST_HELPER_PATH;
  std::string extension = SIMHOST_EXTENSION_PATH;
  if (args.empty()) return Usage();
  for (size_t i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == "--sample") sample_dir = args[i + 1];
    else if (args[i] == "--uninstaller") uninstaller = args[i + 1];
    else if (args[i] == "--helper") helper = args[i + 1];
    else return Usage();
  }
  if (!OpenMachine(args[0])) return 2;
  std::string manifest;
  if (!ReadFile(sample_dir + "/product.manifest", &manifest))
    return Fail("cannot read " + sample_dir + "/product.manifest");
  std::istringstream lines(manifest);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    auto f = Split(line, '|');
    const std::string& kind = f[0];
    std::string real, content;
    bool ok = false;
    if (kind == "dir" && f.size() == 2) {
      ok = RealPathFor(f[1], true, &real);
    } else if ((kind == "file" || kind == "readonly") && f.size() == 3) {
      // A read-only file carries no owner write bit, as the host stores that attribute.
      ok = RealPathFor(f[1], false, &real) &&
           WriteReal(real, f[2] + "\r\n", kind == "readonly" ? 0444 : 0644);
    } else if ((kind == "program" || kind == "uninstaller" || kind == "extension") &&
               f.size() == 2) {
      const std::string& source =
          kind == "program" ? helper : kind == "extension" ? extension : uninstaller;
      ok = ReadFile(source, &content) &&
           RealPathFor(f[1], false, &real) && WriteReal(real, content, 0755);
    } else if (kind == "config" && f.size() == 3) {
      ok = ReadFile(sample_dir + "/" + f[1], &content) && RealPathFor(f[2], false, &real) &&
           WriteReal(real, PackConfig(content), 0644);
    } else if (kind == "tree" && f.size() == 3) {
      std::string from = f[1];
      for (auto& c : from)
        if (c == '\\') c = '/';
      ok = CopyTree(sample_dir + "/" + from, f[2]);
    } else if (kind == "reg") {
      ok = SetRegistry(f);
    } else if (kind == "service") {
      ok = CreateAndStartService(f);
    }
    if (!ok) return Fail("product.manifest line " + std::to_string(number) + " failed: " + line);
  }
  return 0;
}
