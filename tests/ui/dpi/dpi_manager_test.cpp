// The DPI manager on a real machine: its settings file, the registry value,
// the user32 functions the machine offers and the screen's DPI decide whether
// and how much dialogs are scaled.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/common/system_library.h"
#include "platform/dpi.h"
#include "platform/kernel.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/windows/SimDpi.h"
#include "platform/system_info.h"
#include "platform/window_messages.h"
#include "tests/support/SimTestSupport.h"
#include "ui/dpi/VuDpiManager.h"

namespace {

const char kProductDir[] = "Program Files/Vantrell";
const char16_t kHiddenClass[] = u"nuvotray_hiddenDpiAwarenessWindow";

class DpiManagerTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    SimResetDpiAwareness();
    RunAs(u"nuvotray.exe");
  }
  void TearDown() override {
    manager_.reset();
    SimResetDpiAwareness();
    SimHost::SetModulePath(u"");
    MachineTest::TearDown();
  }

  void RunAs(const std::u16string& program) {
    SimHost::SetModulePath(u"C:\\Program Files\\Vantrell\\" + program);
  }
  void WriteSettings(const std::string& lines) {
    const std::string dir = Real(std::string(kProductDir) + "/ressrc/chs");
    ASSERT_EQ(RunCommand({"/bin/mkdir", "-p", dir}).exit_code, 0);
    ASSERT_TRUE(WriteTextFile(dir + "/dpisetting.ini", "[basesetting]\r\n" + lines));
  }
  void SetDpiAware(const std::string& type, const std::string& data) {
    ASSERT_EQ(RunCommand({kSimhostPath, "reg", MachineDir(), "set",
                          "HKLM\\Software\\Vantrell\\Sentinor\\PexorReport", "DpiAware", type,
                          data, "--view", "32"})
                  .exit_code,
              0);
  }
  void SetFact(const std::string& name, const std::string& value) {
    ASSERT_EQ(RunCommand({kSimhostPath, "fact", MachineDir(), name, value}).exit_code, 0);
  }
  // Scaling switched on and allowed, on a screen of dpi.
  void Enable(int dpi, const std::string& more_settings = "") {
    WriteSettings("switch=1\r\n" + more_settings);
    SetDpiAware("REG_DWORD", "1");
    SetFact("dpi", std::to_string(dpi));
  }
  VuDpiManager& Manager() {
    if (!manager_) manager_ = std::make_unique<VuDpiManager>();
    return *manager_;
  }
  // Another process start: a new manager, awareness never set.
  void Restart() {
    manager_.reset();
    SimResetDpiAwareness();
  }
  bool ThreadIsAware() {
    HMODULE user32 = LoadSystemLibrary(u"user32.dll");
    auto get = reinterpret_cast<GetThreadDpiAwarenessContextFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    auto equal = reinterpret_cast<AreDpiAwarenessContextsEqualFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "AreDpiAwarenessContextsEqual")));
    bool aware = !equal(get(), DPI_AWARENESS_CONTEXT_UNAWARE);
    FreeLibrary(user32);
    return aware;
  }

  std::unique_ptr<VuDpiManager> manager_;
};

TEST_F(DpiManagerTest, ScaleFollowsTheScreenThroughTheDefaultRates) {
  const struct {
    int dpi;
    float scale;
    int scaled_ten;
  } cases[] = {{96, 1.0f, 10}, {120, 1.2f, 12}, {144, 1.5f, 15}, {192, 1.5f, 15}, {72, 1.0f, 10}};
  for (const auto& c : cases) {
    Restart();
    Enable(c.dpi);
    EXPECT_TRUE(Manager().IsEnabled()) << c.dpi;
    EXPECT_EQ(Manager().GetDpi(), c.dpi);
    EXPECT_FLOAT_EQ(Manager().GetScale(), c.scale) << c.dpi;
    EXPECT_EQ(Manager().Scale(10), c.scaled_ten) << c.dpi;
  }
  std::vector<float> rates = Manager().GetSupportedRates();
  ASSERT_EQ(rates.size(), 3u);
  EXPECT_FLOAT_EQ(rates[1], 1.2f);
}

