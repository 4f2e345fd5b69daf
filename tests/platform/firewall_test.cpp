// COM initialisation and the firewall's authorised-applications list.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/firewall.h"
#include "platform/sim/core/SimHost.h"
#include "tests/support/SimTestSupport.h"

namespace {

const CLSID kClsidManager = {0x304CE942, 0x6E39, 0x40D8,
                             {0x94, 0x3A, 0xB9, 0x13, 0xC4, 0x0C, 0x9C, 0xD4}};
const IID kIidManager = {0xF7898AF5, 0xCAC4, 0x4632,
                         {0xA2, 0xEC, 0xDA, 0x06, 0xE5, 0x11, 0x1A, 0xF2}};
const CLSID kClsidApplication = {0xEC9846B3, 0x2762, 0x4A6B,
                                 {0xA2, 0x14, 0x6A, 0xCB, 0x60, 0x34, 0x62, 0xD2}};
const IID kIidApplication = {0xB5E64FFA, 0xC2C5, 0x444E,
                             {0xA3, 0x01, 0xFB, 0x5E, 0x00, 0x01, 0x80, 0x50}};

// A BSTR for the length of one expression's statement.
class Bstr {
 public:
  explicit Bstr(const char16_t* text) : text_(SysAllocString(text)) {}
  Bstr() = default;
  ~Bstr() { SysFreeString(text_); }
  operator BSTR() const { return text_; }
  BSTR* Out() { return &text_; }
  std::u16string Text() const { return text_ ? std::u16string(text_, SysStringLen(text_)) : u""; }

 private:
  BSTR text_ = nullptr;
};

// The current profile's list of authorised applications.
INetFwAuthorizedApplications* OpenApps() {
  INetFwMgr* manager = nullptr;
  EXPECT_EQ(CoCreateInstance(kClsidManager, nullptr, CLSCTX_INPROC_SERVER, kIidManager,
                             reinterpret_cast<void**>(&manager)),
            S_OK);
  if (!manager) return nullptr;
  INetFwPolicy* policy = nullptr;
  INetFwProfile* profile = nullptr;
  INetFwAuthorizedApplications* apps = nullptr;
  EXPECT_EQ(manager->get_LocalPolicy(&policy), S_OK);
  EXPECT_EQ(policy->get_CurrentProfile(&profile), S_OK);
  EXPECT_EQ(profile->get_AuthorizedApplications(&apps), S_OK);
  profile->Release();
  policy->Release();
  manager->Release();
  return apps;
}

INetFwAuthorizedApplication* NewApp(const char16_t* path, const char16_t* name) {
  INetFwAuthorizedApplication* app = nullptr;
  EXPECT_EQ(CoCreateInstance(kClsidApplication, nullptr, CLSCTX_INPROC_SERVER, kIidApplication,
                             reinterpret_cast<void**>(&app)),
            S_OK);
  EXPECT_EQ(app->put_ProcessImageFileName(Bstr(path)), S_OK);
  EXPECT_EQ(app->put_Name(Bstr(name)), S_OK);
  return app;
}

class FirewallTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  }
  void TearDown() override {
    if (apps_) apps_->Release();
    CoUninitialize();
    MachineTest::TearDown();
  }
  INetFwAuthorizedApplications* Apps() {
    if (!apps_) apps_ = OpenApps();
    return apps_;
  }
  LONG Count() {
    LONG count = -1;
    EXPECT_EQ(Apps()->get_Count(&count), S_OK);
    return count;
  }

 private:
  INetFwAuthorizedApplications* apps_ = nullptr;
};

TEST_F(FirewallTest, ComInitialisationIsCountedPerThread) {
  HRESULT before = S_OK, first = S_OK, again = S_OK, changed = S_OK, after = S_OK;
  std::thread([&] {
    void* object = nullptr;
    before = CoCreateInstance(kClsidApplication, nullptr, CLSCTX_ALL, kIidApplication, &object);
    first = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    changed = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CoUninitialize();
    CoUninitialize();
    after = CoCreateInstance(kClsidApplication, nullptr, CLSCTX_ALL, kIidApplication, &object);
  }).join();
  EXPECT_EQ(before, CO_E_NOTINITIALIZED);
  EXPECT_EQ(first, S_OK);
  EXPECT_EQ(again, S_FALSE);
  EXPECT_EQ(changed, RPC_E_CHANGED_MODE);
  EXPECT_EQ(after, CO_E_NOTINITIALIZED);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);  // this thread's count
  CoUninitialize();
}

