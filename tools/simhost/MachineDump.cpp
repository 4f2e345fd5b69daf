// simhost dump: the whole machine state as one JSON document.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "platform/sim/core/SimHost.h"
#include "platform/sim/net/SimRoutes.h"
#include "platform/sim/services/SimServices.h"
#include "platform/sim/processes/SimSessions.h"
#include "platform/sim/text/SimUnicode.h"
#include "tools/simhost/JsonWriter.h"
#include "tools/simhost/RegText.h"
#include "tools/simhost/SimhostCommands.h"

namespace {

void CollectFiles(const std::string& real, const std::string& windows,
                  std::vector<std::string>* out) {
  DIR* d = opendir(real.c_str());
  if (!d) return;
  std::vector<std::string> names;
  while (dirent* e = readdir(d))
    if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
  closedir(d);
  for (const auto& name : names) {
    std::string child_real = real + "/" + name;
    std::string child_windows = windows + name;
    struct stat st;
    if (lstat(child_real.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      out->push_back(child_windows + "\\");
      CollectFiles(child_real, child_windows + "\\", out);
    } else {
      out->push_back(child_windows);
    }
  }
}

bool LessNoCase(const std::string& a, const std::string& b) {
  return SimUpper(SimToUtf16(a)) < SimUpper(SimToUtf16(b));
}

struct KeyRow {
  int64_t parent;
  std::string name;
};

std::string KeyPath(const std::map<int64_t, KeyRow>& keys, int64_t id) {
  std::string path;
  while (id) {
    auto it = keys.find(id);
    if (it == keys.end()) return path;
    path = path.empty() ? it->second.name : it->second.name + "\\" + path;
    id = it->second.parent;
  }
  return path;
}

}  // namespace

int CmdDump(const Args& args) {
  if (args.size() != 1) return Usage();
  if (!OpenMachine(args[0])) return 2;
  auto machine = SimHost::Machine();
  SimDb& db = machine->Db();

  std::vector<std::string> files;
  if (DIR* drives = opendir(machine->DrivesDir().c_str())) {
    std::vector<std::string> letters;
    while (dirent* e = readdir(drives))
      if (std::strlen(e->d_name) == 1 && e->d_name[0] >= 'a' && e->d_name[0] <= 'z')
        letters.push_back(e->d_name);
    closedir(drives);
    std::sort(letters.begin(), letters.end());
    for (const auto& letter : letters) {
      std::string root(1, static_cast<char>(letter[0] - 32));
      CollectFiles(machine->DrivesDir() + "/" + letter, root + ":\\", &files);
    }
  }
  std::sort(files.begin(), files.end(), LessNoCase);

  std::map<int64_t, KeyRow> keys;
  {
    SimStatement st(db, "SELECT id, parent, name FROM reg_keys");
    while (st.Step()) keys[st.Int(0)] = {st.Int(1), st.Text(2)};
  }
  std::map<int64_t, std::vector<std::string>> values;
  {
    SimStatement st(db, "SELECT key, name, type, data FROM reg_values ORDER BY id");
    while (st.Step())
      values[st.Int(0)].push_back(JsonString(st.Text(1)) + ": " +
                                  RegValueJson(static_cast<DWORD>(st.Int(2)), st.Blob(3)));
  }
  std::vector<std::pair<std::string, int64_t>> key_paths;
  for (const auto& [id, row] : keys) key_paths.push_back({KeyPath(keys, id), id});
  std::sort(key_paths.begin(), key_paths.end(),
            [](const auto& a, const auto& b) { return LessNoCase(a.first, b.first); });

  std::printf("{\n  \"files\": [");
  for (size_t i = 0; i < files.size(); ++i)
    std::printf("%s\n    %s", i ? "," : "", JsonString(files[i]).c_str());
  std::printf("\n  ],\n  \"registry\": {");
  for (size_t i = 0; i < key_paths.size(); ++i) {
    std::printf("%s\n    %s: {", i ? "," : "", JsonString(key_paths[i].first).c_str());
    const auto& list = values[key_paths[i].second];
    for (size_t j = 0; j < list.size(); ++j) std::printf("%s%s", j ? ", " : "", list[j].c_str());
    std::printf("}");
  }
  std::printf("\n  },\n  \"services\": [");
  {
    // Listing brings the states up to date first: finished stops, due removals.
    std::vector<SimServiceInfo> services;
    SimListServices(&services);
    for (size_t i = 0; i < services.size(); ++i) {
      const SimServiceInfo& s = services[i];
      std::printf("%s\n    {\"name\": %s, \"display_name\": %s, \"image_path\": %s, "
                  "\"state\": %s, \"delete_pending\": %s}",
                  i ? "," : "", JsonString(s.name).c_str(), JsonString(s.display_name).c_str(),
                  JsonString(s.image_path).c_str(),
                  JsonString(SimServiceStateName(s.state)).c_str(),
                  s.delete_pending ? "true" : "false");
    }
  }
  std::printf("\n  ],\n  \"firewall\": [");
  {
    SimStatement st(db, "SELECT path, name, enabled FROM firewall_apps ORDER BY upath");
    bool first = true;
    while (st.Step()) {
      std::printf("%s\n    {\"path\": %s, \"name\": %s, \"enabled\": %s}", first ? "" : ",",
                  JsonString(st.Text(0)).c_str(), JsonString(st.Text(1)).c_str(),
                  st.Int(2) ? "true" : "false");
      first = false;
    }
  }
  std::printf("\n  ],\n  \"pending_renames\": [");
  {
    // Pairs of the PendingFileRenameOperations value, without the "\??\" prefix.
    SimStatement st(db,
                    "SELECT v.data FROM reg_values v JOIN reg_keys k ON v.key = k.id "
                    "WHERE v.uname = 'PENDINGFILERENAMEOPERATIONS' AND k.uname = 'SESSION MANAGER'");
    std::vector<std::string> items;
    if (st.Step()) {
      std::string bytes = st.Blob(0);
      std::u16string text(bytes.size() / 2, u'\0');
      if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * 2);
      size_t start = 0;
      while (start < text.size()) {
        size_t zero = text.find(u'\0', start);
        if (zero == std::u16string::npos) zero = text.size();
        std::u16string item = text.substr(start, zero - start);
        bool replace = !item.empty() && item[0] == u'!';
        if (replace) item.erase(0, 1);
        if (item.rfind(u"\\??\\", 0) == 0) item.erase(0, 4);
        items.push_back((replace ? "!" : "") + SimToUtf8(item));
        start = zero + 1;
      }
      // A trailing empty string only ends the list.
      if (items.size() % 2 && !items.empty() && items.back().empty()) items.pop_back();
    }
    for (size_t i = 0; i + 1 < items.size(); i += 2)
      std::printf("%s\n    [%s, %s]", i ? "," : "", JsonString(items[i]).c_str(),
                  JsonString(items[i + 1]).c_str());
  }
  std::printf("\n  ],\n  \"sessions\": [");
  {
    auto sessions = SimListSessions(*machine);
    for (size_t i = 0; i < sessions.size(); ++i)
      std::printf("%s\n    {\"id\": %u, \"station\": %s, \"state\": %s, \"user\": %s}",
                  i ? "," : "", static_cast<unsigned>(sessions[i].id),
                  JsonString(sessions[i].station).c_str(),
                  JsonString(SimSessionStateName(sessions[i].state)).c_str(),
                  JsonString(sessions[i].user).c_str());
  }
  std::printf("\n  ],\n  \"users\": [");
  {
    auto users = SimListUsers(*machine);
    for (size_t i = 0; i < users.size(); ++i)
      std::printf("%s\n    {\"name\": %s, \"sid\": %s, \"admin\": %s, \"split_token\": %s}",
                  i ? "," : "", JsonString(users[i].name).c_str(), JsonString(users[i].sid).c_str(),
                  users[i].admin ? "true" : "false", users[i].split_token ? "true" : "false");
  }
  std::printf("\n  ],\n  \"routes\": [");
  {
    auto routes = SimListRoutes(*machine);
    for (size_t i = 0; i < routes.size(); ++i)
      std::printf("%s\n    {\"host\": %s, \"address\": %s}", i ? "," : "",
                  JsonString(routes[i].host).c_str(), JsonString(routes[i].address).c_str());
  }
  std::printf("\n  ]\n}\n");
  return 0;
}