TEST_F(DpiManagerTest, RatesAreScannedFromTheEnd) {
  Enable(144, "supportrate=1.5|1.2\r\n");
  EXPECT_FLOAT_EQ(Manager().GetScale(), 1.2f);
  Restart();
  Enable(144, "supportrate=0.8|1.0|1.25|2.0\r\n");
  EXPECT_FLOAT_EQ(Manager().GetScale(), 1.25f);
  Restart();
  Enable(192, "supportrate=0.5\r\n");  // below 1.0 is never used
  EXPECT_FLOAT_EQ(Manager().GetScale(), 1.0f);
}

TEST_F(DpiManagerTest, ScaleTruncatesAndOnlyWhenEnabled) {
  Enable(120);
  EXPECT_EQ(Manager().Scale(7), 8);    // 8.4
  EXPECT_EQ(Manager().Scale(-7), -8);  // toward zero
  EXPECT_EQ(Manager().Scale(0), 0);
  Restart();
  WriteSettings("switch=0\r\n");
  EXPECT_FALSE(Manager().IsEnabled());
  EXPECT_EQ(Manager().Scale(7), 7);
}

TEST_F(DpiManagerTest, DebugModeForcesItsDpiInSupportedProcessesOnly) {
  WriteSettings("switch=0\r\ndebug=1\r\ndebugdpi=144\r\n");
  EXPECT_TRUE(Manager().IsEnabled());
  EXPECT_EQ(Manager().GetDpi(), 144);
  EXPECT_FLOAT_EQ(Manager().GetScale(), 1.5f);
  EXPECT_EQ(Manager().Scale(100), 150);
  EXPECT_NE(FindWindowW(kHiddenClass, nullptr), nullptr);

  Restart();
  RunAs(u"helper.exe");
  EXPECT_TRUE(Manager().IsEnabled());
  EXPECT_EQ(Manager().GetDpi(), 96);
  EXPECT_FLOAT_EQ(Manager().GetScale(), 1.0f);
  EXPECT_EQ(FindWindowW(u"helper_hiddenDpiAwarenessWindow", nullptr), nullptr);
}

TEST_F(DpiManagerTest, EnablingNeedsTheSwitchAndTheRegistryValue) {
  SetFact("dpi", "144");
  // No settings file: the switch is off by default.
  SetDpiAware("REG_DWORD", "1");
  EXPECT_FALSE(Manager().IsEnabled());

  Restart();
  ASSERT_EQ(RunCommand({kSimhostPath, "reg", MachineDir(), "delete",
                        "HKLM\\Software\\Vantrell\\Sentinor\\PexorReport", "--view", "32"})
                .exit_code,
            0);
  WriteSettings("switch=1\r\n");
  EXPECT_FALSE(Manager().IsEnabled());  // no key

  Restart();
  SetDpiAware("REG_DWORD", "0");
  EXPECT_FALSE(Manager().IsEnabled());

  Restart();
  SetDpiAware("REG_DWORD", "1");
  EXPECT_TRUE(Manager().IsEnabled());
  EXPECT_EQ(Manager().GetDpi(), 144);

  // The value in the 64-bit view is not the one a 32-bit program reads.
  Restart();
  SetDpiAware("REG_DWORD", "0");
  ASSERT_EQ(RunCommand({kSimhostPath, "reg", MachineDir(), "set",
                        "HKLM\\Software\\Vantrell\\Sentinor\\PexorReport", "DpiAware", "REG_DWORD",
                        "1", "--view", "64"})
                .exit_code,
            0);
  EXPECT_FALSE(Manager().IsEnabled());
}

TEST_F(DpiManagerTest, EnablingNeedsTheCallsOfTheMode) {
  SetDpiAware("REG_DWORD", "1");
  const struct {
    const char* mode;
    const char* missing;
    bool enabled;
  } cases[] = {
      {"2", "user32.dll!SetThreadDpiAwarenessContext", false},
      {"2", "user32.dll!SetProcessDpiAwarenessContext,user32.dll!SetProcessDPIAware", true},
      {"1", "user32.dll!SetThreadDpiAwarenessContext", true},
      {"1", "user32.dll!SetProcessDpiAwarenessContext", true},
      {"1", "user32.dll!SetProcessDpiAwarenessContext,user32.dll!SetProcessDPIAware", false},
      {"3", "user32.dll!SetThreadDpiAwarenessContext", true},
      {"3",
       "user32.dll!SetProcessDpiAwarenessContext,user32.dll!SetProcessDPIAware,"
       "user32.dll!SetThreadDpiAwarenessContext",
       false},
  };
  for (const auto& c : cases) {
    Restart();
    WriteSettings(std::string("switch=1\r\nmode=") + c.mode + "\r\n");
    SetFact("missing_entry_points", c.missing);
    EXPECT_EQ(Manager().IsEnabled(), c.enabled) << "mode " << c.mode << " without " << c.missing;
  }
  Restart();
  SetFact("missing_entry_points", "");
  SetFact("missing_libraries", "user32.dll");
  WriteSettings("switch=1\r\n");
  EXPECT_FALSE(Manager().IsEnabled());
}

