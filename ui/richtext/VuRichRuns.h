// The run model: the markup read into a flat list of runs, each carrying the
// font id, colour and line alignment in force at its place. Tags nest and
// restore what they changed when they close; unknown tags only pass their
// content through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/core/VuTypes.h"
#include "ui/richtext/VuRichMarkup.h"

// Vertical alignment of a run in its line ("g" "align").
enum class VuRichAlign { kTop, kCentre, kBottom };

struct VuRichRun {
  // kBox: an inline box of a fixed size (an image of the object model).
  enum Kind { kText, kLink, kBreak, kOffset, kBox };
  Kind kind = kText;
  std::u16string text;              // kText, kLink
  uint16_t font_id = 0;             // the base font id with the tags' bits
  VuColor color = kVuNoColor;       // "c"; none: the element's text colour
  VuRichAlign align = VuRichAlign::kBottom;
  int offset = 0;                   // kOffset: pixels, may be negative
  // kLink:
  int link_id = 0;
  VuColor link_color = kVuNoColor;  // "color"
  VuColor hover_color = kVuNoColor; // "hover_color"
  uint8_t alpha = 255;              // opacity of text and links
  // kBox:
  std::string skin;
  int box_width = 0;
  int box_height = 0;
};

struct VuRichReadOptions {
  // "img" with "skin", "width", "height" makes a kBox run (the object model
  // of "richtext2"); plain rich text passes "img" through as unknown.
  bool images = false;
  // "c" also takes "alpha" (0-255).
  bool alpha = false;
};

// Reads the markup with base_font as the font id of text outside any tag.
std::vector<VuRichRun> VuReadRichRuns(const VuRichMarkup& markup, uint16_t base_font,
                                      const VuRichReadOptions& options = {});

// The value syntaxes of the markup, total on any input:
// six hexadecimal digits, red first; each pair that is missing or not
// hexadecimal reads as 0.
VuColor VuRichParseColor(const char* text);
// Leading hexadecimal digits (an optional "-" first; none gives 0), the
// magnitude clamped to 0x7FFFFFFF.
int VuRichParseHex(const char* text);
