#include "ui/controls/container/CVuListWnd.h"

#include <algorithm>
#include <cstring>

#include "platform/window_input.h"
#include "ui/controls/container/CVuListItem.h"
#include "ui/controls/container/CVuWindowScollBar.h"
#include "ui/controls/container/VuContainerInput.h"
#include "ui/style/VuValueParsers.h"

namespace {

constexpr int kMaxStep = 1 << 16;
// A wheel notch.
constexpr int kWheelDelta = 120;

}  // namespace

const char* CVuListWnd::GetTag() const { return "listwnd"; }

HRESULT CVuListWnd::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuDialog::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "scrollclass") == 0) {
    scroll_class_ = value;
    return 1;
  }
  if (std::strcmp(name, "externline") == 0 || std::strcmp(name, "wheelmove") == 0) {
    const int parsed = VuParseInt(value);
    const bool wheel = name[0] == 'w';
    if (parsed < (wheel ? 1 : 0) || parsed > kMaxStep) return E_FAIL;
    (wheel ? wheel_move_ : extern_line_) = ScaleForDpi(parsed);
    return 1;
  }
  return E_FAIL;
}

bool CVuListWnd::Load(const ZXmlElement& element) {
  CVuDialog::Load(element);
  if (!ScrollBar()) {
    auto bar = std::make_unique<CVuWindowScollBar>();
    bar->SetParent(handle_);
    bar->SetHostWindow(host_);
    if (!scroll_class_.empty()) bar->SetAttribute("class", scroll_class_.c_str(), true);
    AppendChild(std::move(bar));
  }
  return true;
}

CVuWindowScollBar* CVuListWnd::ScrollBar() const {
  for (const auto& child : children_)
    if (auto* bar = dynamic_cast<CVuWindowScollBar*>(child.get())) return bar;
  return nullptr;
}

int CVuListWnd::GetItemCount() const {
  int count = 0;
  for (const auto& child : children_) count += dynamic_cast<CVuListItem*>(child.get()) != nullptr;
  return count;
}

CVuListItem* CVuListWnd::GetItem(int index) const {
  for (const auto& child : children_)
    if (auto* item = dynamic_cast<CVuListItem*>(child.get()))
      if (index-- == 0) return item;
  return nullptr;
}

CVuListItem* CVuListWnd::AppendItem(std::unique_ptr<CVuListItem> item) {
  if (!item) return nullptr;
  CVuListItem* raw = item.get();
  item->SetParent(handle_);
  item->SetHostWindow(host_);
  item->SetCreator(creator_);
  AppendChild(std::move(item));
  LayoutItems();
  VuInvalidateElement(*this);
  return raw;
}

bool CVuListWnd::RemoveItem(int index) {
  CVuListItem* item = GetItem(index);
  if (!item) return false;
  auto it = std::find_if(children_.begin(), children_.end(), [item](const auto& c) { return c.get() == item; });
  std::unique_ptr<CVuWindow> gone = std::move(*it);
  children_.erase(it);
  gone.reset();
  LayoutItems();
  VuInvalidateElement(*this);
  return true;
}

bool CVuListWnd::TakesRoom(const CVuWindow* child) const {
  const auto* item = dynamic_cast<const CVuListItem*>(child);
  return item && item->IsViewVisible() && item->IsVisible(false);
}

int CVuListWnd::GetContentHeight() const {
  int64_t total = extern_line_;
  for (const auto& child : children_)
    if (TakesRoom(child.get())) total += static_cast<const CVuListItem*>(child.get())->GetItemHeight();
  return VuSaturate(total);
}

void CVuListWnd::Layout(int x, int y, int cx, int cy) {
  PlaceSelf(x, y, cx, cy);
  LayoutItems();
}

void CVuListWnd::RepositionChild(CVuWindow*) { LayoutItems(); }

