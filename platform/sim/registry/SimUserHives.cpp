#include "platform/sim/registry/SimUserHives.h"

#include <time.h>

#include <mutex>
#include <string>

#include "platform/sim/core/SimDb.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/processes/SimSessions.h"
#include "platform/sim/registry/SimRegistryPath.h"

namespace {

int64_t KeyId(SimDb& db, int64_t parent, const std::u16string& name) {
  const std::string uname = SimToUtf8(SimUpper(name));
  SimStatement find(db, "SELECT id FROM reg_keys WHERE parent=?1 AND uname=?2");
  find.Bind(1, parent).Bind(2, uname);
  if (find.Step()) return find.Int(0);
  SimStatement insert(db, "INSERT INTO reg_keys(parent, name, uname, mtime) VALUES(?1, ?2, ?3, ?4)");
  insert.Bind(1, parent).Bind(2, SimToUtf8(name)).Bind(3, uname);
  insert.Bind(4, static_cast<int64_t>(time(nullptr)));
  insert.Step();
  return insert.Failed() ? 0 : db.LastInsertId();
}

}  // namespace

void SimEnsureOwnHive(SimDb& db) {
  static std::mutex mutex;
  static const SimDb* done = nullptr;
  std::lock_guard<std::recursive_mutex> guard(db.Lock());
  std::lock_guard<std::mutex> once(mutex);
  if (done == &db) return;
  int64_t users = KeyId(db, 0, u"HKEY_USERS");
  int64_t hive = users ? KeyId(db, users, SimUserHiveName(SimOwnIdentity().user_sid)) : 0;
  if (hive && KeyId(db, hive, u"Software")) done = &db;
}
