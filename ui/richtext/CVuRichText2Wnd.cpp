#include "ui/richtext/CVuRichText2Wnd.h"

#include <algorithm>
#include <cstring>

#include "platform/window_geometry.h"
#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "platform/window_paint.h"
#include "ui/element/VuNotify.h"
#include "ui/richtext/CRichTextGdiGraphics.h"
#include "ui/richtext/CRichTextGdiPlusGraphics.h"
#include "ui/richtext/VuRichMarkup.h"
#include "ui/richtext/VuRichPainter.h"
#include "ui/style/VuFontPool.h"
#include "ui/style/VuStyle.h"
#include "ui/style/VuValueParsers.h"

namespace {

constexpr int kIdcArrow = 32512;
constexpr int kIdcHand = 32649;

int Saturate(int64_t value) { return static_cast<int>(std::clamp<int64_t>(value, -(1 << 30), 1 << 30)); }

}  // namespace

const char* CVuRichText2Wnd::GetTag() const { return "richtext2"; }

bool CVuRichText2Wnd::Load(const ZXmlElement& element) {
  const bool loaded = CVuWindow::Load(element);
  VuRichReadOptions options;
  options.images = options.alpha = true;
  objects_ = VuReadRichRuns(VuCopyRichMarkup(element), BaseFont(), options);
  // Image boxes are written for 96 DPI, as positions are.
  for (VuRichRun& object : objects_)
    if (object.kind == VuRichRun::kBox) {
      object.box_width = std::min(ScaleForDpi(object.box_width), 16384);
      object.box_height = std::min(ScaleForDpi(object.box_height), 16384);
    }
  return loaded;
}

HRESULT CVuRichText2Wnd::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "defaultfont") == 0) {
    uint16_t font = 0;
    if (!VuParseFontId(value, &font)) return E_FAIL;
    default_font_ = font;
    return 1;
  }
  if (std::strcmp(name, "graphics") == 0) {
    if (std::strcmp(value, "gdi") == 0) gdiplus_ = false;
    else if (std::strcmp(value, "gdiplus") == 0) gdiplus_ = true;
    else return E_FAIL;
    return 1;
  }
  return E_FAIL;
}

uint16_t CVuRichText2Wnd::BaseFont() const {
  if (default_font_ >= 0) return static_cast<uint16_t>(default_font_);
  return static_cast<uint16_t>(font_ >= 0 ? font_ : GetStyle()->font);
}

ZRect CVuRichText2Wnd::ContentRect() const {
  const VuStyle* style = GetStyle();
  return {Saturate(int64_t{rect_.left} + style->x_margin), Saturate(int64_t{rect_.top} + style->y_margin),
          Saturate(int64_t{rect_.right} - style->x_margin), Saturate(int64_t{rect_.bottom} - style->y_margin)};
}

void CVuRichText2Wnd::Relayout() {
  const VuStyle* style = GetStyle();
  const ZRect area = ContentRect();
  VuRichGeometry geometry;
  geometry.left = area.left;
  geometry.top = area.top;
  geometry.right = area.right;
  geometry.max_bottom = Saturate(std::min<int64_t>(area.bottom, int64_t{area.top} + (1 << 16)));
  geometry.line_spacing = style->linespacing;
  geometry.spacing = style->spacing;
  geometry.centre = (style->textmode & DT_CENTER) != 0;
  const size_t old_count = layout_.links.size();
  layout_ = VuLayoutRichRuns(objects_, geometry, measures_.Get(gdiplus_, dpi_aware_), BaseFont(), -1);
  if (layout_.links.size() != old_count) hover_link_ = pressed_link_ = -1;
}

void CVuRichText2Wnd::OnPosition(int x, int y, int cx, int cy) {
  CVuWindow::OnPosition(x, y, cx, cy);
  RefreshObjects();
}

