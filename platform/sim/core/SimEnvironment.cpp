#include "platform/sim/core/SimEnvironment.h"

#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"

extern char** environ;

namespace {

const char kMarker[] = "SIMHOST_ENVBLOCK";
const char kPrefix[] = "SIMHOST_ENV_";
const size_t kPrefixLength = sizeof(kPrefix) - 1;

// The block's entries of this process's Linux environment: (name, value, entry).
struct BlockEntry {
  std::u16string name;
  std::u16string value;
  std::string linux_name;
};

std::vector<BlockEntry> BlockEntries() {
  std::vector<BlockEntry> out;
  for (char** e = environ; e && *e; ++e) {
    if (std::strncmp(*e, kPrefix, kPrefixLength) != 0) continue;
    const char* equals = std::strchr(*e + kPrefixLength, '=');
    if (!equals) continue;
    std::string name(*e + kPrefixLength, static_cast<size_t>(equals - (*e + kPrefixLength)));
    out.push_back({SimToUtf16(name), SimToUtf16(equals + 1), kPrefix + name});
  }
  return out;
}

}  // namespace

bool SimHasEnvironmentBlock() { return getenv(kMarker) != nullptr; }

bool SimBlockLookup(const std::u16string& name, std::u16string* value, bool* found) {
  if (!SimHasEnvironmentBlock()) return false;
  *found = false;
  for (const auto& entry : BlockEntries()) {
    if (SimEqualNoCase(entry.name, name)) {
      *value = entry.value;
      *found = true;
      break;
    }
  }
  return true;
}

bool SimBlockSet(const std::u16string& name, const std::u16string* value) {
  if (!SimHasEnvironmentBlock()) return false;
  for (const auto& entry : BlockEntries())
    if (SimEqualNoCase(entry.name, name)) unsetenv(entry.linux_name.c_str());
  if (value) setenv((kPrefix + SimToUtf8(name)).c_str(), SimToUtf8(*value).c_str(), 1);
  return true;
}

SimEnvironmentList SimMachineEnvironment() {
  SimEnvironmentList list;
  auto machine = SimHost::Machine();
  if (!machine) return list;
  std::lock_guard<std::recursive_mutex> guard(machine->Db().Lock());
  SimStatement st(machine->Db(), "SELECT name, value FROM environment");
  while (st.Step()) list.push_back({SimToUtf16(st.Text(0)), SimToUtf16(st.Text(1))});
  return SimSortedEnvironment(list);
}

SimEnvironmentList SimProcessEnvironment() {
  if (!SimHasEnvironmentBlock()) return SimMachineEnvironment();
  SimEnvironmentList list;
  for (const auto& entry : BlockEntries()) list.push_back({entry.name, entry.value});
  return SimSortedEnvironment(list);
}

SimEnvironmentList SimSortedEnvironment(const SimEnvironmentList& list) {
  std::map<std::u16string, std::pair<std::u16string, std::u16string>> by_name;
  for (const auto& [name, value] : list) by_name[SimUpper(name)] = {name, value};
  SimEnvironmentList out;
  for (const auto& [key, entry] : by_name) out.push_back(entry);
  return out;
}

std::vector<std::string> SimBlockEntries(const SimEnvironmentList& list) {
  std::vector<std::string> out = {std::string(kMarker) + "=1"};
  for (const auto& [name, value] : list) {
    // Names Windows keeps for itself ("=C:") have no place in a Linux name.
    if (name.empty() || name[0] == u'=') continue;
    out.push_back(kPrefix + SimToUtf8(name) + "=" + SimToUtf8(value));
  }
  return out;
}

SimEnvironmentList SimParseEnvironmentBlock(const void* block, bool unicode) {
  SimEnvironmentList list;
  if (!block) return list;
  auto add = [&](const std::u16string& entry) {
    size_t equals = entry.find(u'=', 1);  // a leading '=' belongs to the name
    if (equals == std::u16string::npos) return;
    list.push_back({entry.substr(0, equals), entry.substr(equals + 1)});
  };
  if (unicode) {
    const auto* p = static_cast<const char16_t*>(block);
    while (*p) {
      std::u16string entry(p);
      add(entry);
      p += entry.size() + 1;
    }
  } else {
    const auto* p = static_cast<const char*>(block);
    while (*p) {
      std::string entry(p);
      add(SimToUtf16(entry));
      p += entry.size() + 1;
    }
  }
  return list;
}
