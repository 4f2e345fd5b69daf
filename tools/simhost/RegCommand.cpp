// simhost reg: prepare and inspect registry keys and values by hand.
#include <cstdio>

#include "platform/registry.h"
#include "platform/sim/text/SimUnicode.h"
#include "tools/simhost/JsonWriter.h"
#include "tools/simhost/RegText.h"
#include "tools/simhost/SimhostCommands.h"

namespace {

int PrintValues(HKEY key, const std::u16string* only) {
  int printed = 0;
  for (DWORD i = 0;; ++i) {
    char16_t name[16384];
    DWORD name_size = 16384, type = 0, data_size = 0;
    if (RegEnumValueW(key, i, name, &name_size, nullptr, &type, nullptr, &data_size) != ERROR_SUCCESS)
      break;
    if (only && SimToUtf8(SimUpper(*only)) != SimToUtf8(SimUpper(name))) continue;
    std::string data(data_size, '\0');
    name_size = 16384;
    RegEnumValueW(key, i, name, &name_size, nullptr, &type,
                  reinterpret_cast<BYTE*>(data.data()), &data_size);
    std::printf("%s %s\n", JsonString(SimToUtf8(name)).c_str(), RegValueJson(type, data).c_str());
    ++printed;
  }
  return printed;
}

}  // namespace

int CmdReg(const Args& all) {
  if (all.size() < 3) return Usage();
  Args args;
  REGSAM view = KEY_WOW64_64KEY;
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i] == "--view" && i + 1 < all.size()) {
      const std::string& v = all[++i];
      if (v != "32" && v != "64") return Fail("--view takes 32 or 64");
      view = v == "32" ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    } else {
      args.push_back(all[i]);
    }
  }
  if (!OpenMachine(args[0])) return 2;
  const std::string& verb = args[1];
  HKEY root = nullptr;
  std::u16string sub;
  if (!ParseRegKey(args[2], &root, &sub)) return Fail("unknown root in " + args[2]);

  if (verb == "set") {
    if (args.size() != 6) return Usage();
    DWORD type = 0;
    std::string bytes;
    if (!EncodeRegValue(args[4], args[5], &type, &bytes)) return Fail("bad value for " + args[4]);
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return Fail("cannot create " + args[2]);
    LSTATUS status = RegSetValueExW(key, SimToUtf16(args[3]).c_str(), 0, type,
                                    reinterpret_cast<const BYTE*>(bytes.data()),
                                    static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : Fail("cannot set " + args[3]);
  }
  if (verb == "query") {
    if (args.size() != 3 && args.size() != 4) return Usage();
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
      std::fprintf(stderr, "simhost: no key %s\n", args[2].c_str());
      return 1;
    }
    std::u16string name = args.size() == 4 ? SimToUtf16(args[3]) : u"";
    int printed = PrintValues(key, args.size() == 4 ? &name : nullptr);
    RegCloseKey(key);
    if (args.size() == 4 && printed == 0) {
      std::fprintf(stderr, "simhost: no value %s\n", args[3].c_str());
      return 1;
    }
    return 0;
  }
  if (verb == "delete") {
    if (args.size() != 3 && args.size() != 4) return Usage();
    if (args.size() == 4) {
      HKEY key = nullptr;
      if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS)
        return Fail("no key " + args[2]);
      LSTATUS status = RegDeleteValueW(key, SimToUtf16(args[3]).c_str());
      RegCloseKey(key);
      return status == ERROR_SUCCESS ? 0 : Fail("no value " + args[3]);
    }
    // A key goes with everything below it, deepest first.
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS)
      return Fail("no key " + args[2]);
    std::vector<std::u16string> children;
    for (DWORD i = 0;; ++i) {
      char16_t name[256];
      DWORD size = 256;
      if (RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      children.push_back(name);
    }
    RegCloseKey(key);
    for (const auto& child : children) {
      Args nested = {args[0], "delete", args[2] + "\\" + SimToUtf8(child), "--view",
                     view == KEY_WOW64_32KEY ? "32" : "64"};
      if (int rc = CmdReg(nested)) return rc;
    }
    return RegDeleteKeyExW(root, sub.c_str(), view, 0) == ERROR_SUCCESS ? 0
                                                                         : Fail("cannot delete " + args[2]);
  }
  return Usage();
}