TEST_F(FirewallTest, UnknownClassesAndInterfacesAreRefused) {
  const CLSID other = {0x12345678, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(other, nullptr, CLSCTX_ALL, kIidManager, &object),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(CoCreateInstance(kClsidManager, nullptr, CLSCTX_ALL, kIidApplication, &object),
            E_NOINTERFACE);
}

TEST_F(FirewallTest, AuthorisedApplicationsRoundTrip) {
  ASSERT_NE(Apps(), nullptr);
  EXPECT_EQ(Count(), 0);
  INetFwAuthorizedApplication* found = reinterpret_cast<INetFwAuthorizedApplication*>(1);
  EXPECT_EQ(Apps()->Item(Bstr(u"C:\\Tools\\uninst.exe"), &found),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(found, nullptr);

  INetFwAuthorizedApplication* app = NewApp(u"C:\\Tools\\uninst.exe", u"ZInstallTool");
  VARIANT_BOOL enabled = VARIANT_FALSE;
  EXPECT_EQ(app->get_Enabled(&enabled), S_OK);
  EXPECT_EQ(enabled, VARIANT_TRUE);
  EXPECT_EQ(Apps()->Add(app), S_OK);
  app->Release();
  EXPECT_EQ(Count(), 1);

  ASSERT_EQ(Apps()->Item(Bstr(u"c:\\TOOLS\\Uninst.EXE"), &found), S_OK);
  Bstr name, path;
  EXPECT_EQ(found->get_Name(name.Out()), S_OK);
  EXPECT_EQ(found->get_ProcessImageFileName(path.Out()), S_OK);
  EXPECT_EQ(name.Text(), u"ZInstallTool");
  EXPECT_EQ(path.Text(), u"C:\\Tools\\uninst.exe");
  // An entry read from the list changes the list.
  EXPECT_EQ(found->put_Enabled(VARIANT_FALSE), S_OK);
  found->Release();
  ASSERT_EQ(Apps()->Item(Bstr(u"C:\\Tools\\uninst.exe"), &found), S_OK);
  EXPECT_EQ(found->get_Enabled(&enabled), S_OK);
  EXPECT_EQ(enabled, VARIANT_FALSE);
  found->Release();

  // Adding the same path again replaces the entry.
  app = NewApp(u"C:\\TOOLS\\UNINST.EXE", u"Renamed");
  EXPECT_EQ(Apps()->Add(app), S_OK);
  app->Release();
  EXPECT_EQ(Count(), 1);

  EXPECT_EQ(Apps()->Remove(Bstr(u"c:\\tools\\uninst.exe")), S_OK);
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(Apps()->Remove(Bstr(u"c:\\tools\\uninst.exe")),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

constexpr char kChildVariable[] = "UNINST_FIREWALL_CHILD";

// A program whose token is not elevated reads the list and changes nothing.
TEST(FirewallChild, NotElevated) {
  if (!std::getenv(kChildVariable)) return;
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  INetFwAuthorizedApplications* apps = OpenApps();
  ASSERT_NE(apps, nullptr);
  LONG count = -1;
  EXPECT_EQ(apps->get_Count(&count), S_OK);
  EXPECT_EQ(count, 1);
  INetFwAuthorizedApplication* found = nullptr;
  ASSERT_EQ(apps->Item(Bstr(u"C:\\Tools\\uninst.exe"), &found), S_OK);
  EXPECT_EQ(found->put_Enabled(VARIANT_FALSE), E_ACCESSDENIED);
  EXPECT_EQ(found->put_Name(Bstr(u"Mine")), E_ACCESSDENIED);
  found->Release();
  INetFwAuthorizedApplication* app = NewApp(u"C:\\Users\\User\\mine.exe", u"Mine");
  EXPECT_EQ(apps->Add(app), E_ACCESSDENIED);
  app->Release();
  EXPECT_EQ(apps->Remove(Bstr(u"C:\\Tools\\uninst.exe")), E_ACCESSDENIED);
  apps->Release();
  CoUninitialize();
  std::printf("child done\n");
}

TEST_F(FirewallTest, OnlyAnElevatedTokenChangesTheList) {
  INetFwAuthorizedApplication* app = NewApp(u"C:\\Tools\\uninst.exe", u"ZInstallTool");
  ASSERT_EQ(Apps()->Add(app), S_OK);
  app->Release();
  for (const char* token : {"limited", "standard"}) {
    const CommandResult run = RunCommand(
        {SimHost::ExecutablePath(), "--gtest_filter=FirewallChild.*"},
        {std::string(kChildVariable) + "=1", "SIMHOST_MACHINE=" + MachineDir(),
         std::string("SIMHOST_TOKEN=") + token});
    EXPECT_EQ(run.exit_code, 0) << token << "\n" << run.out << run.err;
    EXPECT_NE(run.out.find("child done"), std::string::npos) << token << "\n" << run.out;
  }
  // Unchanged: one entry, its name, enabled.
  EXPECT_EQ(Count(), 1);
  INetFwAuthorizedApplication* found = nullptr;
  ASSERT_EQ(Apps()->Item(Bstr(u"C:\\Tools\\uninst.exe"), &found), S_OK);
  Bstr name;
  VARIANT_BOOL enabled = VARIANT_FALSE;
  EXPECT_EQ(found->get_Name(name.Out()), S_OK);
  EXPECT_EQ(found->get_Enabled(&enabled), S_OK);
  EXPECT_EQ(name.Text(), u"ZInstallTool");
  EXPECT_EQ(enabled, VARIANT_TRUE);
  found->Release();
}

TEST_F(FirewallTest, AbsentFirewallHasNoManager) {
  ASSERT_TRUE(SimHost::Machine()->SetFact("firewall", "absent"));
  void* object = nullptr;
  EXPECT_EQ(CoCreateInstance(kClsidManager, nullptr, CLSCTX_ALL, kIidManager, &object),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CoCreateInstance(kClsidApplication, nullptr, CLSCTX_ALL, kIidApplication, &object),
            S_OK);
  static_cast<IUnknown*>(object)->Release();
}

}  // namespace
