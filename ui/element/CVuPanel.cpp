#include <algorithm>
#include <cstring>
#include <string>

#include "platform/window_messages.h"
#include "ui/element/CVuContainerWnd.h"
#include "ui/element/VuControlFactory.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/style/VuStyle.h"
#include "ui/style/VuValueParsers.h"

namespace {

// One child placed on the current flow line, with the size it was offered.
struct LineEntry {
  CVuWindow* child;
  int offered_cx;
  int offered_cy;
};

int64_t Clamp0(int64_t value) { return value < 0 ? 0 : value; }

}  // namespace

const char* CVuPanel::GetTag() const { return "div"; }

HRESULT CVuPanel::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuContainerWnd::SetAttribute(name, value, loading);
  if (base != E_FAIL) return base;
  if (name && value && std::strcmp(name, "onlydrawchild") == 0) {
    only_draw_child_ = VuParseInt(value) != 0;
    return 0;
  }
  return E_FAIL;
}

bool CVuPanel::Load(const ZXmlElement& element) {
  CVuContainerWnd::Load(element);
  LoadChildren(element.FirstChildElement());
  return true;
}

bool CVuPanel::IsContainer() const { return true; }

VUHANDLE CVuPanel::HitTest(int x, int y, int flag) {
  if (!(x >= rect_.left && x < rect_.right && y >= rect_.top && y < rect_.bottom)) return 0;
  if (only_draw_child_) return handle_;
  // Floats lie over the flow, so they answer first.
  for (int pass = 0; pass < 2; ++pass) {
    const bool floats = pass == 0;
    for (const auto& child : children_) {
      if ((child->GetState() & kVuStateHidden) || child->IsTransparent()) continue;
      if (((child->GetSizeModes() & kVuFloating) != 0) != floats) continue;
      if (VUHANDLE hit = child->HitTest(x, y, flag)) return hit;
    }
  }
  return handle_;
}

void CVuPanel::Redraw(ZCanvas* dc, const VuRegion* clip) {
  if (!dc || !VuRegionTouches(clip, rect_)) return;
  CVuContainerWnd::Redraw(dc, clip);
  for (const auto& child : children_)
    if (!(child->GetState() & kVuStateHidden)) child->Redraw(dc, clip);
}

bool CVuPanel::ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message == kVuMsgPosition && lparam) {
    const ZRect* offer = reinterpret_cast<const ZRect*>(lparam);
    Layout(offer->left, offer->top, offer->right, offer->bottom);
    if (result) *result = 0;
    return true;
  }
  if (message == WM_DESTROY) {
    DestroyChildren();
    if (result) *result = 0;
    return true;
  }
  return CVuContainerWnd::ProcessMessage(message, wparam, lparam, result);
}

CVuWindow* CVuPanel::FindChildById(int id) {
  for (const auto& child : children_)
    if (child->GetId() == id) return child.get();
  for (const auto& child : children_) {
    if (!child->IsContainer()) continue;
    if (auto* container = dynamic_cast<CVuContainerWnd*>(child.get()))
      if (CVuWindow* found = container->FindChildById(id)) return found;
  }
  return nullptr;
}

void CVuPanel::RepositionChild(CVuWindow*) {}

void CVuPanel::LoadChildren(const ZXmlElement& first_child) {
  LRESULT ignored = 0;
  ProcessMessage(WM_DESTROY, 0, 0, &ignored);
  for (ZXmlElement node = first_child; node; node = node.NextSiblingElement()) {
    const char* tag = node.Name() ? node.Name() : "";
    std::unique_ptr<CVuWindow> child = VuCreateControl(tag, creator_);
    if (!child) {
      VuResourceLocator::Instance().Report(node.Line(), std::string("unknown tag <") + tag + ">: skipped");
      continue;
    }
    child->SetParent(handle_);
    child->SetHostWindow(host_);
    if (auto* container = dynamic_cast<CVuContainerWnd*>(child.get())) container->SetCreator(creator_);
    child->Load(node);
    AppendChild(std::move(child));
  }
}

