// DPI awareness as user32 has it: entry points found at run time (and missing
// where the machine says so), thread and process contexts, and the DPI each
// window sees, kept from its creation.
#include <gtest/gtest.h>

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

namespace {

class DpiAwarenessTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    SimResetDpiAwareness();
    user32_ = LoadSystemLibrary(u"user32.dll");
    ASSERT_NE(user32_, nullptr);
  }
  void TearDown() override {
    for (HWND window : windows_) DestroyWindow(window);
    UnregisterClassW(u"DpiTestClass", nullptr);
    SimResetDpiAwareness();
    if (user32_) FreeLibrary(user32_);
    MachineTest::TearDown();
  }
  template <class Fn>
  Fn Entry(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(user32_, name)));
  }
  void SetFact(const std::string& name, const std::string& value) {
    ASSERT_EQ(RunCommand({kSimhostPath, "fact", MachineDir(), name, value}).exit_code, 0);
  }
  HWND MakeWindow() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"DpiTestClass";
    RegisterClassExW(&wc);
    HWND window = CreateWindowExW(0, u"DpiTestClass", u"", WS_POPUPWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (window) windows_.push_back(window);
    return window;
  }

  HMODULE user32_ = nullptr;
  std::vector<HWND> windows_;
};

TEST_F(DpiAwarenessTest, EntryPointsAreThereUnlessTheMachineLacksThem) {
  for (const char* name : {"SetProcessDpiAwarenessContext", "SetProcessDPIAware",
                           "SetThreadDpiAwarenessContext", "GetDpiForWindow"})
    EXPECT_NE(GetProcAddress(user32_, name), nullptr) << name;

  // An older Windows: the newer calls are missing, Vista's is there.
  SetFact("missing_entry_points",
          "user32.dll!SetProcessDpiAwarenessContext, USER32!SetThreadDpiAwarenessContext,"
          "user32.dll!GetDpiForWindow");
  for (const char* name :
       {"SetProcessDpiAwarenessContext", "SetThreadDpiAwarenessContext", "GetDpiForWindow"}) {
    EXPECT_EQ(GetProcAddress(user32_, name), nullptr) << name;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  }
  EXPECT_NE(GetProcAddress(user32_, "SetProcessDPIAware"), nullptr);
  EXPECT_EQ(GetProcAddress(user32_, "setthreaddpiawarenesscontext"), nullptr);  // case counts
}

