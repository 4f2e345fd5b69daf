#include "ui/element/CVuWindow.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/kernel.h"
#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "ui/core/VuHandleTable.h"
#include "ui/dpi/VuDpiManager.h"
#include "ui/element/CVuContainerWnd.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/resource/VuStringTable.h"
#include "ui/skin/VuSkinPool.h"
#include "ui/style/VuFontPool.h"
#include "ui/style/VuStyle.h"
#include "ui/style/VuValueParsers.h"

namespace {

std::u16string FromUtf8(const char* text) {
  if (!text || !*text) return {};
  const int length = static_cast<int>(std::min<size_t>(std::strlen(text), 1u << 24));
  const int needed = MultiByteToWideChar(CP_UTF8, 0, text, length, nullptr, 0);
  if (needed <= 0) return {};
  std::u16string out(static_cast<size_t>(needed), u'\0');
  const int written =
      MultiByteToWideChar(CP_UTF8, 0, text, length, reinterpret_cast<LPWSTR>(out.data()), needed);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

uint8_t ClampAlpha(const char* value) {
  return static_cast<uint8_t>(std::clamp(VuParseInt(value), 0, 255));
}

// Fixed sizes from a hostile document stay within what a canvas can show.
int ClampSize(int value) { return std::clamp(value, 0, 1 << 20); }

// Attributes that Load reads itself after the attribute pass.
bool IsLoadOwnAttribute(const char* name) {
  return Is(name, "show") || Is(name, "width") || Is(name, "height") || Is(name, "float");
}

VuDpiManager* g_test_dpi_manager = nullptr;

VuDpiManager& DpiManager() { return g_test_dpi_manager ? *g_test_dpi_manager : VuDpiManager::Instance(); }

// Measuring needs a canvas only for its text engine.
ZCanvas* MeasuringCanvas() {
  thread_local ZCanvas canvas;
  if (canvas.Width() == 0) canvas.Create(1, 1);
  return &canvas;
}

}  // namespace

int VuSkinFrameForState(uint32_t state) {
  if (state & kVuStateDisabled) return kVuSkinDisabled;
  if (state & kVuStatePushed) return kVuSkinPushed;
  if (state & kVuStateHover) return kVuSkinHover;
  return kVuSkinNormal;
}

CVuWindow::CVuWindow() { handle_ = VuHandleTable::Instance().Register(this); }

CVuWindow::~CVuWindow() { VuHandleTable::Instance().Unregister(handle_); }

bool CVuWindow::Load(const ZXmlElement& element) {
  for (ZXmlAttribute attribute = element.FirstAttribute(); attribute; attribute = attribute.Next()) {
    if (SetAttribute(attribute.Name(), attribute.Value(), true) != E_FAIL) continue;
    if (IsLoadOwnAttribute(attribute.Name())) continue;
    VuResourceLocator::Instance().Report(
        element.Line(), std::string("attribute \"") + attribute.Name() + "\"=\"" + attribute.Value() +
                            "\" rejected by <" + (element.Name() ? element.Name() : "") + ">");
  }
  if (const char* text = element.Text()) text_ = VuStringTable::Instance().Substitute(FromUtf8(text));
  if (const char* show = element.Attribute("show"))
    if (VuParseInt(show) == 0) state_ |= kVuStateHidden;
  if (pos_.count != 2 && pos_.count != 4) {
    if (const char* width = element.Attribute("width")) {
      size_modes_ &= ~(kVuWidthFixed | kVuWidthAuto | kVuWidthFull);
      if (Is(width, "full")) {
        size_modes_ |= kVuWidthFull;
      } else {
        size_modes_ |= kVuWidthFixed;
        fixed_width_ = ClampSize(ScaleForDpi(VuParseInt(width)));
      }
    }
    if (const char* height = element.Attribute("height")) {
      size_modes_ &= ~(kVuHeightFixed | kVuHeightAuto | kVuHeightFull);
      if (Is(height, "full")) {
        size_modes_ |= kVuHeightFull;
      } else {
        size_modes_ |= kVuHeightFixed;
        fixed_height_ = ClampSize(ScaleForDpi(VuParseInt(height)));
      }
    }
    if (const char* floating = element.Attribute("float")) {
      size_modes_ &= ~(kVuFloatReadAsZero | kVuFloating);
      size_modes_ |= VuParseInt(floating) ? kVuFloating : kVuFloatReadAsZero;
    }
  }
  OnLoaded();
  return true;
}

HRESULT CVuWindow::SetAttribute(const char* name, const char* value, bool loading) {
  if (!name || !value) return E_FAIL;
  if (Is(name, "class")) {
    style_name_ = value;
    return 0;
  }
  if (Is(name, "id")) {
    id_ = VuParseInt(value);
    return 1;
  }
  if (Is(name, "alphatxt")) {
    text_alpha_ = ClampAlpha(value);
    return 0;
  }
  if (Is(name, "crbg") || Is(name, "crtext")) {
    VuColor color = kVuNoColor;
    if (!VuParseColor(value, &color)) return E_FAIL;
    (Is(name, "crbg") ? background_color_ : text_color_) = color;
    return 1;
  }
  if (Is(name, "font")) {
    uint16_t font = 0;
    if (!VuParseFontId(value, &font)) return E_FAIL;
    font_ = font;
    return 1;
  }
  if (Is(name, "href")) {
    link_ = FromUtf8(value);
    return 1;
  }
  if (Is(name, "tip")) {
    tip_ = FromUtf8(value);
    return 1;
  }
  if (Is(name, "valign")) {
    if (Is(value, "top")) valign_ = kVuValignTop;
    else if (Is(value, "middle")) valign_ = kVuValignMiddle;
    else if (Is(value, "bottom")) valign_ = kVuValignBottom;
    else return E_FAIL;
    return 0;
  }
  if (Is(name, "align")) {
    if (Is(value, "left")) align_ = kVuAlignLeft;
    else if (Is(value, "center")) align_ = kVuAlignCenter;
    else if (Is(value, "right")) align_ = kVuAlignRight;
    else return E_FAIL;
    return 0;
  }
  if (Is(name, "pos")) {
    pos_ = VuParsePosition(value);
    if (pos_.count == 2 || pos_.count == 4) {
      size_modes_ &= ~(kVuWidthFixed | kVuWidthFull | kVuHeightFixed | kVuHeightFull);
      size_modes_ |= kVuWidthAuto | kVuHeightAuto;
      if (dpi_aware_ && DpiManager().IsEnabled()) VuScalePosition(&pos_, DpiManager().GetScale());
    }
    if (!loading) RequestReposition();
    return 1;
  }
  if (Is(name, "transparent")) {
    transparent_ = VuParseInt(value) != 0;
    return 1;
  }
  if (Is(name, "headacceptlbtndownmsg")) {
    header_mouse_down_ = VuParseInt(value) != 0;
    return 1;
  }
  if (Is(name, "userdata")) {
    user_data_ = VuParseInt(value);
    return 1;
  }
  if (Is(name, "notify")) {
    notify_mask_ = static_cast<uint32_t>(VuParseInt(value));
    return 1;
  }
  bool* flag = Is(name, "forceupdatestyle")  ? &force_update_style_
               : Is(name, "autofixtextrect") ? &auto_fix_text_rect_
               : Is(name, "border")          ? &border_
               : Is(name, "correctdrawbg")   ? &correct_draw_bg_
                                             : nullptr;
  if (flag) {
    *flag = VuParseInt(value) != 0;
    return 0;
  }
  return E_FAIL;
}

std::u16string CVuWindow::GetToolTip() const { return tip_; }

bool CVuWindow::AcceptsHeaderMouseDown() const { return header_mouse_down_; }

void CVuWindow::OnOwnerHook(WPARAM, LPARAM, LPARAM) {}

void CVuWindow::SetCursorForElement() {
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(GetStyle()->cursor)));
}

