#include "ui/richtext/CVuRichText.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/window_geometry.h"
#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "platform/window_paint.h"
#include "ui/element/VuNotify.h"
#include "ui/richtext/CRichTextGdiGraphics.h"
#include "ui/richtext/CRichTextGdiPlusGraphics.h"
#include "ui/richtext/VuRichPainter.h"
#include "ui/style/VuFontPool.h"
#include "ui/style/VuStyle.h"
#include "ui/style/VuValueParsers.h"

namespace {

constexpr int kIdcArrow = 32512;
constexpr int kIdcHand = 32649;
// Lines further down than any canvas reaches are not laid out.
constexpr int kMaxLaidOutHeight = 1 << 16;

bool IsYaheiFace(const std::u16string& face) { return face == u"微软雅黑" || face == u"Microsoft YaHei"; }

int Saturate(int64_t value) { return static_cast<int>(std::clamp<int64_t>(value, -(1 << 30), 1 << 30)); }

void ShiftDown(VuRichLayout* layout, int dy) {
  if (dy == 0) return;
  for (VuRichPiece& piece : layout->pieces) piece.y = Saturate(int64_t{piece.y} + dy);
  for (VuRichLinkBox& box : layout->links) box.y = Saturate(int64_t{box.y} + dy);
  for (VuRichLine& line : layout->lines) line.top = Saturate(int64_t{line.top} + dy);
  layout->bottom = Saturate(int64_t{layout->bottom} + dy);
}

}  // namespace

const char* CVuRichText::GetTag() const { return "richtext"; }

bool CVuRichText::Load(const ZXmlElement& element) {
  // The markup is kept as a copy: the document goes away after loading.
  markup_ = VuCopyRichMarkup(element);
  runs_read_ = false;
  return CVuWindow::Load(element);
}

bool CVuRichText::SetMarkup(const std::string& xml_content) {
  ZXmlDocument document;
  if (!document.Parse(("<richtext>" + xml_content + "</richtext>").c_str())) return false;
  markup_ = VuCopyRichMarkup(document.FirstChildElement());
  runs_read_ = false;
  hover_link_ = pressed_link_ = -1;
  return true;
}

HRESULT CVuRichText::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "defaultfont") == 0) {
    uint16_t font = 0;
    if (!VuParseFontId(value, &font)) return E_FAIL;
    default_font_ = font;
    runs_read_ = false;
    return 1;
  }
  if (std::strcmp(name, "linkclass") == 0) {
    link_class_ = value;
    return 1;
  }
  bool* flag = std::strcmp(name, "forcecursor") == 0       ? &force_cursor_
               : std::strcmp(name, "adjustpos") == 0       ? &adjust_pos_
               : std::strcmp(name, "autoadjustyahei") == 0 ? &auto_adjust_yahei_
                                                           : nullptr;
  if (!flag) return E_FAIL;
  *flag = VuParseInt(value) != 0;
  return 1;
}

int CVuRichText::DefaultFontId() const {
  if (default_font_ >= 0) return default_font_;
  return font_ >= 0 ? font_ : GetStyle()->font;
}

bool CVuRichText::UsesGdiPlus() const { return GetStyle()->gdiplus; }

uint8_t CVuRichText::TextAlpha() const { return 255; }

ZRect CVuRichText::ContentRect() const {
  const VuStyle* style = GetStyle();
  return {Saturate(int64_t{rect_.left} + style->x_margin), Saturate(int64_t{rect_.top} + style->y_margin),
          Saturate(int64_t{rect_.right} - style->x_margin), Saturate(int64_t{rect_.bottom} - style->y_margin)};
}

void CVuRichText::Relayout(const ZRect& area, int max_bottom) {
  const uint16_t base_font = static_cast<uint16_t>(DefaultFontId());
  if (!runs_read_ || runs_font_ != base_font) {
    runs_ = VuReadRichRuns(markup_, base_font);
    runs_font_ = base_font;
    runs_read_ = true;
  }
  const VuStyle* style = GetStyle();
  const VuStyle* link_style = link_class_.empty() ? nullptr : VuStylePool::Instance().GetStyle(link_class_);
  VuRichGeometry geometry;
  geometry.left = area.left;
  geometry.top = area.top;
  geometry.right = area.right;
  geometry.max_bottom = max_bottom;
  geometry.line_spacing = style->linespacing;
  geometry.spacing = style->spacing;
  geometry.centre = (style->textmode & DT_CENTER) != 0;
  layout_ = VuLayoutRichRuns(runs_, geometry, measures_.Get(UsesGdiPlus(), dpi_aware_), base_font, link_style ? link_style->font : -1);
  if (adjust_pos_ && layout_.bottom < area.bottom)
    ShiftDown(&layout_, (area.bottom - layout_.bottom) / 2);
  if (auto_adjust_yahei_ && IsYaheiFace(VuFontPool::Instance().DefaultFace())) ShiftDown(&layout_, -ScaleForDpi(2));
  const size_t old_count = links_.size();
  links_.clear();
  for (const VuRichLinkBox& box : layout_.links) {
    const VuRichRun& run = runs_[box.run];
    links_.push_back({run.text, box.Rect(), run.link_id, run.link_color, run.hover_color});
  }
  if (links_.size() != old_count) hover_link_ = pressed_link_ = -1;
}

