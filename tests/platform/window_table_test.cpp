// Creating and destroying windows, their long values and relations, and
// closing them the ways Windows does.
#include "platform/window_geometry.h"
#include "platform/sim/windows/SimWindows.h"
#include "tests/platform/WindowTestSupport.h"

namespace {

using WindowTableTest = WindowTest;

TEST_F(WindowTableTest, CreationPassesTheCreateStructAndCanBeRefused) {
  CREATESTRUCTW seen = {};
  int param = 7;
  Handler() = [&](HWND, UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
    if (message == WM_CREATE) seen = *reinterpret_cast<CREATESTRUCTW*>(lparam);
    return std::nullopt;
  };
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = RecordingWindowProc;
  wc.lpszClassName = u"CreateStructClass";
  ASSERT_NE(RegisterClassExW(&wc), 0);
  HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, u"CreateStructClass", u"Title", WS_POPUP, 10, 20,
                              300, 200, nullptr, nullptr, nullptr, &param);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(seen.lpCreateParams, &param);
  EXPECT_EQ(seen.x, 10);
  EXPECT_EQ(seen.cy, 200);
  EXPECT_EQ(static_cast<DWORD>(seen.style), static_cast<DWORD>(WS_POPUP));
  EXPECT_EQ(seen.dwExStyle, static_cast<DWORD>(WS_EX_TOOLWINDOW));
  EXPECT_EQ(std::u16string(seen.lpszName), u"Title");
  // A popup is not asked for its limits: only overlapped and sizable windows are.
  EXPECT_EQ(Messages(hwnd), (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE}));
  DestroyWindow(hwnd);

  // -1 from WM_CREATE refuses the window: it is destroyed and never returned.
  SeenMessages().clear();
  Handler() = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_CREATE) return -1;
    return std::nullopt;
  };
  EXPECT_EQ(CreateWindowExW(0, u"CreateStructClass", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                            nullptr, nullptr),
            nullptr);
  ASSERT_GE(SeenMessages().size(), 2u);
  EXPECT_EQ(SeenMessages()[SeenMessages().size() - 2].message, static_cast<UINT>(WM_DESTROY));
  EXPECT_EQ(SeenMessages().back().message, static_cast<UINT>(WM_NCDESTROY));
  // So does FALSE from WM_NCCREATE, before WM_CREATE.
  SeenMessages().clear();
  Handler() = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_NCCREATE) return FALSE;
    return std::nullopt;
  };
  EXPECT_EQ(CreateWindowExW(0, u"CreateStructClass", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                            nullptr, nullptr),
            nullptr);
  EXPECT_EQ(Messages(nullptr, {WM_CREATE}).size(), 0u);
  Handler() = nullptr;
  EXPECT_TRUE(UnregisterClassW(u"CreateStructClass", nullptr));
}

TEST_F(WindowTableTest, LongValuesFollowWindowsRules) {
  HWND hwnd = Make(WS_POPUP, RECT{0, 0, 100, 100});
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)), static_cast<DWORD>(WS_POPUP));
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), 0);
  EXPECT_EQ(SetWindowLongPtrW(hwnd, GWLP_USERDATA, 1234), 0);
  EXPECT_EQ(SetWindowLongPtrW(hwnd, GWLP_USERDATA, 99), 1234);
  EXPECT_EQ(GetWindowLongW(hwnd, GWL_USERDATA), 99);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)), RecordingWindowProc);

  // A style change is announced before and after.
  SeenMessages().clear();
  SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_BORDER));
  EXPECT_EQ(Messages(hwnd), (std::vector<UINT>{WM_STYLECHANGING, WM_STYLECHANGED}));
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)),
            static_cast<DWORD>(WS_POPUP | WS_BORDER));

  // No extra bytes were asked for: every index is out of range.
  EXPECT_EQ(GetWindowLongW(hwnd, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  EXPECT_EQ(GetWindowLongW(nullptr, GWL_STYLE), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));

  // Subclassing: the new procedure sees the messages, the old one is returned.
  static int subclassed = 0;
  WNDPROC old = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      hwnd, GWLP_WNDPROC,
      reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_USER) ++subclassed;
        return DefWindowProcW(h, m, w, l);
      })));
  EXPECT_EQ(old, RecordingWindowProc);
  SendMessageW(hwnd, WM_USER, 0, 0);
  EXPECT_EQ(subclassed, 1);
}

TEST_F(WindowTableTest, ParentOwnerAndChildrenAreKeptApart) {
  HWND owner = Make(WS_OVERLAPPEDWINDOW, RECT{0, 0, 400, 300});
  HWND child = Make(WS_CHILD, RECT{10, 10, 50, 50}, owner);
  HWND popup = Make(WS_POPUP, RECT{0, 0, 100, 100}, child);  // owned by the child's root
  HWND overlapped = Make(WS_OVERLAPPED, RECT{0, 0, 100, 100}, owner);
  ASSERT_TRUE(owner && child && popup && overlapped);
  EXPECT_EQ(GetParent(child), owner);
  EXPECT_EQ(GetWindow(child, GW_OWNER), nullptr);
  EXPECT_EQ(GetWindow(popup, GW_OWNER), owner);
  EXPECT_EQ(GetParent(popup), owner);         // a popup's parent is its owner
  EXPECT_EQ(GetParent(overlapped), nullptr);  // an overlapped window has none
  EXPECT_EQ(GetWindow(overlapped, GW_OWNER), owner);
  EXPECT_EQ(GetWindow(owner, GW_CHILD), child);
  EXPECT_TRUE(IsChild(owner, child));
  EXPECT_FALSE(IsChild(owner, popup));
  EXPECT_EQ(GetAncestor(child, GA_ROOT), owner);
  // Children are not top-level: other processes cannot find them.
  EXPECT_EQ(CreateWindowExW(0, u"TestWindowA", u"", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr,
                            nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TLW_WITH_WSCHILD));
}

