// The tool-tip control of the simulated host ("tooltips_class32"): a small
// top-level popup, owned by the tools' window, that shows a tool's text
// below the mouse once the mouse has rested a moment, and hides on a press,
// on leaving, on TTM_POP and after a while. The owner relays its mouse
// messages (TTM_RELAYEVENT); tracking tools are shown where they are told.
#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/tooltips.h"
#include "platform/user_interface.h"
#include "platform/window_input.h"
#include "platform/window_paint.h"
#include "platform/window_surface.h"
#include "platform/sim/windows/SimWindows.h"

namespace {

constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kPopTimer = 2;
constexpr int kPadding = 4;
constexpr int kCursorGap = 20;  // below the arrow cursor's tip

struct Tool {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT flags = 0;
  std::u16string text;
};

struct Tip {
  std::vector<Tool> tools;
  bool active = true;
  bool shown = false;
  UINT initial_ms = 500;
  UINT autopop_ms = 5000;
  int max_width = -1;
  POINT track = {};
  std::u16string showing;
};

std::recursive_mutex& TipsMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}
std::map<HWND, Tip>& Tips() {
  static std::map<HWND, Tip> tips;
  return tips;
}

ZFont TipFont() {
  ZFont font;
  font.height = -12;
  return font;
}

std::u16string TextOf(const TTTOOLINFOW* info) {
  // LPSTR_TEXTCALLBACK and resource ids are not text the host can show.
  const uintptr_t raw = reinterpret_cast<uintptr_t>(info->lpszText);
  if (!info->lpszText || raw < 0x10000 || raw == static_cast<uintptr_t>(-1)) return u"";
  return info->lpszText;
}

Tool* FindTool(Tip& tip, const TTTOOLINFOW* info) {
  for (Tool& tool : tip.tools)
    if (tool.hwnd == info->hwnd && tool.id == info->uId) return &tool;
  return nullptr;
}

// The text to show: the first tool with any (the view has one tool).
std::u16string CurrentText(const Tip& tip) {
  for (const Tool& tool : tip.tools)
    if (!tool.text.empty()) return tool.text;
  return u"";
}

void Hide(HWND window, Tip& tip) {
  KillTimer(window, kShowTimer);
  KillTimer(window, kPopTimer);
  if (tip.shown) ShowWindow(window, SW_HIDE);
  tip.shown = false;
}

