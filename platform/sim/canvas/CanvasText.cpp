// ZCanvas's text on pango: fontconfig picks the face, or another that has the
// glyphs when it is missing or lacks some (CJK text gets a CJK font).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>

#include "platform/canvas.h"
#include "platform/common/text_prefix.h"
#include "platform/sim/canvas/CanvasImpl.h"
#include "platform/sim/canvas/SimCanvasFonts.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

// Pixels in pango units, within what pango's int takes (a rectangle may be
// as wide as an int).
int PangoUnits(double pixels) {
  const double units = pixels * PANGO_SCALE;
  return units >= 2147483647.0 ? 2147483647 : units <= 0 ? 0 : static_cast<int>(units);
}

// pango's default font map: one per thread (font maps are not thread-safe).
PangoFontMap* FontMap() { return pango_cairo_font_map_get_default(); }

PangoContext* TextContext(ZCanvas::Impl* impl) {
  if (!impl->text) {
    impl->text = pango_font_map_create_context(FontMap());
    pango_cairo_update_context(impl->cr, impl->text);
    // Grey antialiasing as ANTIALIASED_QUALITY draws on Windows; fractional
    // advances, so that a measure never depends on the hinting of the moment.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    pango_cairo_context_set_font_options(impl->text, options);
    cairo_font_options_destroy(options);
  }
  return impl->text;
}

PangoFontDescription* Describe(PangoContext* context, const ZFont& font) {
  PangoFontDescription* description = pango_font_description_new();
  std::string family = SimToUtf8(font.face);
  // A face that is not there falls back to the default sans face.
  family += family.empty() ? "Sans" : ",Sans";
  pango_font_description_set_family(description, family.c_str());
  pango_font_description_set_weight(
      description, static_cast<PangoWeight>(std::clamp(font.weight == 0 ? 400 : font.weight, 100, 1000)));
  pango_font_description_set_style(description, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  double em = font.height < 0 ? -static_cast<double>(font.height) : 12.0;
  if (font.height > 0) {
    // A cell height: the em that gives that ascent + descent.
    pango_font_description_set_absolute_size(description, 1000.0 * PANGO_SCALE);
    PangoFontMetrics* metrics = pango_context_get_metrics(context, description, nullptr);
    const double cell = pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics);
    pango_font_metrics_unref(metrics);
    em = cell > 0 ? font.height * 1000.0 * PANGO_SCALE / cell : font.height;
  }
  pango_font_description_set_absolute_size(description, std::max(1.0, em) * PANGO_SCALE);
  return description;
}

// Byte offset in UTF-8 of UTF-16 index in text.
int Utf8Offset(const std::u16string& text, size_t index) {
  return static_cast<int>(SimToUtf8(std::u16string_view(text).substr(0, index)).size());
}

struct Layout {
  PangoLayout* layout = nullptr;
  double em = 0;
  ~Layout() {
    if (layout) g_object_unref(layout);
  }
};

void MakeLayout(PangoContext* context, const ZFont& font, const PrefixedText& shown,
                const std::string& utf8, Layout* out) {
  out->layout = pango_layout_new(context);
  PangoFontDescription* description = Describe(context, font);
  out->em = pango_font_description_get_size(description) / static_cast<double>(PANGO_SCALE);
  pango_layout_set_font_description(out->layout, description);
  pango_font_description_free(description);
  pango_layout_set_text(out->layout, utf8.c_str(), static_cast<int>(utf8.size()));
  PangoAttrList* attributes = pango_attr_list_new();
  if (font.underline) pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  if (font.strike_out) pango_attr_list_insert(attributes, pango_attr_strikethrough_new(TRUE));
  for (size_t index : shown.underlined) {
    PangoAttribute* underline = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
    underline->start_index = Utf8Offset(shown.text, index);
    underline->end_index = Utf8Offset(shown.text, index + 1);
    pango_attr_list_insert(attributes, underline);
  }
  pango_layout_set_attributes(out->layout, attributes);
  pango_attr_list_unref(attributes);
}

