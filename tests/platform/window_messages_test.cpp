// Windows, the process's message queue, and posting to windows of other
// processes of the machine.
#include <sys/stat.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "platform/window_geometry.h"
#include "platform/window_messages.h"
#include "tests/support/SimTestSupport.h"

namespace {

struct Received {
  HWND hwnd;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};
std::vector<Received> g_received;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  g_received.push_back({hwnd, message, wparam, lparam});
  return message == WM_USER + 99 ? 42 : DefWindowProcW(hwnd, message, wparam, lparam);
}

class WindowMessagesTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    // The queue belongs to the process and outlives each test.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    g_received.clear();
  }
  void TearDown() override {
    for (HWND hwnd : windows_) DestroyWindow(hwnd);
    for (const auto& name : classes_) UnregisterClassW(name.c_str(), nullptr);
    MachineTest::TearDown();
  }
  HWND MakeWindow(const std::u16string& class_name, const std::u16string& title) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = class_name.c_str();
    if (RegisterClassExW(&wc)) classes_.push_back(class_name);
    HWND hwnd = CreateWindowExW(0, class_name.c_str(), title.c_str(), 0, 0, 0, 10, 10, nullptr,
                                nullptr, nullptr, nullptr);
    if (hwnd) windows_.push_back(hwnd);
    return hwnd;
  }
  // Starts the helper with a window; SIMPROC_LOG names log (a Windows path).
  void StartWindowHelper(ChildProcess* child, const std::vector<std::string>& args,
                         const std::string& log = "") {
    if (helper_.empty()) helper_ = InstallHelper(u"C:\\Tools", "simproc.exe");
    std::vector<std::string> env = {"SIMHOST_MACHINE=" + MachineDir()};
    if (!log.empty()) env.push_back("SIMPROC_LOG=" + log);
    ASSERT_TRUE(child->Start(helper_, args, env));
    ASSERT_EQ(child->ReadLine(), "ready");
  }

 private:
  std::vector<HWND> windows_;
  std::vector<std::u16string> classes_;
  std::string helper_;
};

TEST_F(WindowMessagesTest, ClassesAreRegisteredOncePerName) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = u"OnceClass";
  ATOM atom = RegisterClassExW(&wc);
  EXPECT_NE(atom, 0);
  wc.lpszClassName = u"ONCECLASS";
  EXPECT_EQ(RegisterClassExW(&wc), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
  EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                            nullptr),
            nullptr);

  HWND hwnd = CreateWindowExW(0, u"onceclass", u"t", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                              nullptr);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_FALSE(UnregisterClassW(u"OnceClass", nullptr));  // it still has a window
  EXPECT_TRUE(DestroyWindow(hwnd));
  EXPECT_TRUE(UnregisterClassW(u"OnceClass", nullptr));
  EXPECT_FALSE(UnregisterClassW(u"OnceClass", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_DOES_NOT_EXIST);
}

TEST_F(WindowMessagesTest, WindowLifetimeReachesItsProcedure) {
  HWND hwnd = MakeWindow(u"LifeClass", u"Life");
  ASSERT_NE(hwnd, nullptr);
  // An overlapped window is asked for its limits, then created as Windows does.
  ASSERT_EQ(g_received.size(), 4u);
  EXPECT_EQ(g_received[0].message, static_cast<UINT>(WM_GETMINMAXINFO));
  EXPECT_EQ(g_received[1].message, static_cast<UINT>(WM_NCCREATE));
  EXPECT_EQ(g_received[2].message, static_cast<UINT>(WM_NCCALCSIZE));
  EXPECT_EQ(g_received[3].message, static_cast<UINT>(WM_CREATE));
  EXPECT_TRUE(IsWindow(hwnd));
  DWORD pid = 0;
  EXPECT_EQ(GetWindowThreadProcessId(hwnd, &pid), GetCurrentThreadId());
  EXPECT_EQ(pid, GetCurrentProcessId());

  EXPECT_TRUE(DestroyWindow(hwnd));
  ASSERT_GE(g_received.size(), 2u);
  EXPECT_EQ(g_received[g_received.size() - 2].message, static_cast<UINT>(WM_DESTROY));
  EXPECT_EQ(g_received.back().message, static_cast<UINT>(WM_NCDESTROY));
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(FindWindowW(u"LifeClass", nullptr), nullptr);
  EXPECT_FALSE(PostMessageW(hwnd, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(DestroyWindow(hwnd));
}

TEST_F(WindowMessagesTest, FindWindowMatchesClassIgnoringCaseAndTitleExactly) {
  HWND first = MakeWindow(u"FindClass", u"Main Window");
  HWND other = MakeWindow(u"OtherClass", u"Main Window");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(other, nullptr);
  EXPECT_NE(first, other);
  EXPECT_EQ(FindWindowW(u"FINDCLASS", nullptr), first);
  EXPECT_EQ(FindWindowW(u"findclass", u"Main Window"), first);
  EXPECT_EQ(FindWindowW(u"FindClass", u"main window"), nullptr);
  EXPECT_NE(FindWindowW(nullptr, u"Main Window"), nullptr);
  EXPECT_EQ(FindWindowW(u"Find", nullptr), nullptr);
}

TEST_F(WindowMessagesTest, QueueHandsOutPostedMessagesInOrder) {
  HWND hwnd = MakeWindow(u"QueueClass", u"");
  g_received.clear();
  ASSERT_TRUE(PostMessageW(hwnd, WM_USER + 1, 1, -1));
  ASSERT_TRUE(PostMessageW(hwnd, WM_USER + 99, 2, 0));
  ASSERT_TRUE(PostMessageW(nullptr, WM_USER + 3, 3, 0));  // a message for the queue itself

  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 50, WM_USER + 100, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 99));
  EXPECT_EQ(DispatchMessageW(&msg), 42);

  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.hwnd, hwnd);
  EXPECT_EQ(msg.lParam, -1);
  DispatchMessageW(&msg);
  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));

  ASSERT_EQ(g_received.size(), 2u);
  EXPECT_EQ(g_received[0].message, static_cast<UINT>(WM_USER + 99));
  EXPECT_EQ(g_received[1].wparam, 1u);
}