// Shows text with its top-left corner at (x, y), sized to fit.
void ShowAt(HWND window, Tip& tip, const std::u16string& text, int x, int y) {
  ZCanvas measure;
  measure.Create(1, 1);
  const int limit = tip.max_width > 0 ? tip.max_width : 4096;
  ZRect r{0, 0, limit, 0};
  UINT format = DT_CALCRECT | DT_NOPREFIX | (tip.max_width > 0 ? DT_WORDBREAK : DT_SINGLELINE);
  measure.PaintText(text, &r, format, TipFont(), ZColor{0, 0, 0, 255});
  const int w = std::max(1, r.right) + 2 * kPadding, h = std::max(1, r.bottom) + 2 * kPadding;
  tip.showing = text;
  tip.shown = true;
  SetWindowPos(window, HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
}

void Paint(HWND window, const Tip& tip) {
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  ZCanvas canvas;
  if (canvas.Create(std::max<int>(1, client.right), std::max<int>(1, client.bottom))) {
    canvas.Clear(ZColor{255, 255, 225, 255});  // COLOR_INFOBK
    canvas.DrawRect(ZRect{0, 0, client.right, client.bottom}, 1, ZColor{118, 118, 118, 255});
    ZRect text{kPadding, kPadding, client.right - kPadding, client.bottom - kPadding};
    canvas.PaintText(tip.showing, &text, DT_NOPREFIX | (tip.max_width > 0 ? DT_WORDBREAK : DT_SINGLELINE),
                     TipFont(), ZColor{0, 0, 0, 255});
    PresentCanvas(window, canvas, 0, 0);
  }
  EndPaint(window, &paint);
}

LRESULT CALLBACK ToolTipProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  std::unique_lock<std::recursive_mutex> lock(TipsMutex());
  if (message == WM_NCCREATE) Tips()[window] = Tip{};
  auto found = Tips().find(window);
  if (found == Tips().end()) {
    lock.unlock();
    return DefWindowProcW(window, message, wparam, lparam);
  }
  Tip& tip = found->second;
  // The window calls below come back here on this thread (the lock is recursive).
  switch (message) {
    case TTM_ADDTOOLW: {
      const auto* info = reinterpret_cast<const TTTOOLINFOW*>(lparam);
      if (!info || info->cbSize < sizeof(TTTOOLINFOW) - sizeof(void*)) return FALSE;
      if (Tool* tool = FindTool(tip, info)) {
        tool->text = TextOf(info);
      } else {
        tip.tools.push_back(Tool{info->hwnd, info->uId, info->uFlags, TextOf(info)});
      }
      return TRUE;
    }
    case TTM_DELTOOLW: {
      const auto* info = reinterpret_cast<const TTTOOLINFOW*>(lparam);
      if (!info) return 0;
      tip.tools.erase(std::remove_if(tip.tools.begin(), tip.tools.end(),
                                     [&](const Tool& t) { return t.hwnd == info->hwnd && t.id == info->uId; }),
                      tip.tools.end());
      lock.unlock();
      SendMessageW(window, TTM_POP, 0, 0);
      return 0;
    }
    case TTM_UPDATETIPTEXTW: {
      const auto* info = reinterpret_cast<const TTTOOLINFOW*>(lparam);
      Tool* tool = info ? FindTool(tip, info) : nullptr;
      if (!tool) return 0;
      tool->text = TextOf(info);
      const std::u16string text = CurrentText(tip);
      if (tip.shown && text.empty()) {
        lock.unlock();
        SendMessageW(window, TTM_POP, 0, 0);
      } else if (tip.shown && text != tip.showing) {
        RECT r;
        GetWindowRect(window, &r);
        ShowAt(window, tip, text, r.left, r.top);
      }
      return 0;
    }
    case TTM_ACTIVATE:
      tip.active = wparam != 0;
      if (!tip.active) Hide(window, tip);
      return 0;
    case TTM_SETDELAYTIME: {
      const int ms = static_cast<short>(LOWORD(lparam));
      if (wparam == TTDT_INITIAL || wparam == TTDT_AUTOMATIC) tip.initial_ms = ms < 0 ? 500 : ms;
      if (wparam == TTDT_AUTOPOP || wparam == TTDT_AUTOMATIC) tip.autopop_ms = ms < 0 ? 5000 : ms * (wparam == TTDT_AUTOMATIC ? 10 : 1);
      return 0;
    }
    case TTM_SETMAXTIPWIDTH: {
      const int old = tip.max_width;
      tip.max_width = static_cast<int>(lparam);
      return old;
    }
    case TTM_POP:
      Hide(window, tip);
      return 0;
    case TTM_RELAYEVENT: {
      const MSG* msg = reinterpret_cast<const MSG*>(lparam);
      if (!msg) return 0;
      if (msg->message == WM_MOUSEMOVE) {
        if (tip.active && !tip.shown && !CurrentText(tip).empty())
          SetTimer(window, kShowTimer, std::max<UINT>(1, tip.initial_ms), nullptr);
      } else if (msg->message == WM_MOUSELEAVE ||
                 (msg->message >= WM_LBUTTONDOWN && msg->message <= WM_MOUSELAST)) {
        Hide(window, tip);
      }
      return 0;
    }
    case TTM_TRACKPOSITION:
      tip.track = POINT{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
      if (tip.shown) SetWindowPos(window, HWND_TOPMOST, tip.track.x, tip.track.y, 0, 0,
                                  SWP_NOSIZE | SWP_NOACTIVATE);
      return 0;
    case TTM_TRACKACTIVATE: {
      const auto* info = reinterpret_cast<const TTTOOLINFOW*>(lparam);
      Tool* tool = info ? FindTool(tip, info) : nullptr;
      if (wparam && tool && !tool->text.empty())
        ShowAt(window, tip, tool->text, tip.track.x, tip.track.y);
      else if (!wparam)
        Hide(window, tip);
      return 0;
    }
    case WM_TIMER:
      KillTimer(window, wparam);
      if (wparam == kShowTimer) {
        const std::u16string text = CurrentText(tip);
        POINT pt;
        if (!tip.active || text.empty() || !GetCursorPos(&pt)) return 0;
        ShowAt(window, tip, text, pt.x, pt.y + kCursorGap);
        if (tip.autopop_ms) SetTimer(window, kPopTimer, tip.autopop_ms, nullptr);
      } else if (wparam == kPopTimer) {
        Hide(window, tip);
      }
      return 0;
    case WM_PAINT: {
      const Tip copy = tip;
      lock.unlock();
      Paint(window, copy);
      return 0;
    }
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_NCDESTROY:
      Tips().erase(found);
      break;
  }
  lock.unlock();
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

void SimRegisterToolTipClass() {
  WNDCLASSEXW c = {};
  c.cbSize = sizeof(c);
  c.lpfnWndProc = ToolTipProc;
  c.lpszClassName = u"tooltips_class32";
  c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  RegisterClassExW(&c);  // already registered: nothing to do
}