TEST_F(WindowTableTest, DestructionGoesTopDownThenBottomUpWithOwnedWindowsFirst) {
  HWND parent = Make(WS_POPUP, RECT{0, 0, 400, 300});
  HWND child = Make(WS_CHILD, RECT{0, 0, 100, 100}, parent);
  HWND grandchild = Make(WS_CHILD, RECT{0, 0, 10, 10}, child);
  HWND owned = Make(WS_POPUP, RECT{0, 0, 10, 10}, parent);
  ASSERT_TRUE(parent && child && grandchild && owned);
  SeenMessages().clear();
  EXPECT_TRUE(DestroyWindow(parent));
  std::vector<std::pair<HWND, UINT>> order;
  for (const Seen& seen : SeenMessages())
    if (seen.message == WM_DESTROY || seen.message == WM_NCDESTROY)
      order.push_back({seen.hwnd, seen.message});
  std::vector<std::pair<HWND, UINT>> expected = {
      {owned, WM_DESTROY},      {owned, WM_NCDESTROY},     {parent, WM_DESTROY},
      {child, WM_DESTROY},      {grandchild, WM_DESTROY},  {grandchild, WM_NCDESTROY},
      {child, WM_NCDESTROY},    {parent, WM_NCDESTROY}};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(SeenMessages().back().message, static_cast<UINT>(WM_NCDESTROY));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(IsWindow(grandchild));
  EXPECT_FALSE(IsWindow(owned));
}

TEST_F(WindowTableTest, WindowManagerCloseBecomesSysCommandThenCloseThenDestroy) {
  HWND hwnd = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 500, 400});
  ASSERT_NE(hwnd, nullptr);
  SeenMessages().clear();
  SimInput close;
  close.kind = SimInputKind::kClose;
  ASSERT_TRUE(SimInjectInput(hwnd, close));
  Pump();
  auto seen = Messages(hwnd, {WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY, WM_NCDESTROY});
  EXPECT_EQ(seen, (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
  const Seen* command = Last(WM_SYSCOMMAND);
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->wparam & 0xFFF0, static_cast<WPARAM>(SC_CLOSE));
  EXPECT_EQ(SeenMessages().back().message, static_cast<UINT>(WM_NCDESTROY));
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowTableTest, ANewTitleIsWhatOthersFindButMessageOnlyWindowsStayHidden) {
  HWND hwnd = Make(WS_POPUP, RECT{0, 0, 10, 10});
  ASSERT_TRUE(SetWindowTextW(hwnd, u"Renamed"));
  EXPECT_EQ(FindWindowW(nullptr, u"Renamed"), hwnd);
  EXPECT_EQ(FindWindowW(nullptr, u"test"), nullptr);
  char16_t title[4];
  EXPECT_EQ(GetWindowTextW(hwnd, title, 4), 3);  // cut to fit, with its NUL
  EXPECT_EQ(std::u16string(title), u"Ren");
  EXPECT_EQ(GetWindowTextLengthW(hwnd), 7);

  HWND message_only = CreateWindowExW(0, u"TestWindowA", u"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, nullptr, nullptr);
  ASSERT_NE(message_only, nullptr);
  SetWindowTextW(message_only, u"Hidden");
  EXPECT_EQ(FindWindowW(nullptr, u"Hidden"), nullptr);
  DestroyWindow(message_only);

  // An owned popup (a dialog over its owner) is a top-level window: found,
  // while a child window is not.
  HWND owned = CreateWindowExW(0, u"TestWindowA", u"Owned", WS_POPUP, 0, 0, 10, 10, hwnd, nullptr,
                               nullptr, nullptr);
  HWND child = CreateWindowExW(0, u"TestWindowA", u"Child", WS_CHILD, 0, 0, 5, 5, hwnd, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(owned, nullptr);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), hwnd);
  EXPECT_EQ(FindWindowW(nullptr, u"Owned"), owned);
  EXPECT_EQ(FindWindowW(nullptr, u"Child"), nullptr);
}

TEST_F(WindowTableTest, IconsAreKeptPerSizeAndTheOldOneReturned) {
  HWND hwnd = Make(WS_POPUP, RECT{0, 0, 10, 10});
  HICON big = reinterpret_cast<HICON>(0x1234), small = reinterpret_cast<HICON>(0x5678);
  EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big)), 0);
  EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small)), 0);
  EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(big));
  EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(small));
}

TEST_F(WindowTableTest, AWindowThatHandlesCloseItselfStays) {
  HWND hwnd = Make(WS_OVERLAPPEDWINDOW, RECT{0, 0, 200, 200});
  Handler() = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_CLOSE) return 0;  // asks the user instead, say
    return std::nullopt;
  };
  SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(Messages(hwnd, {WM_DESTROY}).size(), 0u);
}

}  // namespace