void AddInt(std::string* key, int value) { key->append(reinterpret_cast<const char*>(&value), sizeof value); }

// What a layout depends on: the font, the settings after it (the caller's
// own, as ints), the underlined characters and the text, last.
std::string LayoutKey(const ZFont& font, std::initializer_list<int> settings, const PrefixedText& shown,
                      const std::string& utf8) {
  std::string key;
  AddInt(&key, static_cast<int>(font.face.size()));
  key.append(reinterpret_cast<const char*>(font.face.data()), font.face.size() * sizeof(char16_t));
  for (int value : {font.height, font.weight, int{font.italic}, int{font.underline}, int{font.strike_out}})
    AddInt(&key, value);
  for (int value : settings) AddInt(&key, value);
  AddInt(&key, static_cast<int>(shown.underlined.size()));
  for (size_t index : shown.underlined) AddInt(&key, static_cast<int>(index));
  key += utf8;
  return key;
}

// The canvas's layout for key, or a new one that settle sets up (and the
// canvas keeps).
template <typename Settle>
void CachedLayout(ZCanvas::Impl* impl, const std::string& key, const ZFont& font, const PrefixedText& shown,
                  const std::string& utf8, Layout* out, Settle settle) {
  PangoContext* context = TextContext(impl);
  if (const TextLayoutCache::Entry* kept = impl->layouts.Find(key, context)) {
    out->layout = PANGO_LAYOUT(g_object_ref(kept->layout));
    out->em = kept->em;
    return;
  }
  MakeLayout(context, font, shown, utf8, out);
  settle(out->layout);
  impl->layouts.Keep(key, context, {out->layout, out->em});
}

}  // namespace

int ZCanvas::PaintText(const std::u16string& text, ZRect* asked, UINT format, const ZFont& font,
                      ZColor color) {
  if (!impl_->cr || !asked) return 0;
  // Coordinates far beyond any canvas are brought within +-2^29, so that the
  // sums below stay inside an int; only DT_CALCRECT writes the rectangle back.
  constexpr int kFar = 1 << 29;
  ZRect bounded{std::clamp(asked->left, -kFar, kFar), std::clamp(asked->top, -kFar, kFar),
                std::clamp(asked->right, -kFar, kFar), std::clamp(asked->bottom, -kFar, kFar)};
  ZRect* rect = (format & DT_CALCRECT) ? asked : &bounded;
  if (rect == asked) *asked = bounded;
  const bool single = format & DT_SINGLELINE;
  PrefixedText shown;
  if (format & DT_NOPREFIX)
    shown.text = text;
  else
    shown = StripPrefixes(text);
  if (single) {
    // One line: line breaks are not honoured.
    std::u16string flat;
    std::vector<size_t> kept;
    size_t next = 0;
    for (size_t i = 0; i < shown.text.size(); ++i) {
      if (shown.text[i] == u'\r' || shown.text[i] == u'\n') continue;
      while (next < shown.underlined.size() && shown.underlined[next] < i) ++next;
      if (next < shown.underlined.size() && shown.underlined[next] == i) kept.push_back(flat.size());
      flat.push_back(shown.text[i]);
    }
    shown.text = std::move(flat);
    shown.underlined = std::move(kept);
  }
  const int box_width = std::max(0, rect->Width());
  const bool wrap = (format & DT_WORDBREAK) && !single;
  const bool ellipsis = format & DT_END_ELLIPSIS;
  const bool calc = format & DT_CALCRECT;
  const bool sized = wrap || (ellipsis && !calc);
  const bool cut = ellipsis && !calc;
  // Wrapped text is cut (with the ellipsis) at the last line that fits.
  const int cut_height = cut && wrap ? std::max(0, rect->Height()) : -1;
  const UINT horizontal = format & (DT_CENTER | DT_RIGHT);
  const PangoAlignment alignment = horizontal == DT_CENTER  ? PANGO_ALIGN_CENTER
                                   : horizontal == DT_RIGHT ? PANGO_ALIGN_RIGHT
                                                            : PANGO_ALIGN_LEFT;
  const std::string utf8 = SimToUtf8(shown.text);
  const std::string key = LayoutKey(
      font, {'P', sized ? box_width : -1, int{wrap}, int{cut}, cut_height, static_cast<int>(alignment)}, shown, utf8);
  Layout made;
  CachedLayout(impl_.get(), key, font, shown, utf8, &made, [&](PangoLayout* layout) {
    if (sized) pango_layout_set_width(layout, PangoUnits(box_width));
    if (wrap) pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    if (cut) {
      pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
      if (cut_height >= 0) pango_layout_set_height(layout, PangoUnits(cut_height));
    }
    pango_layout_set_alignment(layout, alignment);
  });
  PangoLayout* layout = made.layout;
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(layout, &ink, &logical);
  const int text_width = logical.width;
  const int text_height = shown.text.empty() ? 0 : logical.height;
  if (calc) {
    rect->right = rect->left + text_width;
    rect->bottom = rect->top + text_height;
    return text_height;
  }
  // Without a layout width, pango aligns the lines among themselves; the
  // block then goes to its place in the rectangle.
  int x = rect->left;
  if (!sized) {
    if (horizontal == DT_CENTER)
      x += (box_width - text_width) / 2;
    else if (horizontal == DT_RIGHT)
      x += box_width - text_width;
    x -= logical.x;
  }
  int y = rect->top;
  int result = text_height;
  if (single && (format & DT_VCENTER)) {
    y += (rect->Height() - text_height) / 2;
    result = y - rect->top + text_height;
  } else if (single && (format & DT_BOTTOM)) {
    y = rect->bottom - text_height;
    result = y - rect->top + text_height;
  }
  cairo_t* cr = impl_->cr;
  cairo_save(cr);
  if (!(format & DT_NOCLIP)) {
    cairo_rectangle(cr, rect->left, rect->top, rect->Width(), rect->Height());
    cairo_clip(cr);
  }
  SetSourceColor(cr, color);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
  return result;
}

