// The registry on the simulated host: keys and typed values in machine.db.
#include <time.h>

#include <algorithm>
#include <cstring>

#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/core/SimAccessRules.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/registry/SimClassesRoot.h"
#include "platform/sim/registry/SimRegistryPath.h"
#include "platform/sim/registry/SimUserHives.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;

// An open key: the stored key it refers to, and the path the program used to
// reach it, so that subkeys are redirected by their own full path.
class SimRegKey : public SimObject {
 public:
  int64_t id = 0;
  SimRegPath logical;
  bool wow32 = false;
  REGSAM access = 0;
};

int64_t Now() { return static_cast<int64_t>(time(nullptr)); }

REGSAM EffectiveAccess(REGSAM desired) {
  REGSAM access = desired & ~static_cast<REGSAM>(KEY_WOW64_RES);
  if (access & MAXIMUM_ALLOWED) access |= KEY_ALL_ACCESS;
  if (access & GENERIC_READ) access |= KEY_READ;
  if (access & GENERIC_WRITE) access |= KEY_WRITE;
  if (access & GENERIC_ALL) access |= KEY_ALL_ACCESS;
  return access;
}

// Which view a call sees: the one its flags name, else the program's own.
bool UsesWow32(REGSAM desired) {
  auto machine = SimHost::Machine();
  if (!machine || !machine->Is64Bit()) return false;
  if (desired & KEY_WOW64_64KEY) return false;
  if (desired & KEY_WOW64_32KEY) return true;
  return SimHost::IsWow64Process();
}

struct KeyRef {
  int64_t id = 0;          // 0: the key does not exist
  SimRegPath logical;
  bool wow32 = false;
  REGSAM access = KEY_ALL_ACCESS;
  LSTATUS status = ERROR_SUCCESS;
};

// The stored id of a hive, created on first use.
int64_t HiveId(SimDb& db, const std::u16string& hive, bool create) {
  SimStatement find(db, "SELECT id FROM reg_keys WHERE parent=0 AND uname=?1");
  find.Bind(1, SimToUtf8(SimUpper(hive)));
  if (find.Step()) return find.Int(0);
  if (!create) return 0;
  SimStatement insert(db, "INSERT INTO reg_keys(parent, name, uname, mtime) VALUES(0, ?1, ?2, ?3)");
  insert.Bind(1, SimToUtf8(hive)).Bind(2, SimToUtf8(SimUpper(hive))).Bind(3, Now());
  insert.Step();
  return insert.Failed() ? 0 : db.LastInsertId();
}

int64_t ChildId(SimDb& db, int64_t parent, const std::u16string& name) {
  SimStatement find(db, "SELECT id FROM reg_keys WHERE parent=?1 AND uname=?2");
  find.Bind(1, parent).Bind(2, SimToUtf8(SimUpper(name)));
  return find.Step() ? find.Int(0) : 0;
}

bool KeyExists(SimDb& db, int64_t id) {
  SimStatement find(db, "SELECT 1 FROM reg_keys WHERE id=?1");
  find.Bind(1, id);
  return find.Step();
}

// Finds the stored key of a physical path; 0 when some component is missing.
int64_t FindKey(SimDb& db, const SimRegPath& physical) {
  int64_t id = HiveId(db, physical.hive, false);
  for (size_t i = 0; id && i < physical.parts.size(); ++i) id = ChildId(db, id, physical.parts[i]);
  return id;
}

// Where a key is stored: for the merged classes the user's key when it
// exists, else the machine's (where new keys go).
SimRegPath Physical(SimDb& db, const SimRegPath& logical, bool wow32) {
  if (!SimIsClassesPath(logical)) return SimRegRedirect(logical, wow32);
  std::lock_guard<std::recursive_mutex> guard(db.Lock());
  SimRegPath user = SimRegRedirect(SimClassesUserPath(logical), wow32);
  if (FindKey(db, user)) return user;
  return SimRegRedirect(SimClassesMachinePath(logical), wow32);
}

void Touch(SimDb& db, int64_t id) {
  SimStatement st(db, "UPDATE reg_keys SET mtime=?2 WHERE id=?1");
  st.Bind(1, id).Bind(2, Now());
  st.Step();
}

