// Paints a laid-out rich text: the text pieces first, then the links in
// list order with the link colour rules.
#pragma once

#include <vector>

#include "ui/richtext/VuRichLayout.h"

struct VuRichLinkLook {
  int font = -1;         // link font id (-1: each link's own run font)
  int hover_font = -1;   // -1: the link font
  VuColor normal = kVuNoColor;    // the link style's text colour
  VuColor hover = kVuNoColor;     // its hover colour
  VuColor disabled = kVuNoColor;  // its disabled colour
};

struct VuRichPaintStyle {
  VuColor text = kVuNoColor;      // the element's text colour (none: black)
  VuColor disabled_text = kVuNoColor;  // used for text while disabled, when set
  bool disabled = false;
  int hover_link = -1;            // index into the layout's links
  uint8_t alpha = 255;
  VuRichLinkLook link;
};

// Draws through graphics with the fonts of measurer.
void VuPaintRichText(const std::vector<VuRichRun>& runs, const VuRichLayout& layout, IRichTextGraphics* graphics,
                     VuRichMeasurer* measurer, const VuRichPaintStyle& style, const ZRect& clip);