TEST_F(WindowMessagesTest, QuitComesAfterPendingMessages) {
  HWND hwnd = MakeWindow(u"QuitClass", u"");
  PostQuitMessage(7);
  PostMessageW(hwnd, WM_USER, 0, 0);
  MSG msg;
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowMessagesTest, GetMessageWaitsForAPostFromAnotherThread) {
  HWND hwnd = MakeWindow(u"WaitClass", u"");
  std::thread poster([&] {
    Sleep(50);
    PostMessageW(hwnd, WM_USER + 5, 0, 0);
  });
  MSG msg;
  EXPECT_EQ(GetMessageW(&msg, hwnd, 0, 0), TRUE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
  poster.join();
}

TEST_F(WindowMessagesTest, OtherProcessWindowIsFoundAndReceivesPostedMessages) {
  ASSERT_EQ(mkdir(Real("Logs").c_str(), 0755), 0);
  ChildProcess helper;
  StartWindowHelper(&helper, {"window", "ProductMainWnd", "Product Title"}, "C:\\Logs\\msg.txt");

  HWND hwnd = FindWindowW(u"productmainwnd", nullptr);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(FindWindowW(u"ProductMainWnd", u"Product Title"), hwnd);
  EXPECT_EQ(FindWindowW(u"ProductMainWnd", u"Other Title"), nullptr);
  EXPECT_TRUE(IsWindow(hwnd));
  DWORD pid = 0;
  EXPECT_NE(GetWindowThreadProcessId(hwnd, &pid), 0u);
  EXPECT_EQ(pid, static_cast<DWORD>(helper.Pid()));

  ASSERT_TRUE(PostMessageW(hwnd, 0x0472, 7, -3));
  EXPECT_EQ(helper.ReadLine(), "1138 7 -3");
  // A burst larger than any socket backlog still arrives whole and in order.
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(PostMessageW(hwnd, WM_USER, i, 0));
  for (int i = 0; i < 300; ++i) ASSERT_EQ(helper.ReadLine(), "1024 " + std::to_string(i) + " 0");
  EXPECT_EQ(ReadTextFile(Real("Logs/msg.txt")).substr(0, 11), "1138 7 -3\r\n");

  helper.Kill(9);
  ASSERT_EQ(helper.Wait(), 128 + 9);
  EXPECT_EQ(FindWindowW(u"ProductMainWnd", nullptr), nullptr);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(PostMessageW(hwnd, 0x0472, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(GetWindowThreadProcessId(hwnd, &pid), 0u);
}

// Another process's window tells its show state, as it does on Windows.
TEST_F(WindowMessagesTest, OtherProcessWindowShowStateIsSeen) {
  ChildProcess hidden, minimized;
  StartWindowHelper(&hidden, {"window", "StateWndA", "A"});
  StartWindowHelper(&minimized, {"window", "StateWndB", "B", "show", "6"});  // SW_MINIMIZE
  HWND a = FindWindowW(u"StateWndA", nullptr);
  HWND b = FindWindowW(u"StateWndB", nullptr);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_FALSE(IsWindowVisible(a));
  EXPECT_FALSE(IsIconic(a));
  EXPECT_TRUE(IsWindowVisible(b));
  EXPECT_TRUE(IsIconic(b));
  minimized.Kill(9);
  minimized.Wait();
  EXPECT_FALSE(IsWindowVisible(b));
  EXPECT_FALSE(IsIconic(b));
}

TEST_F(WindowMessagesTest, HelperEndsOnItsQuitMessage) {
  ChildProcess helper;
  StartWindowHelper(&helper, {"window", "CloseMe", "quit-on", "16"});
  HWND hwnd = FindWindowW(u"CloseMe", u"");
  ASSERT_NE(hwnd, nullptr);
  EXPECT_FALSE(DestroyWindow(hwnd));  // another process's window
  ASSERT_TRUE(PostMessageW(hwnd, WM_CLOSE, 0, 0));
  EXPECT_EQ(helper.ReadLine(), "16 0 0");
  EXPECT_EQ(helper.Wait(), 0);
  EXPECT_EQ(FindWindowW(u"CloseMe", nullptr), nullptr);
}

}  // namespace