// GDI+ lays text out as GDI does but pads each line with 1/6 em on either side
// (its generic default format), wraps within the width less that padding, and
// gives fractional sizes; "&" is plain text to it.
ZSizeF ZCanvas::MeasureString(const std::u16string& text, const ZFont& font, float max_width) {
  ZSizeF size;
  if (!impl_->cr) return size;
  PrefixedText shown;
  shown.text = text;
  const std::string utf8 = SimToUtf8(shown.text);
  int max_bits = 0;
  static_assert(sizeof max_bits == sizeof max_width);
  std::memcpy(&max_bits, &max_width, sizeof max_bits);
  const std::string key = LayoutKey(font, {'M', max_width > 0 ? max_bits : 0}, shown, utf8);
  Layout made;
  CachedLayout(impl_.get(), key, font, shown, utf8, &made, [&](PangoLayout* layout) {
    if (max_width > 0) {
      pango_layout_set_width(layout, PangoUnits(std::max(1.0, max_width - made.em / 3)));
      pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
  });
  const double padding = made.em / 3;
  PangoRectangle ink, logical;
  pango_layout_get_extents(made.layout, &ink, &logical);
  if (text.empty()) return size;
  size.width = static_cast<float>(logical.width / static_cast<double>(PANGO_SCALE) + padding);
  if (max_width > 0) size.width = std::min(size.width, max_width);
  size.height = static_cast<float>(logical.height / static_cast<double>(PANGO_SCALE));
  return size;
}

int SimCanvasUnknownGlyphs(const std::u16string& text, const ZFont& font) {
  PangoContext* context = pango_font_map_create_context(FontMap());
  PrefixedText shown;
  shown.text = text;
  int unknown = 0;
  {
    Layout made;
    MakeLayout(context, font, shown, SimToUtf8(shown.text), &made);
    unknown = pango_layout_get_unknown_glyphs_count(made.layout);
  }
  g_object_unref(context);
  return unknown;
}

// fontconfig's pattern caches, which pango fills from a thread of its own,
// outlive every font map and are never freed: not ours to report. (Read by
// LeakSanitizer in sanitized builds; an unused function otherwise.)
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
