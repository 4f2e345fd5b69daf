// COM initialisation, BSTRs and the firewall's authorised-applications list,
// kept in the machine's firewall_apps table.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>

#include "platform/firewall.h"
#include "platform/sim/core/SimAccessRules.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

constexpr HRESULT kClassNoAggregation = static_cast<HRESULT>(0x80040110u);

constexpr GUID kIidUnknown = {0x00000000, 0x0000, 0x0000,
                              {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kClsidManager = {0x304CE942, 0x6E39, 0x40D8,
                                {0x94, 0x3A, 0xB9, 0x13, 0xC4, 0x0C, 0x9C, 0xD4}};
constexpr GUID kIidManager = {0xF7898AF5, 0xCAC4, 0x4632,
                              {0xA2, 0xEC, 0xDA, 0x06, 0xE5, 0x11, 0x1A, 0xF2}};
constexpr GUID kClsidApplication = {0xEC9846B3, 0x2762, 0x4A6B,
                                    {0xA2, 0x14, 0x6A, 0xCB, 0x60, 0x34, 0x62, 0xD2}};
constexpr GUID kIidApplication = {0xB5E64FFA, 0xC2C5, 0x444E,
                                  {0xA3, 0x01, 0xFB, 0x5E, 0x00, 0x01, 0x80, 0x50}};

thread_local int t_com_count = 0;
thread_local DWORD t_com_mode = 0;

const HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

// The firewall's settings are the administrators': a token that is not
// elevated reads the list but may not change it.
bool ChangeDenied() { return SimAccessRulesApply(); }

std::string Key(std::u16string_view path) { return SimToUtf8(SimUpper(path)); }

std::u16string Text(BSTR text) { return text ? std::u16string(text, SysStringLen(text)) : u""; }

// Reference counting shared by every object; the last Release deletes.
template <class Interface>
class ComObject : public Interface {
 public:
  explicit ComObject(const GUID* own_iid = nullptr) : own_iid_(own_iid) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!(iid == kIidUnknown) && !(own_iid_ && iid == *own_iid_)) return E_NOINTERFACE;
    *object = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::atomic<ULONG> refs_{1};
  const GUID* own_iid_;
};

class Application : public ComObject<INetFwAuthorizedApplication> {
 public:
  Application() : ComObject(&kIidApplication) {}
  // An entry read from the list: changes to its name and state go to the list.
  Application(std::shared_ptr<SimMachine> machine, std::u16string path, std::u16string name,
              bool enabled)
      : ComObject(&kIidApplication),
        machine_(std::move(machine)),
        path_(std::move(path)),
        name_(std::move(name)),
        enabled_(enabled ? VARIANT_TRUE : VARIANT_FALSE) {}

  HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override { return Out(name_, name); }
  HRESULT STDMETHODCALLTYPE put_Name(BSTR name) override {
    if (!name || SysStringLen(name) == 0) return E_INVALIDARG;
    if (machine_ && ChangeDenied()) return E_ACCESSDENIED;
    if (machine_ && !Update("UPDATE firewall_apps SET name=?2 WHERE upath=?1", Text(name)))
      return E_FAIL;
    name_ = Text(name);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_ProcessImageFileName(BSTR* path) override {
    return Out(path_, path);
  }
  HRESULT STDMETHODCALLTYPE put_ProcessImageFileName(BSTR path) override {
    if (!path || SysStringLen(path) == 0) return E_INVALIDARG;
    if (machine_) return E_ACCESSDENIED;  // an entry's path is its identity
    path_ = Text(path);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* enabled) override {
    if (!enabled) return E_POINTER;
    *enabled = enabled_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL enabled) override {
    VARIANT_BOOL value = enabled == VARIANT_FALSE ? VARIANT_FALSE : VARIANT_TRUE;
    if (machine_ && ChangeDenied()) return E_ACCESSDENIED;
    if (machine_ && !Update("UPDATE firewall_apps SET enabled=?2 WHERE upath=?1",
                            value == VARIANT_TRUE ? int64_t{1} : int64_t{0}))
      return E_FAIL;
    enabled_ = value;
    return S_OK;
  }

 private:
  static HRESULT Out(const std::u16string& value, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocString(value.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  template <class T>
  bool Update(const char* sql, const T& value) {
    SimDb& db = machine_->Db();
    SimTransaction tx(db);
    SimStatement st(db, sql);
    if constexpr (std::is_same_v<T, std::u16string>) st.Bind(2, SimToUtf8(value));
    else st.Bind(2, value);
    st.Bind(1, Key(path_));
    st.Step();
    return !st.Failed() && tx.Commit();
  }

  std::shared_ptr<SimMachine> machine_;
  std::u16string path_;
  std::u16string name_;
  VARIANT_BOOL enabled_ = VARIANT_TRUE;
};

class Applications : public ComObject<INetFwAuthorizedApplications> {
 public:
  explicit Applications(std::shared_ptr<SimMachine> machine) : machine_(std::move(machine)) {}

  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    if (!count) return E_POINTER;
    SimDb& db = machine_->Db();
    std::lock_guard<std::recursive_mutex> guard(db.Lock());
    SimStatement st(db, "SELECT COUNT(*) FROM firewall_apps");
    if (!st.Step()) return E_FAIL;
    *count = static_cast<LONG>(st.Int(0));
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Add(INetFwAuthorizedApplication* app) override {
    if (!app) return E_POINTER;
    BSTR path = nullptr, name = nullptr;
    VARIANT_BOOL enabled = VARIANT_TRUE;
    HRESULT hr = app->get_ProcessImageFileName(&path);
    if (SUCCEEDED(hr)) hr = app->get_Name(&name);
    if (SUCCEEDED(hr)) hr = app->get_Enabled(&enabled);
    std::u16string path_text = Text(path), name_text = Text(name);
    SysFreeString(path);
    SysFreeString(name);
    if (FAILED(hr)) return hr;
    if (path_text.empty()) return E_INVALIDARG;
    if (ChangeDenied()) return E_ACCESSDENIED;
    SimDb& db = machine_->Db();
    SimTransaction tx(db);
    SimStatement st(db,
                    "INSERT OR REPLACE INTO firewall_apps(upath, path, name, enabled) "
                    "VALUES(?1, ?2, ?3, ?4)");
    st.Bind(1, Key(path_text))
        .Bind(2, SimToUtf8(path_text))
        .Bind(3, SimToUtf8(name_text))
        .Bind(4, int64_t{enabled == VARIANT_FALSE ? 0 : 1});
    st.Step();
    return !st.Failed() && tx.Commit() ? S_OK : E_FAIL;
  }

  HRESULT STDMETHODCALLTYPE Remove(BSTR path) override {
    if (!path || SysStringLen(path) == 0) return E_INVALIDARG;
    if (ChangeDenied()) return E_ACCESSDENIED;
    SimDb& db = machine_->Db();
    SimTransaction tx(db);
    SimStatement find(db, "SELECT 1 FROM firewall_apps WHERE upath=?1");
    find.Bind(1, Key(Text(path)));
    if (!find.Step()) return find.Failed() ? E_FAIL : kNotFound;
    SimStatement st(db, "DELETE FROM firewall_apps WHERE upath=?1");
    st.Bind(1, Key(Text(path)));
    st.Step();
    return !st.Failed() && tx.Commit() ? S_OK : E_FAIL;
  }

  HRESULT STDMETHODCALLTYPE Item(BSTR path, INetFwAuthorizedApplication** app) override {
    if (!app) return E_POINTER;
    *app = nullptr;
    if (!path || SysStringLen(path) == 0) return E_INVALIDARG;
    SimDb& db = machine_->Db();
    std::lock_guard<std::recursive_mutex> guard(db.Lock());
    SimStatement st(db, "SELECT path, name, enabled FROM firewall_apps WHERE upath=?1");
    st.Bind(1, Key(Text(path)));
    if (!st.Step()) return st.Failed() ? E_FAIL : kNotFound;
    *app = new Application(machine_, SimToUtf16(st.Text(0)), SimToUtf16(st.Text(1)),
                           st.Int(2) != 0);
    return S_OK;
  }

 private:
  std::shared_ptr<SimMachine> machine_;
};

class Profile : public ComObject<INetFwProfile> {
 public:
  explicit Profile(std::shared_ptr<SimMachine> machine) : machine_(std::move(machine)) {}
  HRESULT STDMETHODCALLTYPE get_AuthorizedApplications(INetFwAuthorizedApplications** apps) override {
    if (!apps) return E_POINTER;
    *apps = new Applications(machine_);
    return S_OK;
  }

 private:
  std::shared_ptr<SimMachine> machine_;
};

class Policy : public ComObject<INetFwPolicy> {
 public:
  explicit Policy(std::shared_ptr<SimMachine> machine) : machine_(std::move(machine)) {}
  HRESULT STDMETHODCALLTYPE get_CurrentProfile(INetFwProfile** profile) override {
    if (!profile) return E_POINTER;
    *profile = new Profile(machine_);
    return S_OK;
  }

 private:
  std::shared_ptr<SimMachine> machine_;
};

class Manager : public ComObject<INetFwMgr> {
 public:
  explicit Manager(std::shared_ptr<SimMachine> machine)
      : ComObject(&kIidManager), machine_(std::move(machine)) {}
  HRESULT STDMETHODCALLTYPE get_LocalPolicy(INetFwPolicy** policy) override {
    if (!policy) return E_POINTER;
    *policy = new Policy(machine_);
    return S_OK;
  }

 private:
  std::shared_ptr<SimMachine> machine_;
};

}  // namespace

HRESULT CoInitializeEx(LPVOID reserved, DWORD co_init) {
  if (reserved) return E_INVALIDARG;
  DWORD mode = co_init & COINIT_APARTMENTTHREADED;
  if (t_com_count > 0) {
    if (mode != t_com_mode) return RPC_E_CHANGED_MODE;
    ++t_com_count;
    return S_FALSE;
  }
  t_com_mode = mode;
  t_com_count = 1;
  return S_OK;
}

void CoUninitialize() {
  if (t_com_count > 0) --t_com_count;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (t_com_count == 0) return CO_E_NOTINITIALIZED;
  if (outer) return kClassNoAggregation;
  IUnknown* created = nullptr;
  if (clsid == kClsidManager) {
    auto machine = SimHost::Machine();
    if (!machine || machine->Fact("firewall") == "absent") return REGDB_E_CLASSNOTREG;
    created = static_cast<INetFwMgr*>(new Manager(machine));
  } else if (clsid == kClsidApplication) {
    created = static_cast<INetFwAuthorizedApplication*>(new Application());
  } else {
    return REGDB_E_CLASSNOTREG;
  }
  HRESULT hr = created->QueryInterface(iid, object);
  created->Release();
  return hr;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  size_t length = 0;
  while (text[length]) ++length;
  // A BSTR is preceded by its length in bytes and ends with a terminator.
  auto* block = static_cast<char*>(std::malloc(sizeof(uint32_t) + (length + 1) * sizeof(OLECHAR)));
  if (!block) return nullptr;
  uint32_t bytes = static_cast<uint32_t>(length * sizeof(OLECHAR));
  std::memcpy(block, &bytes, sizeof(bytes));
  BSTR result = reinterpret_cast<BSTR>(block + sizeof(uint32_t));
  std::memcpy(result, text, (length + 1) * sizeof(OLECHAR));
  return result;
}

void SysFreeString(BSTR text) {
  if (text) std::free(reinterpret_cast<char*>(text) - sizeof(uint32_t));
}

UINT SysStringLen(BSTR text) {
  if (!text) return 0;
  uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<char*>(text) - sizeof(uint32_t), sizeof(bytes));
  return bytes / sizeof(OLECHAR);
}