uint32_t CVuWindow::ModifyState(uint32_t add, uint32_t remove) {
  const uint32_t old = state_;
  state_ = (state_ | add) & ~remove;
  return old;
}

void CVuWindow::SetHostWindow(HWND window) { host_ = window; }

VUHANDLE CVuWindow::HitTest(int x, int y, int) {
  return x >= rect_.left && x < rect_.right && y >= rect_.top && y < rect_.bottom ? handle_ : 0;
}

bool CVuWindow::NeedsRedrawOnStateChange() {
  const VuStyle* style = GetStyle();
  if (style->crhover != kVuNoColor || style->hoverfont != 0 || style->crbghover != kVuNoColor ||
      style->crpush != kVuNoColor || style->pushfont != 0)
    return true;
  if (style->skin.empty()) return false;
  CVuSkinBase* skin = VuSkinPool::Instance().Get(style->skin);
  return skin && !skin->IsStateless();
}

bool CVuWindow::IsContainer() const { return false; }

void CVuWindow::Redraw(ZCanvas* dc, const VuRegion* clip) {
  if (!dc || !VuRegionTouches(clip, rect_)) return;
  DrawBackground(dc);
  if (paint_hook_ && !paint_hook_->BeforePaint(this, dc)) return;
  LRESULT result = 0;
  ProcessMessage(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, &result);
  if (paint_hook_) paint_hook_->AfterPaint(this, dc);
}