void CVuPanel::Layout(int x, int y, int cx, int cy) {
  PlaceSelf(x, y, cx, cy);
  const VuStyle* style = GetStyle();
  const int64_t mx = style->x_margin, my = style->y_margin;
  const int64_t sp = style->spacing, ls = style->linespacing;
  const int64_t line_left = x + mx;
  const int64_t avail_cx = ((size_modes_ & kVuWidthFixed) ? fixed_width_ : cx) - 2 * mx;
  const int64_t avail_cy = int64_t{cy} - 2 * my;

  int64_t cursor_x = line_left, cursor_y = y + my;
  int64_t remaining = avail_cx;
  int64_t line_top = cursor_y, line_bottom = cursor_y + ls;
  int64_t auto_right = rect_.right;
  std::vector<LineEntry> line;

  auto offered_cy = [&] { return VuSaturate(Clamp0(avail_cy - (cursor_y - (y + my)))); };
  auto align_line = [&] {
    for (const LineEntry& entry : line) {
      const ZRect& r = entry.child->GetRect();
      int64_t top = r.top;
      if (valign_ == kVuValignMiddle)
        top = line_top + (line_bottom - line_top - r.Height()) / 2;
      else if (valign_ == kVuValignBottom)
        top = line_bottom - r.Height();
      if (top != r.top)
        entry.child->Position(r.left, VuSaturate(top), entry.offered_cx, entry.offered_cy);
    }
    line.clear();
  };
  auto close_line = [&] {
    align_line();
    cursor_x = line_left;
    cursor_y = line_bottom + ls;
    line_top = cursor_y;
    line_bottom = cursor_y + ls;
    remaining = avail_cx;
  };

  for (const auto& owned : children_) {
    CVuWindow* child = owned.get();
    if ((child->GetState() & kVuStateHidden) || (child->GetSizeModes() & kVuFloating)) continue;
    if (std::strcmp(child->GetTag(), "br") == 0) {
      close_line();
      continue;
    }
    int offer_cx = VuSaturate(Clamp0(remaining)), offer_cy = offered_cy();
    child->Position(VuSaturate(cursor_x), VuSaturate(cursor_y), offer_cx, offer_cy);
    const ZRect& placed = child->GetRect();
    const bool overflows = remaining <= 0 || placed.right > cursor_x + remaining || placed.Width() <= 0;
    if (overflows && !line.empty()) {
      close_line();
      offer_cx = VuSaturate(Clamp0(remaining));
      offer_cy = offered_cy();
      child->Position(VuSaturate(cursor_x), VuSaturate(cursor_y), offer_cx, offer_cy);
    }
    const ZRect& r = child->GetRect();
    cursor_x += int64_t{r.Width()} + sp;
    remaining -= int64_t{r.Width()} + sp;
    line_bottom = std::max<int64_t>(line_bottom, r.bottom);
    auto_right = std::max<int64_t>(auto_right, r.right + mx);
    line.push_back({child, offer_cx, offer_cy});
  }
  // The last line is aligned as any other; its bottom ends the content.
  align_line();
  const int64_t last_bottom = line_bottom;

  if (size_modes_ & kVuWidthFixed)
    rect_.right = VuSaturate(int64_t{x} + fixed_width_);
  else if (size_modes_ & kVuWidthFull)
    rect_.right = VuSaturate(int64_t{x} + cx);
  else
    rect_.right = VuSaturate(auto_right);
  if (size_modes_ & kVuHeightFixed)
    rect_.bottom = VuSaturate(int64_t{y} + fixed_height_);
  else if (size_modes_ & kVuHeightFull)
    rect_.bottom = VuSaturate(int64_t{y} + cy);
  else
    rect_.bottom = VuSaturate(last_bottom + my);

  // Floats go over the padded content rectangle, moved by their own alignment.
  const int64_t cl = rect_.left + mx, ct = rect_.top + my;
  const int64_t cr = std::max<int64_t>(cl, rect_.right - mx), cb = std::max<int64_t>(ct, rect_.bottom - my);
  for (const auto& owned : children_) {
    CVuWindow* child = owned.get();
    if ((child->GetState() & kVuStateHidden) || !(child->GetSizeModes() & kVuFloating)) continue;
    child->Position(VuSaturate(cl), VuSaturate(ct), VuSaturate(cr - cl), VuSaturate(cb - ct));
    const ZRect& r = child->GetRect();
    int64_t nx = cl, ny = ct;
    if (child->GetAlign() == kVuAlignRight) nx = cr - r.Width();
    else if (child->GetAlign() == kVuAlignCenter) nx = cl + (cr - cl - r.Width()) / 2;
    if (child->GetValign() == kVuValignBottom) ny = cb - r.Height();
    else if (child->GetValign() == kVuValignMiddle) ny = ct + (cb - ct - r.Height()) / 2;
    if (nx != cl || ny != ct)
      child->Position(VuSaturate(nx), VuSaturate(ny), VuSaturate(Clamp0(cr - nx)), VuSaturate(Clamp0(cb - ny)));
  }
}