void CVuListWnd::LayoutItems() {
  const int view = VuRectHeight(rect_);
  const int content = GetContentHeight();
  offset_ = std::clamp(offset_, 0, std::max(content - view, 0));
  CVuWindowScollBar* bar = ScrollBar();
  int64_t width = VuRectWidth(rect_);
  if (bar) {
    bar->SetRange(content, view, offset_);
    const int bar_width = std::min<int>(bar->GetBarWidth(), static_cast<int>(width));
    bar->SetRect(ZRect{rect_.right - bar_width, rect_.top, rect_.right, rect_.bottom});
    if (bar->IsNeeded()) width -= bar_width;
  }
  int64_t top = int64_t{rect_.top} - offset_;
  for (const auto& child : children_) {
    auto* item = dynamic_cast<CVuListItem*>(child.get());
    if (!item) {
      if (child.get() != bar) CVuDialog::RepositionChild(child.get());
      continue;
    }
    const int height = item->GetItemHeight();
    item->Position(rect_.left, VuSaturate(top), static_cast<int>(width), height);
    if (TakesRoom(item)) top += height;
  }
}

void CVuListWnd::ScrollTo(int offset) {
  const int before = offset_;
  offset_ = offset;
  LayoutItems();
  if (offset_ != before) VuInvalidateElement(*this);
}

void CVuListWnd::ScrollBy(int delta) { ScrollTo(VuSaturate(int64_t{offset_} + delta)); }

bool CVuListWnd::EnsureVisible(int index) {
  CVuListItem* item = GetItem(index);
  if (!item || !TakesRoom(item)) return false;
  const ZRect r = item->GetRect();
  if (r.top < rect_.top) ScrollBy(r.top - rect_.top);
  else if (r.bottom > rect_.bottom) ScrollBy(std::min(r.bottom - rect_.bottom, r.top - rect_.top));
  return true;
}

VUHANDLE CVuListWnd::HitTest(int x, int y, int flag) {
  if (!VuRectHolds(rect_, x, y)) return 0;
  if (CVuWindowScollBar* bar = ScrollBar())
    if (VUHANDLE hit = bar->HitTest(x, y, flag)) return hit;
  for (const auto& child : children_) {
    if (!child->IsVisible(false) || child->IsTransparent()) continue;
    if (auto* item = dynamic_cast<CVuListItem*>(child.get()); item && !item->IsViewVisible()) continue;
    if (VUHANDLE hit = child->HitTest(x, y, flag)) return hit;
  }
  return handle_;
}

void CVuListWnd::Redraw(ZCanvas* dc, const VuRegion* clip) {
  if (!dc || !VuRegionTouches(clip, rect_) || !VuDrawableRect(rect_)) return;
  DrawBackground(dc);
  if (paint_hook_ && !paint_hook_->BeforePaint(this, dc)) return;
  CVuWindowScollBar* bar = ScrollBar();
  dc->PushClip(&rect_, 1);
  for (const auto& child : children_) {
    if (child.get() == bar || !child->IsVisible(false)) continue;
    if (auto* item = dynamic_cast<CVuListItem*>(child.get())) {
      const ZRect r = item->GetRect();
      if (!item->IsViewVisible() || r.bottom <= rect_.top || r.top >= rect_.bottom) continue;
    }
    child->Redraw(dc, clip);
  }
  if (bar && bar->IsVisible(false) && bar->IsNeeded()) bar->Redraw(dc, clip);
  dc->PopClip();
  // The outline stays over the rows.
  if (border_) dc->DrawRect(rect_, 1, VuToZColor(0));
  if (paint_hook_) paint_hook_->AfterPaint(this, dc);
}

bool CVuListWnd::ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message == WM_MOUSEWHEEL) {
    // Up (a positive delta) shows earlier rows.
    ScrollBy(VuSaturate(-int64_t{VuWheelDelta(wparam)} * wheel_move_ / kWheelDelta));
    if (result) *result = 0;
    return true;
  }
  return CVuDialog::ProcessMessage(message, wparam, lparam, result);
}