int CVuWindow::BackgroundSkinState(bool raw_bits_skin) const {
  if (correct_draw_bg_ && !raw_bits_skin) return VuSkinFrameForState(state_);
  return static_cast<int>(state_);
}

void CVuWindow::DrawBackground(ZCanvas* dc) {
  if (!dc) return;
  const VuStyle* style = GetStyle();
  if (style->skin.empty()) {
    const VuColor color = GetBackgroundColor();
    if (color != kVuNoColor)
      dc->FillRect(rect_, VuToZColor(color, style->bggdiplus ? style->alphabg : 255));
  } else if (CVuSkinBase* skin = VuSkinPool::Instance().Get(style->skin)) {
    skin->Draw(dc, rect_, BackgroundSkinState(skin->TakesRawStateBits()), 255);
  }
  // The outline goes over the fill, as a pen drawn after the brush.
  if (border_) dc->DrawRect(rect_, 1, VuToZColor(0));
}

int CVuWindow::OnExtensionHook1() { return 0; }

int CVuWindow::OnExtensionHook2() { return 0; }

bool CVuWindow::ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message == kVuMsgPosition && lparam) {
    const ZRect* offer = reinterpret_cast<const ZRect*>(lparam);
    OnPosition(offer->left, offer->top, offer->right, offer->bottom);
    if (result) *result = 0;
    return true;
  }
  if (message == WM_PAINT && wparam) {
    PaintContent(reinterpret_cast<ZCanvas*>(wparam));
    if (result) *result = 0;
    return true;
  }
  return false;
}

void CVuWindow::Position(int x, int y, int cx, int cy) {
  ZRect offer{x, y, std::max(cx, 0), std::max(cy, 0)};
  LRESULT result = 0;
  ProcessMessage(kVuMsgPosition, 0, reinterpret_cast<LPARAM>(&offer), &result);
}

void CVuWindow::OnPosition(int x, int y, int cx, int cy) { PlaceSelf(x, y, cx, cy); }

void CVuWindow::PlaceSelf(int x, int y, int cx, int cy) {
  const VuSize wanted = WantedSize(cx, cy);
  rect_ = {x, y, VuSaturate(int64_t{x} + wanted.cx), VuSaturate(int64_t{y} + wanted.cy)};
  if (size_modes_ & kVuWidthFull)
    rect_.right = std::max(rect_.left, VuSaturate(int64_t{x} + cx));
  else if (size_modes_ & kVuWidthFixed)
    rect_.right = VuSaturate(int64_t{rect_.left} + fixed_width_);
  if (size_modes_ & kVuHeightFull)
    rect_.bottom = std::max(rect_.top, VuSaturate(int64_t{y} + cy));
  else if (size_modes_ & kVuHeightFixed)
    rect_.bottom = VuSaturate(int64_t{rect_.top} + fixed_height_);
}

VuSize CVuWindow::WantedSize(int cx, int cy) {
  if (pos_.count == 4) {
    const int x1 = VuResolve(pos_.items[0], 0, cx), x2 = VuResolve(pos_.items[2], 0, cx);
    const int y1 = VuResolve(pos_.items[1], 0, cy), y2 = VuResolve(pos_.items[3], 0, cy);
    return {VuSaturate(int64_t{x2} - x1), VuSaturate(int64_t{y2} - y1)};
  }
  const VuStyle* style = GetStyle();
  return MeasureContent(nullptr, VuSaturate(int64_t{cx} - 2 * int64_t{style->x_margin}));
}

VuSize CVuWindow::MeasureContent(ZCanvas* dc, int max_width) const {
  const VuStyle* style = GetStyle();
  VuSize size{VuSaturate(2 * int64_t{style->x_margin}), VuSaturate(2 * int64_t{style->y_margin})};
  if (text_.empty()) return size;
  if (!dc) dc = MeasuringCanvas();
  const bool word_break = (style->textmode & DT_WORDBREAK) != 0;
  const ZFont font = GetFont();
  int text_cx = 0, text_cy = 0;
  if (style->gdipluscalctxt) {
    const ZSizeF measured = dc->MeasureString(text_, font, word_break && max_width > 0 ? max_width : 0);
    text_cx = static_cast<int>(std::min(std::ceil(measured.width), 1e9f));
    text_cy = static_cast<int>(std::min(std::ceil(measured.height), 1e9f));
  } else {
    UINT format = (style->textmode | DT_CALCRECT) & ~static_cast<UINT>(0x10000);  // never DT_MODIFYSTRING
    ZRect box{0, 0, word_break && max_width > 0 ? max_width : 0, 0};
    if (!word_break) format |= DT_SINGLELINE;
    dc->PaintText(text_, &box, format, font, VuToZColor(0));
    text_cx = box.Width();
    text_cy = box.Height();
  }
  size.cx = VuSaturate(int64_t{size.cx} + std::max(text_cx, 0));
  size.cy = VuSaturate(int64_t{size.cy} + std::max(text_cy, 0));
  return size;
}