TEST_F(DpiManagerTest, ModeTwoMakesOnlyTheHiddenWindowAware) {
  Enable(144);
  EXPECT_EQ(Manager().GetDpi(), 144);
  EXPECT_FALSE(ThreadIsAware());  // restored after the window was made

  DPI_AWARENESS_CONTEXT previous = Manager().EnterThreadContext();
  ASSERT_NE(previous, nullptr);
  EXPECT_TRUE(ThreadIsAware());
  Manager().LeaveThreadContext(previous);
  EXPECT_FALSE(ThreadIsAware());

  // Scaling off: the thread is left alone and the window is scaled by the system.
  Restart();
  WriteSettings("switch=0\r\n");
  EXPECT_EQ(Manager().EnterThreadContext(), nullptr);
  EXPECT_FALSE(ThreadIsAware());
  EXPECT_EQ(Manager().GetDpi(), 96);
}

TEST_F(DpiManagerTest, ModeOneMakesTheProcessAware) {
  Enable(144, "mode=1\r\n");
  EXPECT_EQ(Manager().GetDpi(), 144);
  EXPECT_TRUE(ThreadIsAware());
  EXPECT_EQ(Manager().EnterThreadContext(), nullptr);

  // Without GetDpiForWindow the display context tells the DPI.
  Restart();
  Enable(144, "mode=1\r\n");
  SetFact("missing_entry_points", "user32.dll!GetDpiForWindow,user32.dll!SetProcessDpiAwarenessContext");
  EXPECT_EQ(Manager().GetDpi(), 144);
  EXPECT_TRUE(ThreadIsAware());  // through SetProcessDPIAware

  // ... which mode 2 does not ask.
  Restart();
  Enable(144, "mode=2\r\n");
  SetFact("missing_entry_points", "user32.dll!GetDpiForWindow");
  EXPECT_TRUE(Manager().IsEnabled());
  EXPECT_EQ(Manager().GetDpi(), 96);
}

TEST_F(DpiManagerTest, SupportedProcessesMatchAsCaseSensitiveSubstrings) {
  const struct {
    const char16_t* program;
    const char* list;
    bool supported;
  } cases[] = {
      {u"nuvotray.exe", nullptr, true},  // the default list
      {u"tray.exe", nullptr, true},
      {u"NuvoTray.exe", nullptr, false},
      {u"other.exe", "abc|other2|x", true},
      {u"other.exe", "OTHER", false},
      {u"nuvotray.exe", "", false},  // an empty list in the file names nobody
  };
  for (const auto& c : cases) {
    Restart();
    RunAs(c.program);
    WriteSettings(std::string("debug=1\r\ndebugdpi=120\r\n") +
                  (c.list ? std::string("supportprocess=") + c.list + "\r\n" : ""));
    EXPECT_EQ(Manager().GetDpi(), c.supported ? 120 : 96);
  }
}

TEST_F(DpiManagerTest, HiddenWindowIsMadeOnce) {
  Enable(144);
  EXPECT_EQ(Manager().GetDpi(), 144);
  HWND first = FindWindowW(kHiddenClass, nullptr);
  ASSERT_NE(first, nullptr);
  DWORD pid = 0;
  GetWindowThreadProcessId(first, &pid);
  EXPECT_EQ(pid, GetCurrentProcessId());

  // A second instance finds it, makes none and measures that one.
  VuDpiManager second;
  EXPECT_EQ(second.GetDpi(), 144);
  manager_.reset();
  EXPECT_EQ(FindWindowW(kHiddenClass, nullptr), nullptr);
}