TEST_F(DpiAwarenessTest, ThreadContextReturnsThePreviousOneToRestore) {
  auto set_thread = Entry<SetThreadDpiAwarenessContextFn>("SetThreadDpiAwarenessContext");
  auto get_thread = Entry<GetThreadDpiAwarenessContextFn>("GetThreadDpiAwarenessContext");
  auto equal = Entry<AreDpiAwarenessContextsEqualFn>("AreDpiAwarenessContextsEqual");
  ASSERT_TRUE(set_thread && get_thread && equal);

  DPI_AWARENESS_CONTEXT previous = set_thread(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  ASSERT_NE(previous, nullptr);
  // A handle value, not the pseudo handle, yet the same awareness.
  EXPECT_NE(previous, DPI_AWARENESS_CONTEXT_UNAWARE);
  EXPECT_TRUE(equal(previous, DPI_AWARENESS_CONTEXT_UNAWARE));
  EXPECT_TRUE(equal(get_thread(), DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2));
  EXPECT_FALSE(equal(get_thread(), DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE));

  DPI_AWARENESS_CONTEXT aware = set_thread(previous);
  EXPECT_TRUE(equal(aware, DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2));
  EXPECT_EQ(get_thread(), previous);

  // An invalid context changes nothing.
  EXPECT_EQ(set_thread(reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<LONG_PTR>(-9))),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(get_thread(), previous);
}

TEST_F(DpiAwarenessTest, ProcessAwarenessIsSetOnce) {
  auto set_process = Entry<SetProcessDpiAwarenessContextFn>("SetProcessDpiAwarenessContext");
  auto set_aware = Entry<SetProcessDPIAwareFn>("SetProcessDPIAware");
  auto get_thread = Entry<GetThreadDpiAwarenessContextFn>("GetThreadDpiAwarenessContext");
  auto equal = Entry<AreDpiAwarenessContextsEqualFn>("AreDpiAwarenessContextsEqual");
  ASSERT_TRUE(set_process && set_aware && get_thread && equal);

  EXPECT_FALSE(set_process(reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<LONG_PTR>(7))));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(set_process(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2));
  EXPECT_TRUE(equal(get_thread(), DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2));
  EXPECT_FALSE(set_process(DPI_AWARENESS_CONTEXT_SYSTEM_AWARE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(set_aware());  // succeeds, changes nothing
  EXPECT_TRUE(equal(get_thread(), DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2));

  SimResetDpiAwareness();
  EXPECT_TRUE(set_aware());
  EXPECT_TRUE(equal(get_thread(), DPI_AWARENESS_CONTEXT_SYSTEM_AWARE));
  EXPECT_FALSE(set_process(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(DpiAwarenessTest, WindowKeepsTheAwarenessOfItsCreation) {
  SetFact("dpi", "144");
  auto set_thread = Entry<SetThreadDpiAwarenessContextFn>("SetThreadDpiAwarenessContext");
  auto dpi_for = Entry<GetDpiForWindowFn>("GetDpiForWindow");
  ASSERT_TRUE(set_thread && dpi_for);

  HWND unaware = MakeWindow();
  DPI_AWARENESS_CONTEXT previous = set_thread(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  HWND aware = MakeWindow();
  set_thread(previous);
  ASSERT_TRUE(unaware && aware);

  // The system scales an unaware window: it is told 96.
  EXPECT_EQ(dpi_for(unaware), 96u);
  EXPECT_EQ(dpi_for(aware), 144u);
  EXPECT_EQ(dpi_for(nullptr), 0u);
  HWND gone = aware;
  DestroyWindow(aware);
  windows_.pop_back();
  EXPECT_EQ(dpi_for(gone), 0u);

  // A display context shows the calling thread's view.
  HDC dc = GetDC(unaware);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
  previous = set_thread(DPI_AWARENESS_CONTEXT_SYSTEM_AWARE);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 144);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 144);
  set_thread(previous);
  EXPECT_EQ(ReleaseDC(unaware, dc), 1);
}

TEST_F(DpiAwarenessTest, ScreenDpiDefaultsTo96AndIgnoresNonsense) {
  EXPECT_EQ(SimScreenDpi(), 96u);
  SetFact("dpi", "120");
  EXPECT_EQ(SimScreenDpi(), 120u);
  SetFact("dpi", "lots");
  EXPECT_EQ(SimScreenDpi(), 96u);
  SetFact("dpi", "0");
  EXPECT_EQ(SimScreenDpi(), 96u);
}

TEST_F(DpiAwarenessTest, OtherProcessWindowsAnswerByTheirOwnAwareness) {
  SetFact("dpi", "192");
  auto dpi_for = Entry<GetDpiForWindowFn>("GetDpiForWindow");
  ASSERT_TRUE(dpi_for);
  ChildProcess plain, aware;
  ASSERT_TRUE(StartInMachine(&plain, InstallHelper(u"C:\\Tools", "plain.exe"),
                             {"window", "PlainDpiWnd"}));
  ASSERT_EQ(plain.ReadLine(), "ready");
  ASSERT_TRUE(StartInMachine(&aware, InstallHelper(u"C:\\Tools", "aware.exe"),
                             {"dpi-aware", "window", "AwareDpiWnd"}));
  ASSERT_EQ(aware.ReadLine(), "ready");

  HWND plain_window = FindWindowW(u"PlainDpiWnd", nullptr);
  HWND aware_window = FindWindowW(u"AwareDpiWnd", nullptr);
  ASSERT_TRUE(plain_window && aware_window);
  EXPECT_EQ(dpi_for(plain_window), 96u);
  EXPECT_EQ(dpi_for(aware_window), 192u);

  aware.Kill();
  aware.Wait();
  EXPECT_EQ(dpi_for(aware_window), 0u);
}

}  // namespace