void CVuRichText2Wnd::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  const ZRect area = ContentRect();
  if (area.Width() <= 0 || area.Height() <= 0) return;
  Relayout();
  CRichTextGdiPlusGraphics gdiplus(dc);
  CRichTextGdiGraphics gdi(dc);
  IRichTextGraphics* graphics = gdiplus_ ? static_cast<IRichTextGraphics*>(&gdiplus) : &gdi;
  VuRichPaintStyle paint;
  paint.text = text_color_ != kVuNoColor ? text_color_ : GetStyle()->crtext;
  paint.disabled_text = GetStyle()->crdisabled;
  paint.disabled = !IsEnabled(true);
  paint.hover_link = hover_link_;
  const ZRect clip{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, dc->Width()),
                   std::min(area.bottom, dc->Height())};
  VuPaintRichText(objects_, layout_, graphics, measures_.Get(gdiplus_, dpi_aware_), paint, clip);
  // The images, inside the same clip.
  graphics->PushClip(area);
  for (const VuRichLinkBox& box : layout_.links) {
    const VuRichRun& object = objects_[box.run];
    if (object.kind == VuRichRun::kBox && !object.skin.empty()) graphics->DrawSkin(object.skin, box.Rect());
  }
  graphics->PopClip();
}

void CVuRichText2Wnd::AppendObject(const VuRichRun& object) {
  VuRichRun copy = object;
  copy.box_width = std::clamp(copy.box_width, 0, 16384);
  copy.box_height = std::clamp(copy.box_height, 0, 16384);
  objects_.push_back(std::move(copy));
}

void CVuRichText2Wnd::ClearObjects() {
  objects_.clear();
  hover_link_ = pressed_link_ = -1;
}

void CVuRichText2Wnd::RefreshObjects() {
  Relayout();
  if (host_) {
    const RECT rect{rect_.left, rect_.top, rect_.right, rect_.bottom};
    InvalidateRect(host_, &rect, FALSE);
  }
}

void CVuRichText2Wnd::OnObjectLinkClicked(int link_id) {
  VuNotifyHost(*this, kVuNotifyCommand, link_id, "richtext2");
}

int CVuRichText2Wnd::LinkAt(int x, int y) const {
  const ZRect area = ContentRect();
  if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) return -1;
  for (size_t i = 0; i < layout_.links.size(); ++i) {
    if (objects_[layout_.links[i].run].kind != VuRichRun::kLink) continue;
    const ZRect r = layout_.links[i].Rect();
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return static_cast<int>(i);
  }
  return -1;
}

void CVuRichText2Wnd::SetCursorForElement() {
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(hover_link_ >= 0 ? kIdcHand : kIdcArrow)));
}

bool CVuRichText2Wnd::ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  const int x = static_cast<int16_t>(LOWORD(lparam));
  const int y = static_cast<int16_t>(LOWORD(static_cast<DWORD_PTR>(lparam) >> 16));
  const bool enabled = IsEnabled(true);
  switch (message) {
    case WM_MOUSEMOVE: {
      const int link = enabled ? LinkAt(x, y) : -1;
      if (link != hover_link_ && host_) {
        const RECT rect{rect_.left, rect_.top, rect_.right, rect_.bottom};
        InvalidateRect(host_, &rect, FALSE);
      }
      hover_link_ = link;
      break;
    }
    case WM_MOUSELEAVE:
      hover_link_ = -1;
      break;
    case WM_LBUTTONDOWN:
      pressed_link_ = enabled ? LinkAt(x, y) : -1;
      break;
    case WM_LBUTTONUP: {
      const int pressed = pressed_link_;
      pressed_link_ = -1;
      if (pressed >= 0 && enabled && LinkAt(x, y) == pressed)
        OnObjectLinkClicked(objects_[layout_.links[static_cast<size_t>(pressed)].run].link_id);
      break;
    }
    default:
      return CVuWindow::ProcessMessage(message, wparam, lparam, result);
  }
  if (result) *result = 0;
  return true;
}
