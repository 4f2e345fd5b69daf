// ZCanvas's text on Windows: GDI's DrawTextW lays it out (font linking gives
// CJK text a font that has it) and draws it grey-antialiased, white on black,
// into a scratch DIB; that coverage becomes the colour's alpha on the canvas.
#include <algorithm>
#include <cwchar>
#include <string>

#include "platform/canvas.h"
#include "platform/common/text_prefix.h"
#include "platform/win32/canvas_gdi.h"
#include "platform/win32/gdiplus_api.h"

namespace {

LOGFONTW LogFont(const ZFont& font) {
  LOGFONTW log{};
  log.lfHeight = font.height;
  log.lfWeight = font.weight;
  log.lfItalic = font.italic ? TRUE : FALSE;
  log.lfUnderline = font.underline ? TRUE : FALSE;
  log.lfStrikeOut = font.strike_out ? TRUE : FALSE;
  log.lfCharSet = DEFAULT_CHARSET;
  log.lfOutPrecision = OUT_TT_PRECIS;
  log.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  log.lfQuality = static_cast<BYTE>(font.quality);
  log.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const size_t length = std::min<size_t>(font.face.size(), LF_FACESIZE - 1);
  std::copy(font.face.begin(), font.face.begin() + length, log.lfFaceName);
  log.lfFaceName[length] = 0;
  return log;
}

class SelectedFont {
 public:
  SelectedFont(HDC dc, const ZFont& font) : dc_(dc) {
    const LOGFONTW log = LogFont(font);
    font_ = CreateFontIndirectW(&log);
    if (font_) old_ = SelectObject(dc_, font_);
  }
  ~SelectedFont() {
    if (old_) SelectObject(dc_, old_);
    if (font_) DeleteObject(font_);
  }
  bool Ok() const { return font_ != nullptr; }

 private:
  HDC dc_;
  HFONT font_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

RECT ToRect(const ZRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

int ZCanvas::PaintText(const std::u16string& text, ZRect* rect, UINT format, const ZFont& font,
                       ZColor color) {
  if (!impl_->dc || !rect) return 0;
  const int length = static_cast<int>(std::min<size_t>(text.size(), 0x7FFFFFF));
  if (format & DT_CALCRECT) {
    SelectedFont selected(impl_->dc, font);
    if (!selected.Ok()) return 0;
    RECT r = ToRect(*rect);
    const int height = DrawTextW(impl_->dc, AsWide(text.c_str()), length, &r, format);
    *rect = ZRect{r.left, r.top, r.right, r.bottom};
    return height;
  }
  // Where the text may land: its rectangle, or with DT_NOCLIP the canvas.
  ZRect area = (format & DT_NOCLIP) ? ZRect{0, 0, impl_->width, impl_->height} : *rect;
  area.left = std::max(area.left, 0);
  area.top = std::max(area.top, 0);
  area.right = std::min(area.right, impl_->width);
  area.bottom = std::min(area.bottom, impl_->height);
  ScratchDib mask(std::max(area.Width(), 1), std::max(area.Height(), 1));
  if (!mask.Ok()) return 0;
  SelectedFont selected(mask.Dc(), font);
  if (!selected.Ok()) return 0;
  SetTextColor(mask.Dc(), RGB(255, 255, 255));
  SetBkMode(mask.Dc(), TRANSPARENT);
  RECT r{rect->left - area.left, rect->top - area.top, rect->right - area.left,
         rect->bottom - area.top};
  const int height = DrawTextW(mask.Dc(), AsWide(text.c_str()), length, &r, format);
  if (area.Width() <= 0 || area.Height() <= 0) return height;
  GdiFlush();
  // Grey antialiasing leaves the coverage in every channel.
  uint32_t* bits = mask.Bits();
  const size_t count = static_cast<size_t>(mask.Width()) * mask.Height();
  for (size_t i = 0; i < count; ++i) {
    const uint32_t coverage = std::max({bits[i] & 0xFF, (bits[i] >> 8) & 0xFF, (bits[i] >> 16) & 0xFF});
    ZColor shade = color;
    shade.a = static_cast<uint8_t>((coverage * color.a + 127) / 255);
    bits[i] = coverage ? PremultipliedPixel(shade) : 0;
  }
  BlendOnto(impl_.get(), mask, area.left, area.top, mask.Width(), mask.Height());
  return height;
}

// GDI+'s own measure (generic default format): GDI's layout padded by 1/6 em
// on either side, fractional sizes, "&" as plain text.
ZSizeF ZCanvas::MeasureString(const std::u16string& text, const ZFont& font, float max_width) {
  ZSizeF size;
  if (!impl_->dc || text.empty()) return size;
  const GdiPlusApi& gdip = GdiPlus();
  if (!gdip.ready) return size;
  Gdiplus::GpGraphics* graphics = nullptr;
  if (gdip.CreateFromHDC(impl_->dc, &graphics) != Gdiplus::Ok) return size;
  LOGFONTW log = LogFont(font);
  Gdiplus::GpFont* gp_font = nullptr;
  Gdiplus::GpStringFormat* format = nullptr;
  if (gdip.CreateFontFromLogfontW(impl_->dc, &log, &gp_font) == Gdiplus::Ok &&
      gdip.StringFormatGetGenericDefault(&format) == Gdiplus::Ok) {
    const Gdiplus::RectF layout(0, 0, max_width > 0 ? max_width : 0, 0);
    Gdiplus::RectF box;
    if (gdip.MeasureString(graphics, AsWide(text.c_str()),
                           static_cast<INT>(std::min<size_t>(text.size(), 0x7FFFFFF)), gp_font,
                           &layout, format, &box, nullptr, nullptr) == Gdiplus::Ok) {
      size.width = box.Width;
      size.height = box.Height;
    }
  }
  if (gp_font) gdip.DeleteFont(gp_font);
  gdip.DeleteGraphics(graphics);
  return size;
}