TEST_F(DpiManagerTest, HiddenWindowOfAnotherProcessStandsForTheScreen) {
  Enable(192);
  ChildProcess other;
  ASSERT_TRUE(StartInMachine(&other, InstallHelper(u"C:\\Other", "nuvotray.exe"),
                             {"dpi-aware", "window", "nuvotray_hiddenDpiAwarenessWindow"}));
  ASSERT_EQ(other.ReadLine(), "ready");
  HWND theirs = FindWindowW(kHiddenClass, nullptr);
  ASSERT_NE(theirs, nullptr);
  EXPECT_EQ(Manager().GetDpi(), 192);
  EXPECT_FLOAT_EQ(Manager().GetScale(), 1.5f);
  EXPECT_EQ(FindWindowW(kHiddenClass, nullptr), theirs);  // still the only one
}

TEST_F(DpiManagerTest, DpiImagesAreChosenByDistanceThenSize) {
  const std::vector<float> rates = {1.0f, 1.25f, 1.5f, 1.75f, 2.0f};
  const std::u16string dir = u"D:\\img";
  auto choose = [&](float scale, std::vector<std::u16string> existing, std::u16string* path) {
    float image_scale = 0.0f;
    bool found = VuDpiManager::ChooseDpiImage(
        dir, 3, u"png", u"btn", scale, rates,
        [&](const std::u16string& p) {
          for (const auto& e : existing)
            if (e == p) return true;
          return false;
        },
        path, &image_scale);
    return found ? image_scale : 0.0f;
  };
  const std::u16string at125 = u"D:\\img\\1.2\\btn\\3_1.2.png";  // "%.1f" of 1.25
  const std::u16string at15 = u"D:\\img\\1.5\\btn\\3_1.5.png";
  const std::u16string at175 = u"D:\\img\\1.8\\btn\\3_1.8.png";
  const std::u16string at20 = u"D:\\img\\2.0\\btn\\3_2.0.png";
  EXPECT_EQ(VuDpiManager::DpiImagePath(dir, 3, u"png", u"btn", 1.5f), at15);

  std::u16string path;
  EXPECT_FLOAT_EQ(choose(1.5f, {at15, at20}, &path), 1.5f);
  EXPECT_EQ(path, at15);
  EXPECT_EQ(choose(1.0f, {u"D:\\img\\1.0\\btn\\3_1.0.png", at15}, &path), 0.0f);
  // Equally near: the larger.
  EXPECT_FLOAT_EQ(choose(1.5f, {at125, at175}, &path), 1.75f);
  EXPECT_EQ(path, at175);
  EXPECT_FLOAT_EQ(choose(1.5f, {at125, at20}, &path), 1.25f);
  // Farther from the scale than the normal image is: none.
  EXPECT_FLOAT_EQ(choose(1.5f, {at20}, &path), 2.0f);  // 0.5 <= 0.5
  EXPECT_EQ(choose(1.25f, {at175}, &path), 0.0f);
  EXPECT_EQ(choose(1.25f, {}, &path), 0.0f);
}

TEST_F(DpiManagerTest, DpiImagesAreRealFilesBesideTheProgram) {
  Enable(144, "supportrate=1.0|1.5|2.0\r\n");
  const std::string image_dir = Real(std::string(kProductDir) + "/ressrc/chs/dpiimg/2.0/skin");
  ASSERT_EQ(RunCommand({"/bin/mkdir", "-p", image_dir}).exit_code, 0);
  ASSERT_TRUE(WriteTextFile(image_dir + "/7_2.0.png", "png"));
  std::u16string path;
  float image_scale = 0.0f;
  ASSERT_TRUE(Manager().GetDpiImage(7, u"png", u"skin", 1.5f, &path, &image_scale));
  EXPECT_EQ(path, u"C:\\Program Files\\Vantrell\\ressrc\\chs\\dpiimg\\2.0\\skin\\7_2.0.png");
  EXPECT_FLOAT_EQ(image_scale, 2.0f);
  // A folder of the name is no image.
  ASSERT_EQ(RunCommand({"/bin/mkdir", "-p", image_dir + "/8_2.0.png"}).exit_code, 0);
  EXPECT_FALSE(Manager().GetDpiImage(8, u"png", u"skin", 1.5f, &path, &image_scale));
}

}  // namespace