// Resolves what a handle refers to. Predefined roots always exist.
KeyRef FromHandle(HKEY key) {
  KeyRef ref;
  SimRegPath root;
  if (SimRegRootPath(key, &root)) {
    ref.logical = root;
    ref.wow32 = false;  // the view is decided per call for roots
    ref.id = -1;        // resolved when used
    return ref;
  }
  auto object = SimHandles::GetAs<SimRegKey>(reinterpret_cast<HANDLE>(key));
  if (!object) {
    ref.status = ERROR_INVALID_HANDLE;
    return ref;
  }
  ref.id = object->id;
  ref.logical = object->logical;
  ref.wow32 = object->wow32;
  ref.access = object->access;
  return ref;
}

bool IsRoot(HKEY key) {
  SimRegPath unused;
  return SimRegRootPath(key, &unused);
}

// The stored id a handle refers to: ERROR_KEY_DELETED once its key is gone.
LSTATUS HandleKeyId(SimDb& db, HKEY key, const KeyRef& ref, REGSAM needed, int64_t* id) {
  if (ref.status != ERROR_SUCCESS) return ref.status;
  if (needed && (ref.access & needed) != needed) return ERROR_ACCESS_DENIED;
  if (IsRoot(key)) {
    SimRegPath physical = Physical(db, ref.logical, UsesWow32(0));
    if (REGSAM granted = 0; SimKeyAccessDenied(physical.hive, needed, false, &granted)) return ERROR_ACCESS_DENIED;
    if (key == HKEY_CURRENT_USER) SimEnsureOwnHive(db);
    *id = FindKey(db, physical);
    if (*id == 0 && physical.parts.empty()) *id = HiveId(db, physical.hive, true);
    return *id ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  }
  if (!KeyExists(db, ref.id)) return ERROR_KEY_DELETED;
  *id = ref.id;
  return ERROR_SUCCESS;
}

HKEY NewHandle(int64_t id, const SimRegPath& logical, bool wow32, REGSAM access) {
  auto object = std::make_shared<SimRegKey>();
  object->id = id;
  object->logical = logical;
  object->wow32 = wow32;
  object->access = access;
  return reinterpret_cast<HKEY>(SimHandles::Add(object));
}

// The logical path of key + sub_key and the view it is seen in.
LSTATUS SubPath(HKEY key, const char16_t* sub_key, REGSAM desired, SimRegPath* logical,
                bool* wow32) {
  KeyRef ref = FromHandle(key);
  if (ref.status != ERROR_SUCCESS) return ref.status;
  *logical = ref.logical;
  SimRegAppend(logical, sub_key);
  for (const auto& part : logical->parts)
    if (part.size() > kMaxKeyName) return ERROR_INVALID_PARAMETER;
  if (desired & KEY_WOW64_RES) *wow32 = UsesWow32(desired);
  else if (IsRoot(key)) *wow32 = UsesWow32(0);
  else *wow32 = ref.wow32;
  return ERROR_SUCCESS;
}

std::shared_ptr<SimMachine> MachineOrNull() { return SimHost::Machine(); }

// A key held for one reading call: the machine's database locked and the
// stored id of the key checked against the access the call needs.
struct OpenKeyForReading {
  OpenKeyForReading(HKEY key, REGSAM needed) : machine(MachineOrNull()) {
    if (!machine) {
      status = ERROR_INVALID_HANDLE;
      return;
    }
    guard = std::unique_lock<std::recursive_mutex>(machine->Db().Lock());
    status = HandleKeyId(machine->Db(), key, FromHandle(key), needed, &id);
  }
  SimDb& Db() { return machine->Db(); }

  std::shared_ptr<SimMachine> machine;
  std::unique_lock<std::recursive_mutex> guard;
  int64_t id = 0;
  LSTATUS status = ERROR_SUCCESS;
};

LSTATUS ValueLookup(SimDb& db, int64_t key, const char16_t* name, DWORD* type, std::string* data) {
  std::u16string value_name = name ? name : u"";
  SimStatement st(db, "SELECT type, data FROM reg_values WHERE key=?1 AND uname=?2");
  st.Bind(1, key).Bind(2, SimToUtf8(SimUpper(value_name)));
  if (!st.Step()) return ERROR_FILE_NOT_FOUND;
  *type = static_cast<DWORD>(st.Int(0));
  *data = st.Blob(1);
  return ERROR_SUCCESS;
}

