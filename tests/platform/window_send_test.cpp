// Sending messages to windows of other processes of the machine.
#include <string>
#include <vector>

#include "tests/platform/WindowTestSupport.h"

namespace {

class WindowSendTest : public WindowTest {
 protected:
  // Starts simproc with a window of class CLASS and the given extra commands.
  HWND StartHelper(ChildProcess* child, const std::string& class_name,
                   const std::vector<std::string>& commands) {
    if (helper_.empty()) helper_ = InstallHelper(u"C:\\Tools", "simproc.exe");
    std::vector<std::string> args = {"window", class_name};
    args.insert(args.end(), commands.begin(), commands.end());
    if (!child->Start(helper_, args, {"SIMHOST_MACHINE=" + MachineDir()})) return nullptr;
    if (child->ReadLine() != "ready") return nullptr;
    std::u16string wide(class_name.begin(), class_name.end());
    return FindWindowW(wide.c_str(), nullptr);
  }

 private:
  std::string helper_;
};

TEST_F(WindowSendTest, TheSenderGetsTheOtherProcesssAnswer) {
  ChildProcess child;
  HWND remote = StartHelper(&child, "AnswerClass", {"answer", "100"});
  ASSERT_NE(remote, nullptr);
  EXPECT_EQ(SendMessageW(remote, WM_USER + 5, 23, 0), 123);
  EXPECT_EQ(child.ReadLine(), std::to_string(WM_USER + 5) + " 23 0");
  DWORD_PTR result = 0;
  EXPECT_NE(SendMessageTimeoutW(remote, WM_USER, 1, 0, SMTO_NORMAL, 5000, &result), 0);
  EXPECT_EQ(result, 101u);
}

TEST_F(WindowSendTest, WhileWaitingTheSenderHandlesMessagesSentToIt) {
  // The helper answers WM_USER+1 by sending WM_USER+2 back to our window.
  HWND mine = Make(WS_POPUP, RECT{0, 0, 10, 10});
  ASSERT_NE(mine, nullptr);
  Handler() = [](HWND, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_USER + 2) return static_cast<LRESULT>(wparam * 10);
    return std::nullopt;
  };
  ChildProcess child;
  HWND remote = StartHelper(&child, "CallBackClass", {"call-back", "TestWindowA"});
  ASSERT_NE(remote, nullptr);
  EXPECT_EQ(SendMessageW(remote, WM_USER + 1, 4, 0), 41);
  ASSERT_EQ(Messages(mine, {WM_USER + 2}).size(), 1u);
}

TEST_F(WindowSendTest, ADeadReceiverFailsTheSendInsteadOfHanging) {
  ChildProcess child;
  HWND remote = StartHelper(&child, "DyingClass", {"die-on", std::to_string(WM_USER + 9)});
  ASSERT_NE(remote, nullptr);
  SetLastError(0);
  EXPECT_EQ(SendMessageW(remote, WM_USER + 9, 0, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(child.Wait(), 3);
  EXPECT_FALSE(IsWindow(remote));
}

TEST_F(WindowSendTest, SendMessageTimeoutGivesUpOnABusyReceiver) {
  ChildProcess child;
  HWND remote = StartHelper(&child, "HangingClass", {"hang-on", std::to_string(WM_USER + 7)});
  ASSERT_NE(remote, nullptr);
  DWORD_PTR result = 99;
  EXPECT_EQ(SendMessageTimeoutW(remote, WM_USER + 7, 0, 0, SMTO_NORMAL, 100, &result), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_EQ(result, 99u);  // untouched on failure
  child.Kill();
  child.Wait();
}

TEST_F(WindowSendTest, CloseFromAnotherProcessDestroysTheWindow) {
  ChildProcess child;
  HWND remote = StartHelper(&child, "ClosingClass", {});
  ASSERT_NE(remote, nullptr);
  ASSERT_TRUE(PostMessageW(remote, WM_CLOSE, 0, 0));
  // The helper prints each message: WM_CLOSE, then what DefWindowProcW's
  // DestroyWindow sends.
  EXPECT_EQ(child.ReadLine(), std::to_string(WM_CLOSE) + " 0 0");
  EXPECT_EQ(child.ReadLine(), std::to_string(WM_DESTROY) + " 0 0");
  EXPECT_EQ(child.ReadLine(), std::to_string(WM_NCDESTROY) + " 0 0");
  for (int i = 0; i < 100 && IsWindow(remote); ++i) Sleep(10);
  EXPECT_FALSE(IsWindow(remote));
  EXPECT_EQ(FindWindowW(u"ClosingClass", nullptr), nullptr);
  // A sent close to a window that is gone fails at once.
  EXPECT_EQ(SendMessageW(remote, WM_CLOSE, 0, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace
