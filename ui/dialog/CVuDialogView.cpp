#include "ui/dialog/CVuDialogView.h"

#include <algorithm>
#include <string>

#include "platform/kernel.h"
#include "platform/window_input.h"
#include "platform/window_surface.h"
#include "ui/core/VuHandleTable.h"
#include "ui/dialog/VuFramework.h"
#include "ui/dpi/VuDpiManager.h"
#include "ui/element/CVuContainerWnd.h"
#include "ui/skin/VuSkinPool.h"

namespace {

// SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW
constexpr UINT kSwpHideInPlace = 0x97;
constexpr DWORD kWsChild = 0x40000000;
constexpr DWORD kWsExLayered = 0x00080000;

RECT ToRect(const ZRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// Sets the pixels of rect (within the canvas) to pixel, whatever was there.
void ResetPixels(ZCanvas* dc, const ZRect& rect, uint32_t pixel) {
  const ZRect r = rect.ClampedTo(dc->Width(), dc->Height());
  uint32_t* pixels = dc->Pixels();
  if (!pixels || r.left >= r.right) return;
  for (int y = r.top; y < r.bottom; ++y)
    std::fill(pixels + static_cast<size_t>(y) * dc->Width() + r.left,
              pixels + static_cast<size_t>(y) * dc->Width() + r.right, pixel);
}

bool QuitPending() {
  MSG msg;
  return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

}  // namespace

CVuDialogView::CVuDialogView(int layout_id) : layout_id_(layout_id) {}

CVuDialogView::~CVuDialogView() {
  // Destroyed while this object's own message map still answers.
  DestroyImplWindow();
}

bool CVuDialogView::LoadLayout() { return layout_.LoadResource(layout_id_, hwnd_); }

DWORD CVuDialogView::GetWindowStyle() { return layout_.Attributes().style; }
DWORD CVuDialogView::GetWindowExStyle() { return layout_.Attributes().ex_style; }

bool CVuDialogView::IsLayered() {
  return hwnd_ ? (GetWindowLongW(hwnd_, GWL_EXSTYLE) & kWsExLayered) != 0
               : (GetWindowExStyle() & kWsExLayered) != 0;
}

bool CVuDialogView::WantsWindowRegion() {
  return hwnd_ && !layout_.Attributes().child && !IsLayered();
}

void CVuDialogView::ApplyWindowRegion() {
  if (!hwnd_) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  const int w = client.right, h = client.bottom;
  if (w <= 2 || h <= 2) return;
  // A 2 x 2 rounding takes exactly the four corner pixels.
  HRGN region = CreateRectRgn(1, 0, w - 1, h);
  HRGN middle = CreateRectRgn(0, 1, w, h - 1);
  CombineRgn(region, region, middle, RGN_OR);
  DeleteObject(middle);
  if (!SetWindowRgn(hwnd_, region, FALSE)) DeleteObject(region);
}

void CVuDialogView::DrawFrame(ZCanvas* dc) {
  const int w = dc->Width(), h = dc->Height();
  if (w < 8 || h < 8) return;
  const ZPoint points[9] = {{3, 0},         {w - 4, 0}, {w - 1, 3}, {w - 1, h - 4}, {w - 4, h - 1},
                            {3, h - 1},     {0, h - 4}, {0, 3},     {3, 0}};
  dc->DrawPolyline(points, 9, 1, ZColor{0, 0, 0, 110});
}

void CVuDialogView::OnPostPaint(ZCanvas*) {}

bool CVuDialogView::PreTranslateMessage(MSG*) { return false; }

void CVuDialogView::RunModalLoop() {
  MSG msg;
  while (!end_dialog_ && hwnd_ && IsWindow(hwnd_) && !QuitPending()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) continue;
    if (got == 0) {
      // Taken off the queue: put it back for the loop that owns it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (PreTranslateMessage(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

HWND CVuDialogView::Create(HWND owner, const RECT* rect) {
  if (!layout_.IsLoaded() && !LoadLayout()) return nullptr;
  DestroyImplWindow();
  const VuLayoutAttributes& a = layout_.Attributes();
  RECT r = rect ? *rect : RECT{0, 0, a.width, a.height};
  if (r.right - r.left < a.min_width) r.right = r.left + a.min_width;
  if (r.bottom - r.top < a.min_height) r.bottom = r.top + a.min_height;

  VuDpiManager* dpi = a.dpi_aware ? &VuDpiManager::Instance() : nullptr;
  DPI_AWARENESS_CONTEXT previous = dpi ? dpi->EnterThreadContext() : nullptr;
  end_dialog_ = false;
  HWND window = CreateImplWindow(kVuDialogWindowClass, owner, r, a.title, GetWindowStyle(),
                                 GetWindowExStyle());
  if (dpi) dpi->LeaveThreadContext(previous);
  if (!window) return nullptr;

  layout_.SetHostWindow(window);
  SendMessageW(window, kVuWmInitDialog, reinterpret_cast<WPARAM>(window), 0);
  if (!IsWindow(window)) return nullptr;
  RECT client;
  GetClientRect(window, &client);
  LayoutView(client.right, client.bottom);
  SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window, SW_SHOW);
  return window;
}

INT_PTR CVuDialogView::DoModal(HWND owner, const RECT* rect) {
  if (!owner) owner = VuFramework::CurrentModalDialog();
  if (!owner) owner = GetActiveWindow();
  // This view's own earlier window is about to go: it owns nothing.
  if (owner && owner == hwnd_) owner = nullptr;
  bool owner_disabled = false;
  if (owner && IsWindow(owner) && IsWindowEnabled(owner)) {
    EnableWindow(owner, FALSE);
    owner_disabled = true;
  }
  result_ = 0;
  HWND window = Create(owner, rect);
  if (!window) {
    if (owner_disabled) EnableWindow(owner, TRUE);
    return 0;
  }
  const HWND previous_modal = VuFramework::CurrentModalDialog();
  VuFramework::SetCurrentModalDialog(window);

  if (!rect) {
    // Centred on the owner, or on the work area without one.
    RECT outer{}, mine{};
    if (!owner || !GetWindowRect(owner, &outer)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &outer, 0);
    GetWindowRect(window, &mine);
    const int w = mine.right - mine.left, h = mine.bottom - mine.top;
    SetWindowPos(window, nullptr, outer.left + ((outer.right - outer.left) - w) / 2,
                 outer.top + ((outer.bottom - outer.top) - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
  ShowWindow(window, SW_SHOW);
  const HWND foreground = GetForegroundWindow();
  const DWORD foreground_thread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
  const DWORD own_thread = GetCurrentThreadId();
  const bool attach = foreground_thread && foreground_thread != own_thread;
  if (attach) AttachThreadInput(own_thread, foreground_thread, TRUE);
  SetForegroundWindow(window);
  if (attach) AttachThreadInput(own_thread, foreground_thread, FALSE);
  if (IsLayered()) SendMessageW(window, WM_PAINT, 0, 0);

  RunModalLoop();

  const bool was_active = IsWindow(window) && GetActiveWindow() == window;
  if (IsWindow(window)) {
    SetWindowPos(window, nullptr, 0, 0, 0, 0, kSwpHideInPlace);
    HideShadow();
  }
  if (owner_disabled && IsWindow(owner)) EnableWindow(owner, TRUE);
  if (was_active && owner && IsWindow(owner)) SetActiveWindow(owner);
  VuFramework::SetCurrentModalDialog(previous_modal);
  PostMessageW(nullptr, WM_NULL, 0, 0);
  return result_;
}

void CVuDialogView::EndDialog(INT_PTR result) {
  result_ = result;
  end_dialog_ = true;
  PostMessageW(nullptr, WM_NULL, 0, 0);
}

CVuWindow* CVuDialogView::FindItem(int id) const { return layout_.FindById(id); }

void CVuDialogView::InvalidateItem(const CVuWindow* element) {
  if (!hwnd_) return;
  const RECT r = ToRect(element->GetRect());
  InvalidateRect(hwnd_, &r, FALSE);
}

bool CVuDialogView::SetItemText(int id, const std::u16string& text) {
  CVuWindow* element = FindItem(id);
  if (!element) return false;
  const bool visible = element->IsVisible(true);
  if (visible) InvalidateItem(element);
  element->SetText(text);
  if (visible) InvalidateItem(element);
  return true;
}

bool CVuDialogView::SetItemAttribute(int id, const char* name, const char* value) {
  CVuWindow* element = FindItem(id);
  if (!element || !name || !value) return false;
  const bool visible = element->IsVisible(true);
  if (visible) InvalidateItem(element);
  const HRESULT applied = element->SetAttribute(name, value, false);
  // The element may have moved (a new "pos").
  if (element->IsVisible(true)) InvalidateItem(element);
  return applied != E_FAIL;
}

bool CVuDialogView::SetItemIntAttribute(int id, const char* name, int value) {
  return SetItemAttribute(id, name, std::to_string(value).c_str());
}

bool CVuDialogView::SetItemVisible(int id, bool visible) {
  CVuWindow* element = FindItem(id);
  if (!element) return false;
  InvalidateItem(element);
  element->Show(visible);
  InvalidateItem(element);
  return true;
}

void CVuDialogView::AddRealChildWindow(HWND child) {
  if (child && std::find(real_children_.begin(), real_children_.end(), child) == real_children_.end())
    real_children_.push_back(child);
}

void CVuDialogView::LayoutView(int cx, int cy) {
  layout_.Arrange(cx, cy);
  if (!hwnd_) return;
  InvalidateRect(hwnd_, nullptr, FALSE);
  // Real child windows keep their place and size; a forgotten one is dropped.
  real_children_.erase(std::remove_if(real_children_.begin(), real_children_.end(),
                                      [](HWND w) { return !IsWindow(w); }),
                       real_children_.end());
  for (HWND child : real_children_) {
    RECT r;
    GetWindowRect(child, &r);
    POINT origin{r.left, r.top};
    ScreenToClient(hwnd_, &origin);
    SetWindowPos(child, nullptr, origin.x, origin.y, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void CVuDialogView::PaintClient(ZCanvas* dc, int cx, int cy, const VuRegion* region) {
  std::lock_guard<std::recursive_mutex> guard(VuFramework::PaintLock());
  if (dc->Width() != cx || dc->Height() != cy) {
    if (!dc->Create(cx, cy)) return;
  }
  // Opaque white under an ordinary window, transparent under a layered one.
  const uint32_t background = IsLayered() ? 0u : 0xFFFFFFFFu;
  if (region) {
    for (const ZRect& r : *region) ResetPixels(dc, r, background);
    dc->PushClip(region->data(), region->size());
  } else {
    ResetPixels(dc, ZRect{0, 0, cx, cy}, background);
  }
  const std::string& frame = layout_.Attributes().frame;
  if (!frame.empty())
    if (CVuSkinBase* skin = VuSkinPool::Instance().Get(frame))
      skin->Draw(dc, ZRect{0, 0, cx, cy}, 0, 255);
  layout_.RedrawSections(dc, region);
  if (frame_border_ && !layout_.Attributes().child) DrawFrame(dc);
  DrawFocusMark(dc);
  OnPostPaint(dc);
  if (region) dc->PopClip();
}

void CVuDialogView::OnPaint() {
  PAINTSTRUCT paint;
  BeginPaint(hwnd_, &paint);
  RECT client;
  GetClientRect(hwnd_, &client);
  const bool layered = IsLayered();
  // A layered window's picture is whole every time.
  const bool whole = layered || canvas_.Width() != client.right || canvas_.Height() != client.bottom;
  VuRegion region{ZRect{paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right,
                        paint.rcPaint.bottom}};
  if (client.right > 0 && client.bottom > 0) {
    PaintClient(&canvas_, client.right, client.bottom, whole ? nullptr : &region);
    if (layered)
      PresentLayeredCanvas(hwnd_, canvas_, alpha_);
    else
      PresentCanvas(hwnd_, canvas_, 0, 0);
  }
  EndPaint(hwnd_, &paint);
  if (WantsWindowRegion() && (region_cx_ != client.right || region_cy_ != client.bottom)) {
    region_cx_ = client.right;
    region_cy_ = client.bottom;
    ApplyWindowRegion();
  }
  UpdateShadow();
}

bool CVuDialogView::ProcessWindowMessage(HWND, UINT message, WPARAM wparam, LPARAM lparam,
                                         LRESULT* result) {
  switch (message) {
    case WM_SIZE:
      LayoutView(LOWORD(lparam), HIWORD(lparam));
      *result = 0;
      return true;
    case WM_PAINT:
      OnPaint();
      *result = 0;
      return true;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_DESTROY:
      HideShadow();
      tooltip_.Destroy();
      hover_ = pushed_ = focus_ = 0;
      capture_ = tracking_ = focus_shown_ = false;
      return false;
  }
  if (OnRoutingMessage(message, wparam, lparam, result)) return true;
  if ((message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || message == WM_MOUSELEAVE ||
      (message >= WM_KEYFIRST && message <= WM_KEYLAST) || message == WM_SETCURSOR)
    return OnInputMessage(message, wparam, lparam, result);
  return false;
}