VuSize CVuRichText::WantedSize(int cx, int cy) {
  if (pos_.count == 4) return CVuWindow::WantedSize(cx, cy);
  const VuStyle* style = GetStyle();
  const int margins_x = Saturate(2 * int64_t{style->x_margin});
  const int margins_y = Saturate(2 * int64_t{style->y_margin});
  // Offered no width: the text on as few lines as its breaks allow.
  const int width = cx > 0 ? std::max(0, Saturate(int64_t{cx} - margins_x)) : 1 << 20;
  Relayout(ZRect{0, 0, width, 0}, kCanvasMaxSide);
  const int used = static_cast<int>(std::min(std::ceil(layout_.right), static_cast<float>(width)));
  return {Saturate(int64_t{std::max(used, 0)} + margins_x), Saturate(int64_t{layout_.bottom} + margins_y)};
}

void CVuRichText::OnPosition(int x, int y, int cx, int cy) {
  CVuWindow::OnPosition(x, y, cx, cy);
  // Links can be hit before the first paint.
  const ZRect area = ContentRect();
  Relayout(area, Saturate(std::min<int64_t>(area.bottom, int64_t{area.top} + kMaxLaidOutHeight)));
}

void CVuRichText::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  const ZRect area = ContentRect();
  if (area.Width() <= 0 || area.Height() <= 0) return;
  Relayout(area, Saturate(std::min<int64_t>(area.bottom, int64_t{area.top} + kMaxLaidOutHeight)));
  const VuStyle* style = GetStyle();
  const VuStyle* link_style = link_class_.empty() ? nullptr : VuStylePool::Instance().GetStyle(link_class_);
  VuRichPaintStyle paint;
  paint.text = text_color_ != kVuNoColor ? text_color_ : style->crtext;
  paint.disabled_text = style->crdisabled;
  paint.disabled = !IsEnabled(true);
  paint.hover_link = hover_link_;
  paint.alpha = TextAlpha();
  if (link_style) {
    paint.link.font = link_style->font;
    paint.link.hover_font = link_style->hoverfont ? link_style->hoverfont : -1;
    paint.link.normal = link_style->crtext;
    paint.link.hover = link_style->crhover;
    paint.link.disabled = link_style->crdisabled != kVuNoColor ? link_style->crdisabled : link_style->crtext;
  }
  CRichTextGdiPlusGraphics gdiplus(dc);
  CRichTextGdiGraphics gdi(dc);
  IRichTextGraphics* graphics = UsesGdiPlus() ? static_cast<IRichTextGraphics*>(&gdiplus) : &gdi;
  // What lies outside the canvas is not drawn at all.
  const ZRect clip{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, dc->Width()),
                   std::min(area.bottom, dc->Height())};
  VuPaintRichText(runs_, layout_, graphics, measures_.Get(UsesGdiPlus(), dpi_aware_), paint, clip);
}

int CVuRichText::LinkAt(int x, int y) const {
  const ZRect area = ContentRect();
  if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) return -1;
  for (size_t i = 0; i < links_.size(); ++i) {
    const ZRect& r = links_[i].rect;
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return static_cast<int>(i);
  }
  return -1;
}

int CVuRichText::CursorId() const { return force_cursor_ || hover_link_ >= 0 ? kIdcHand : kIdcArrow; }

void CVuRichText::SetCursorForElement() { SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(CursorId()))); }

void CVuRichText::InvalidateLink(int link) const {
  if (!host_ || link < 0 || static_cast<size_t>(link) >= links_.size()) return;
  const ZRect& r = links_[static_cast<size_t>(link)].rect;
  const RECT rect{r.left, r.top, r.right, r.bottom};
  InvalidateRect(host_, &rect, FALSE);
}

void CVuRichText::SetHoverLink(int link) {
  if (link == hover_link_) return;
  InvalidateLink(hover_link_);
  hover_link_ = link;
  InvalidateLink(hover_link_);
}

bool CVuRichText::ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  const int x = static_cast<int16_t>(LOWORD(lparam));
  const int y = static_cast<int16_t>(LOWORD(static_cast<DWORD_PTR>(lparam) >> 16));
  switch (message) {
    case WM_MOUSEMOVE:
      SetHoverLink(IsEnabled(true) ? LinkAt(x, y) : -1);
      break;
    case WM_MOUSELEAVE:
      SetHoverLink(-1);
      break;
    case WM_LBUTTONDOWN:
      pressed_link_ = IsEnabled(true) ? LinkAt(x, y) : -1;
      break;
    case WM_LBUTTONUP: {
      const int pressed = pressed_link_;
      pressed_link_ = -1;
      if (pressed >= 0 && IsEnabled(true) && LinkAt(x, y) == pressed)
        VuNotifyHost(*this, kVuNotifyCommand, links_[static_cast<size_t>(pressed)].id, "richtext");
      break;
    }
    default:
      return CVuWindow::ProcessMessage(message, wparam, lparam, result);
  }
  if (result) *result = 0;
  return true;
}