// Deletes a key row, its values and (recursively) its subkeys.
void DeleteTree(SimDb& db, int64_t id) {
  std::vector<int64_t> children;
  {
    SimStatement st(db, "SELECT id FROM reg_keys WHERE parent=?1");
    st.Bind(1, id);
    while (st.Step()) children.push_back(st.Int(0));
  }
  for (int64_t child : children) DeleteTree(db, child);
  SimStatement values(db, "DELETE FROM reg_values WHERE key=?1");
  values.Bind(1, id);
  values.Step();
  SimStatement key(db, "DELETE FROM reg_keys WHERE id=?1");
  key.Bind(1, id);
  key.Step();
}

// The stored keys whose subkeys a handle lists: its own, or for the merged
// classes the user's and then the machine's (-1 where there is none).
std::pair<int64_t, int64_t> SubkeySources(SimDb& db, HKEY key, int64_t id) {
  KeyRef ref = FromHandle(key);
  if (!SimIsClassesPath(ref.logical)) return {id, -1};
  bool wow32 = IsRoot(key) ? UsesWow32(0) : ref.wow32;
  int64_t user = FindKey(db, SimRegRedirect(SimClassesUserPath(ref.logical), wow32));
  int64_t machine = FindKey(db, SimRegRedirect(SimClassesMachinePath(ref.logical), wow32));
  return {user ? user : -1, machine ? machine : -1};
}

// Subkeys of ?1, then those of ?2 that ?1 has no key of the same name for.
constexpr char kMergedSubkeys[] =
    "FROM reg_keys k WHERE parent=?1 OR (parent=?2 AND NOT EXISTS "
    "(SELECT 1 FROM reg_keys u WHERE u.parent=?1 AND u.uname=k.uname))";

LSTATUS CopyName(const std::string& utf8, LPWSTR buffer, LPDWORD size) {
  std::u16string name = SimToUtf16(utf8);
  if (!size) return ERROR_INVALID_PARAMETER;
  if (!buffer || *size <= name.size()) {
    *size = static_cast<DWORD>(name.size());
    return ERROR_MORE_DATA;
  }
  std::memcpy(buffer, name.c_str(), (name.size() + 1) * sizeof(char16_t));
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

LSTATUS CopyData(const std::string& data, LPBYTE buffer, LPDWORD size) {
  if (!size) return buffer ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  DWORD have = *size;
  *size = static_cast<DWORD>(data.size());
  if (!buffer) return ERROR_SUCCESS;
  if (have < data.size()) return ERROR_MORE_DATA;
  if (!data.empty()) std::memcpy(buffer, data.data(), data.size());
  return ERROR_SUCCESS;
}

LSTATUS OpenOrCreate(HKEY key, const char16_t* sub_key, REGSAM desired, bool create,
                     PHKEY result, LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  auto machine = MachineOrNull();
  if (!machine) return ERROR_FILE_NOT_FOUND;
  SimRegPath logical;
  bool wow32 = false;
  LSTATUS status = SubPath(key, sub_key, desired, &logical, &wow32);
  if (status != ERROR_SUCCESS) return status;
  SimDb& db = machine->Db();
  if (key == HKEY_CURRENT_USER) SimEnsureOwnHive(db);
  KeyRef parent = FromHandle(key);
  int64_t parent_id = 0;
  if (!IsRoot(key)) {
    std::lock_guard<std::recursive_mutex> guard(db.Lock());
    status = HandleKeyId(db, key, parent, 0, &parent_id);
    if (status != ERROR_SUCCESS) return status;
    if (create && !(sub_key && *sub_key) && disposition) *disposition = REG_OPENED_EXISTING_KEY;
  }
  SimRegPath physical = Physical(db, logical, wow32);
  REGSAM access = EffectiveAccess(desired);
  if (!create) {
    std::lock_guard<std::recursive_mutex> guard(db.Lock());
    int64_t id = FindKey(db, physical);
    if (!id && physical.parts.empty()) id = HiveId(db, physical.hive, true);
    if (!id) return ERROR_FILE_NOT_FOUND;
    if (LSTATUS denied = SimKeyAccessDenied(physical.hive, access, desired & MAXIMUM_ALLOWED, &access)) return denied;
    *result = NewHandle(id, logical, wow32, access);
    return ERROR_SUCCESS;
  }
  SimTransaction tx(db);
  if (!tx.Ok()) return ERROR_REGISTRY_IO_FAILED;
  int64_t id = HiveId(db, physical.hive, true);
  bool created = false;
  for (size_t i = 0; id && i < physical.parts.size(); ++i) {
    int64_t child = ChildId(db, id, physical.parts[i]);
    if (!child) {
      if (LSTATUS denied = SimKeyChangeDenied(physical.hive)) return denied;
      SimStatement insert(
          db, "INSERT INTO reg_keys(parent, name, uname, mtime) VALUES(?1, ?2, ?3, ?4)");
      insert.Bind(1, id)
          .Bind(2, SimToUtf8(physical.parts[i]))
          .Bind(3, SimToUtf8(SimUpper(physical.parts[i])))
          .Bind(4, Now());
      insert.Step();
      if (insert.Failed()) return ERROR_REGISTRY_IO_FAILED;
      child = db.LastInsertId();
      created = true;
    }
    id = child;
  }
  if (!id) return ERROR_REGISTRY_IO_FAILED;
  if (LSTATUS denied = SimKeyAccessDenied(physical.hive, access, desired & MAXIMUM_ALLOWED, &access)) return denied;
  if (!tx.Commit()) return ERROR_REGISTRY_IO_FAILED;
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewHandle(id, logical, wow32, access);
  return ERROR_SUCCESS;
}

}  // namespace

LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR sub_key, DWORD, LPWSTR, DWORD, REGSAM desired,
                        LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
  return OpenOrCreate(key, sub_key, desired, true, result, disposition);
}

LSTATUS RegCreateKeyW(HKEY key, LPCWSTR sub_key, PHKEY result) {
  if (result && (!sub_key || !*sub_key) && IsRoot(key)) {
    *result = key;
    return ERROR_SUCCESS;
  }
  return OpenOrCreate(key, sub_key, MAXIMUM_ALLOWED, true, result, nullptr);
}

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD, REGSAM desired, PHKEY result) {
  return OpenOrCreate(key, sub_key, desired, false, result, nullptr);
}

LSTATUS RegOpenKeyW(HKEY key, LPCWSTR sub_key, PHKEY result) {
  // Without a subkey the same handle comes back, as Windows does.
  if (result && (!sub_key || !*sub_key)) {
    *result = key;
    return FromHandle(key).status;
  }
  return OpenOrCreate(key, sub_key, MAXIMUM_ALLOWED, false, result, nullptr);
}

LSTATUS RegCloseKey(HKEY key) {
  if (IsRoot(key)) return ERROR_SUCCESS;
  if (!SimHandles::GetAs<SimRegKey>(reinterpret_cast<HANDLE>(key))) return ERROR_INVALID_HANDLE;
  SimHandles::Remove(reinterpret_cast<HANDLE>(key));
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR value_name, LPDWORD, LPDWORD type, LPBYTE data,
                         LPDWORD data_size) {
  if (data && !data_size) return ERROR_INVALID_PARAMETER;
  OpenKeyForReading reader(key, KEY_QUERY_VALUE);
  if (reader.status != ERROR_SUCCESS) return reader.status;
  SimDb& db = reader.Db();
  const int64_t id = reader.id;
  LSTATUS status = ERROR_SUCCESS;
  DWORD stored_type = 0;
  std::string stored;
  status = ValueLookup(db, id, value_name, &stored_type, &stored);
  if (status != ERROR_SUCCESS) return status;
  if (type) *type = stored_type;
  return CopyData(stored, data, data_size);
}