void CVuWindow::PaintContent(ZCanvas* dc) {
  if (!dc || text_.empty()) return;
  const VuStyle* style = GetStyle();
  const ZRect box{VuSaturate(int64_t{rect_.left} + style->x_margin), VuSaturate(int64_t{rect_.top} + style->y_margin),
                  VuSaturate(int64_t{rect_.right} - style->x_margin),
                  VuSaturate(int64_t{rect_.bottom} - style->y_margin)};
  DrawElementText(dc, text_, box, style->textmode);
}

void CVuWindow::DrawElementText(ZCanvas* dc, const std::u16string& text, ZRect rect, UINT format) {
  const VuStyle* style = GetStyle();
  const VuColor color = GetTextColor();
  int alpha = text_alpha_;
  if (style->gdiplus) alpha = alpha * style->alphatxt / 255;
  format &= ~static_cast<UINT>(DT_CALCRECT | 0x10000);
  dc->PaintText(text, &rect, format, GetFont(),
                VuToZColor(color == kVuNoColor ? 0 : color, static_cast<uint8_t>(alpha)));
}

CVuWindow* CVuWindow::GetParent() const { return parent_ ? VuHandleTable::Instance().Lookup(parent_) : nullptr; }

void CVuWindow::SetParent(VUHANDLE parent) {
  parent_ = parent;
  if (CVuWindow* element = GetParent()) dpi_aware_ = element->IsDpiAware();
}

bool CVuWindow::IsVisible(bool with_parents) const {
  if (state_ & kVuStateHidden) return false;
  if (!with_parents) return true;
  // Bounded by the table: a parent chain can only name live elements.
  size_t steps = 0;
  for (CVuWindow* up = GetParent(); up; up = up->GetParent()) {
    if (up->state_ & kVuStateHidden) return false;
    if (++steps > (1u << 20) || up == this) break;
  }
  return true;
}

bool CVuWindow::IsEnabled(bool with_parents) const {
  if (state_ & kVuStateDisabled) return false;
  if (!with_parents) return true;
  size_t steps = 0;
  for (CVuWindow* up = GetParent(); up; up = up->GetParent()) {
    if (up->state_ & kVuStateDisabled) return false;
    if (++steps > (1u << 20) || up == this) break;
  }
  return true;
}

void CVuWindow::Show(bool show) {
  if (show)
    ModifyState(0, kVuStateHidden);
  else
    ModifyState(kVuStateHidden, 0);
}

VuStyle* CVuWindow::GetStyle() const {
  VuStylePool& pool = VuStylePool::Instance();
  if (VuStyle* style = pool.GetStyle(style_name_)) return style;
  if (VuStyle* style = pool.DefaultStyle()) return style;
  // Before any style document is loaded: plain defaults.
  static VuStyle* fallback = new VuStyle;
  return fallback;
}

VuColor CVuWindow::GetBackgroundColor() const {
  const VuStyle* style = GetStyle();
  if ((state_ & kVuStateHover) && style->crbghover != kVuNoColor) return style->crbghover;
  return background_color_ != kVuNoColor ? background_color_ : style->crbg;
}

VuColor CVuWindow::GetTextColor() const {
  const VuStyle* style = GetStyle();
  if (!IsEnabled(true) && style->crdisabled != kVuNoColor) return style->crdisabled;
  if ((state_ & kVuStatePushed) && style->crpush != kVuNoColor) return style->crpush;
  if ((state_ & kVuStateHover) && style->crhover != kVuNoColor) return style->crhover;
  return text_color_ != kVuNoColor ? text_color_ : style->crtext;
}

ZFont CVuWindow::GetFont() const {
  const VuStyle* style = GetStyle();
  uint16_t id = font_ >= 0 ? static_cast<uint16_t>(font_) : style->font;
  if ((state_ & kVuStatePushed) && style->pushfont) id = style->pushfont;
  else if ((state_ & kVuStateHover) && style->hoverfont) id = style->hoverfont;
  return VuFontPool::Instance().GetFont(id, dpi_aware_);
}

void CVuWindow::RequestReposition() {
  if (auto* container = dynamic_cast<CVuContainerWnd*>(GetParent())) container->RepositionChild(this);
}

int CVuWindow::ScaleForDpi(int value) const {
  return dpi_aware_ ? DpiManager().Scale(value) : value;
}

void CVuWindow::SetDpiManagerForTest(VuDpiManager* manager) { g_test_dpi_manager = manager; }
