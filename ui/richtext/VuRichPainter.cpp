#include "ui/richtext/VuRichPainter.h"

namespace {

ZColor ToZ(VuColor color, uint8_t alpha, uint8_t run_alpha) {
  return VuToZColor(color == kVuNoColor ? 0 : color, static_cast<uint8_t>(alpha * run_alpha / 255));
}

bool Outside(int y, int height, const ZRect& clip) {
  return int64_t{y} + height <= clip.top || y >= clip.bottom;
}

}  // namespace

void VuPaintRichText(const std::vector<VuRichRun>& runs, const VuRichLayout& layout, IRichTextGraphics* graphics,
                     VuRichMeasurer* measurer, const VuRichPaintStyle& style, const ZRect& clip) {
  graphics->PushClip(clip);
  for (const VuRichPiece& piece : layout.pieces) {
    if (Outside(piece.y, piece.height, clip)) continue;
    const VuRichRun& run = runs[piece.run];
    VuColor color = run.color != kVuNoColor ? run.color : style.text;
    if (style.disabled && style.disabled_text != kVuNoColor) color = style.disabled_text;
    graphics->DrawText(run.text.substr(piece.start, piece.length), piece.x, static_cast<float>(piece.y),
                       measurer->Font(run.font_id), ToZ(color, style.alpha, run.alpha));
  }
  // The colour in force starts as the link style's (disabled or normal) and
  // returns to the normal one after a link drawn in a colour of its own.
  const VuRichLinkLook& look = style.link;
  VuColor in_force = style.disabled ? look.disabled : look.normal;
  for (size_t i = 0; i < layout.links.size(); ++i) {
    const VuRichLinkBox& box = layout.links[i];
    const VuRichRun& run = runs[box.run];
    if (run.kind != VuRichRun::kLink) continue;  // boxes are drawn by their owner
    const uint16_t link_font = look.font >= 0 ? static_cast<uint16_t>(look.font) : run.font_id;
    uint16_t font = link_font;
    VuColor color = in_force;
    bool own = false;
    if (static_cast<int>(i) == style.hover_link && !style.disabled) {
      if (look.hover_font >= 0) font = static_cast<uint16_t>(look.hover_font);
      color = run.hover_color != kVuNoColor ? run.hover_color
              : look.hover != kVuNoColor ? look.hover
                                         : in_force;
      own = true;
    } else if (run.link_color != kVuNoColor) {
      color = run.link_color;
      own = true;
    }
    if (own) in_force = look.normal;
    if (color == kVuNoColor) color = run.color != kVuNoColor ? run.color : style.text;
    if (Outside(box.y, box.height, clip)) continue;
    graphics->DrawText(run.text, box.x, static_cast<float>(box.y), measurer->Font(font), ToZ(color, style.alpha, run.alpha));
  }
  graphics->PopClip();
}
