#include "app/FirewallException.h"

#include <string>

namespace {

// The firewall's class and interface ids.
const CLSID kClsidNetFwMgr = {0x304CE942, 0x6E39, 0x40D8, {0x94, 0x3A, 0xB9, 0x13, 0xC4, 0x0C, 0x9C, 0xD4}};
const IID kIidNetFwMgr = {0xF7898AF5, 0xCAC4, 0x4632, {0xA2, 0xEC, 0xDA, 0x06, 0xE5, 0x11, 0x1A, 0xF2}};
const CLSID kClsidNetFwAuthorizedApplication = {
    0xEC9846B3, 0x2762, 0x4A6B, {0xA2, 0x14, 0x6A, 0xCB, 0x60, 0x34, 0x62, 0xD2}};
const IID kIidNetFwAuthorizedApplication = {
    0xB5E64FFA, 0xC2C5, 0x444E, {0xA3, 0x01, 0xFB, 0x5E, 0x00, 0x01, 0x80, 0x50}};

// A BSTR that frees itself.
class Bstr {
 public:
  explicit Bstr(const char16_t* text) : value_(SysAllocString(AsWide(text))) {}
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR Get() const { return value_; }

 private:
  BSTR value_;
};

template <class T>
void ReleaseAndClear(T** object) {
  if (*object) (*object)->Release();
  *object = nullptr;
}

}  // namespace

FirewallException::~FirewallException() { Close(); }

int FirewallException::Open() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return kNotOpened;
  com_initialised_ = true;
  if (profile_) return kNotOpened;
  INetFwMgr* manager = nullptr;
  if (FAILED(CoCreateInstance(kClsidNetFwMgr, nullptr, CLSCTX_INPROC_SERVER, kIidNetFwMgr,
                              reinterpret_cast<void**>(&manager))) ||
      !manager)
    return kNoManager;
  INetFwPolicy* policy = nullptr;
  int code = kOk;
  if (FAILED(manager->get_LocalPolicy(&policy)) || !policy) {
    code = kNoLocalPolicy;
  } else if (FAILED(policy->get_CurrentProfile(&profile_)) || !profile_) {
    profile_ = nullptr;
    code = kNoCurrentProfile;
  }
  ReleaseAndClear(&policy);
  ReleaseAndClear(&manager);
  return code;
}

int FirewallException::IsEnabled(const char16_t* path, bool* enabled) {
  *enabled = false;
  if (!profile_) return kNotOpened;
  if (!path) return kMissingArgument;
  INetFwAuthorizedApplications* apps = nullptr;
  if (FAILED(profile_->get_AuthorizedApplications(&apps)) || !apps) return kNoApplicationList;
  int code = kOk;
  if (!*path) {
    code = kEmptyString;
  } else {
    Bstr image(path);
    INetFwAuthorizedApplication* app = nullptr;
    // An entry that cannot be looked up is simply not enabled.
    if (SUCCEEDED(apps->Item(image.Get(), &app)) && app) {
      VARIANT_BOOL state = VARIANT_FALSE;
      if (FAILED(app->get_Enabled(&state))) code = kNoEnabledState;
      else *enabled = state == VARIANT_TRUE;
      ReleaseAndClear(&app);
    }
  }
  ReleaseAndClear(&apps);
  return code;
}

int FirewallException::Add(const char16_t* path, const char16_t* name) {
  if (!profile_) return kNotOpened;
  if (!path || !name) return kMissingArgument;
  bool enabled = false;
  int code = IsEnabled(path, &enabled);
  if (code != kOk || enabled) return code;
  INetFwAuthorizedApplications* apps = nullptr;
  if (FAILED(profile_->get_AuthorizedApplications(&apps)) || !apps) return kNoApplicationList;
  INetFwAuthorizedApplication* app = nullptr;
  if (FAILED(CoCreateInstance(kClsidNetFwAuthorizedApplication, nullptr, CLSCTX_INPROC_SERVER,
                              kIidNetFwAuthorizedApplication, reinterpret_cast<void**>(&app))) ||
      !app) {
    ReleaseAndClear(&apps);
    return kNoApplicationObject;
  }
  if (!*path) {
    code = kEmptyString;
  } else {
    Bstr image(path);
    if (FAILED(app->put_ProcessImageFileName(image.Get()))) code = kImageNameNotSet;
  }
  if (code == kOk) {
    if (!*name) {
      code = kEmptyString;
    } else {
      Bstr entry(name);
      if (FAILED(app->put_Name(entry.Get()))) code = kEntryNameNotSet;
    }
  }
  if (code == kOk && FAILED(apps->Add(app))) code = kAddFailed;
  ReleaseAndClear(&app);
  ReleaseAndClear(&apps);
  return code;
}

int FirewallException::Remove(const char16_t* path) {
  if (!profile_) return kNotOpened;
  if (!path) return kMissingArgument;
  bool enabled = false;
  int code = IsEnabled(path, &enabled);
  if (code != kOk || !enabled) return code;
  INetFwAuthorizedApplications* apps = nullptr;
  if (FAILED(profile_->get_AuthorizedApplications(&apps)) || !apps) return kNoApplicationList;
  if (!*path) {
    code = kEmptyString;
  } else {
    Bstr image(path);
    if (FAILED(apps->Remove(image.Get()))) code = kRemoveFailed;
  }
  ReleaseAndClear(&apps);
  return code;
}

void FirewallException::Close() {
  ReleaseAndClear(&profile_);
  if (com_initialised_) {
    CoUninitialize();
    com_initialised_ = false;
  }
}

void AddFirewallException(const char16_t* path, const char16_t* name) {
  FirewallException firewall;
  if (firewall.Open() == FirewallException::kOk) {
    firewall.Add(path, name);
    firewall.Close();
  }
}

void RemoveFirewallException(const char16_t* path) {
  FirewallException firewall;
  if (firewall.Open() == FirewallException::kOk) {
    firewall.Remove(path);
    firewall.Close();
  }
}