LSTATUS RegSetValueExW(HKEY key, LPCWSTR value_name, DWORD, DWORD type, const BYTE* data,
                       DWORD data_size) {
  auto machine = MachineOrNull();
  if (!machine) return ERROR_INVALID_HANDLE;
  if (!data && data_size) return ERROR_NOACCESS;
  std::u16string name = value_name ? value_name : u"";
  if (name.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  if (!tx.Ok()) return ERROR_REGISTRY_IO_FAILED;
  int64_t id = 0;
  LSTATUS status = HandleKeyId(db, key, FromHandle(key), KEY_SET_VALUE, &id);
  if (status != ERROR_SUCCESS) return status;
  SimStatement update(db, "UPDATE reg_values SET name=?3, type=?4, data=?5 WHERE key=?1 AND uname=?2");
  update.Bind(1, id).Bind(2, SimToUtf8(SimUpper(name))).Bind(3, SimToUtf8(name));
  update.Bind(4, static_cast<int64_t>(type)).BindBlob(5, data, data_size);
  update.Step();
  if (update.Failed()) return ERROR_REGISTRY_IO_FAILED;
  if (db.Changes() == 0) {
    SimStatement insert(db, "INSERT INTO reg_values(key, name, uname, type, data) VALUES(?1, ?2, ?3, ?4, ?5)");
    insert.Bind(1, id).Bind(2, SimToUtf8(name)).Bind(3, SimToUtf8(SimUpper(name)));
    insert.Bind(4, static_cast<int64_t>(type)).BindBlob(5, data, data_size);
    insert.Step();
    if (insert.Failed()) return ERROR_REGISTRY_IO_FAILED;
  }
  Touch(db, id);
  return tx.Commit() ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
}

LSTATUS RegDeleteValueW(HKEY key, LPCWSTR value_name) {
  auto machine = MachineOrNull();
  if (!machine) return ERROR_INVALID_HANDLE;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  if (!tx.Ok()) return ERROR_REGISTRY_IO_FAILED;
  int64_t id = 0;
  LSTATUS status = HandleKeyId(db, key, FromHandle(key), KEY_SET_VALUE, &id);
  if (status != ERROR_SUCCESS) return status;
  SimStatement st(db, "DELETE FROM reg_values WHERE key=?1 AND uname=?2");
  st.Bind(1, id).Bind(2, SimToUtf8(SimUpper(value_name ? value_name : u"")));
  st.Step();
  if (st.Failed()) return ERROR_REGISTRY_IO_FAILED;
  if (db.Changes() == 0) return ERROR_FILE_NOT_FOUND;
  Touch(db, id);
  return tx.Commit() ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
}

LSTATUS RegDeleteKeyExW(HKEY key, LPCWSTR sub_key, REGSAM desired, DWORD) {
  auto machine = MachineOrNull();
  if (!machine) return ERROR_INVALID_HANDLE;
  if (!sub_key) return ERROR_INVALID_PARAMETER;
  SimRegPath logical;
  bool wow32 = false;
  LSTATUS status = SubPath(key, sub_key, desired & KEY_WOW64_RES, &logical, &wow32);
  if (status != ERROR_SUCCESS) return status;
  SimDb& db = machine->Db();
  SimTransaction tx(db);
  if (!tx.Ok()) return ERROR_REGISTRY_IO_FAILED;
  if (!IsRoot(key)) {
    int64_t parent = 0;
    status = HandleKeyId(db, key, FromHandle(key), 0, &parent);
    if (status != ERROR_SUCCESS) return status;
  }
  SimRegPath physical = Physical(db, logical, wow32);
  if (physical.parts.empty()) return ERROR_ACCESS_DENIED;  // a hive itself
  int64_t id = FindKey(db, physical);
  if (!id) return ERROR_FILE_NOT_FOUND;
  if (LSTATUS denied = SimKeyChangeDenied(physical.hive)) return denied;
  SimStatement children(db, "SELECT 1 FROM reg_keys WHERE parent=?1 LIMIT 1");
  children.Bind(1, id);
  if (children.Step()) return ERROR_ACCESS_DENIED;  // only keys without subkeys
  DeleteTree(db, id);
  return tx.Commit() ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
}

LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR sub_key) { return RegDeleteKeyExW(key, sub_key, 0, 0); }

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD name_size, LPDWORD,
                      LPWSTR key_class, LPDWORD class_size, LPFILETIME last_write) {
  OpenKeyForReading reader(key, KEY_ENUMERATE_SUB_KEYS);
  if (reader.status != ERROR_SUCCESS) return reader.status;
  SimDb& db = reader.Db();
  const int64_t id = reader.id;
  LSTATUS status = ERROR_SUCCESS;
  auto [first, second] = SubkeySources(db, key, id);
  SimStatement st(db, (std::string("SELECT name, class, mtime ") + kMergedSubkeys +
                       " ORDER BY uname LIMIT 1 OFFSET ?3").c_str());
  st.Bind(1, first).Bind(2, second).Bind(3, static_cast<int64_t>(index));
  if (!st.Step()) return ERROR_NO_MORE_ITEMS;
  status = CopyName(st.Text(0), name, name_size);
  if (status != ERROR_SUCCESS) return status;
  if (key_class && class_size) CopyName(st.Text(1), key_class, class_size);
  if (last_write) {
    uint64_t ft = static_cast<uint64_t>(st.Int(2)) * 10000000ull + 116444736000000000ull;
    last_write->dwLowDateTime = static_cast<DWORD>(ft);
    last_write->dwHighDateTime = static_cast<DWORD>(ft >> 32);
  }
  return ERROR_SUCCESS;
}

LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD name_size, LPDWORD,
                      LPDWORD type, LPBYTE data, LPDWORD data_size) {
  OpenKeyForReading reader(key, KEY_QUERY_VALUE);
  if (reader.status != ERROR_SUCCESS) return reader.status;
  SimDb& db = reader.Db();
  const int64_t id = reader.id;
  LSTATUS status = ERROR_SUCCESS;
  SimStatement st(db, "SELECT name, type, data FROM reg_values WHERE key=?1 ORDER BY id LIMIT 1 OFFSET ?2");
  st.Bind(1, id).Bind(2, static_cast<int64_t>(index));
  if (!st.Step()) return ERROR_NO_MORE_ITEMS;
  status = CopyName(st.Text(0), name, name_size);
  if (status != ERROR_SUCCESS) return status;
  if (type) *type = static_cast<DWORD>(st.Int(1));
  return CopyData(st.Blob(2), data, data_size);
}

LSTATUS RegQueryInfoKeyW(HKEY key, LPWSTR key_class, LPDWORD class_size, LPDWORD,
                         LPDWORD sub_keys, LPDWORD max_sub_key_length, LPDWORD max_class_length,
                         LPDWORD values, LPDWORD max_value_name_length, LPDWORD max_value_length,
                         LPDWORD security_descriptor_size, LPFILETIME last_write) {
  OpenKeyForReading reader(key, KEY_QUERY_VALUE);
  if (reader.status != ERROR_SUCCESS) return reader.status;
  SimDb& db = reader.Db();
  const int64_t id = reader.id;
  DWORD key_count = 0, key_max = 0, value_count = 0, name_max = 0, data_max = 0;
  {
    auto [first, second] = SubkeySources(db, key, id);
    SimStatement st(db, (std::string("SELECT name ") + kMergedSubkeys).c_str());
    st.Bind(1, first).Bind(2, second);
    while (st.Step()) {
      ++key_count;
      key_max = std::max<DWORD>(key_max, static_cast<DWORD>(SimToUtf16(st.Text(0)).size()));
    }
  }
  {
    SimStatement st(db, "SELECT name, length(data) FROM reg_values WHERE key=?1");
    st.Bind(1, id);
    while (st.Step()) {
      ++value_count;
      name_max = std::max<DWORD>(name_max, static_cast<DWORD>(SimToUtf16(st.Text(0)).size()));
      data_max = std::max<DWORD>(data_max, static_cast<DWORD>(st.Int(1)));
    }
  }
  if (key_class && class_size) {
    if (*class_size) key_class[0] = 0;
    *class_size = 0;
  }
  if (sub_keys) *sub_keys = key_count;
  if (max_sub_key_length) *max_sub_key_length = key_max;
  if (max_class_length) *max_class_length = 0;
  if (values) *values = value_count;
  if (max_value_name_length) *max_value_name_length = name_max;
  if (max_value_length) *max_value_length = data_max;
  if (security_descriptor_size) *security_descriptor_size = 0;
  if (last_write) GetSystemTimeAsFileTime(last_write);
  return ERROR_SUCCESS;
}
