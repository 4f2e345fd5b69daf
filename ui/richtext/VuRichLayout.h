// Lays the runs out in a content rectangle: greedy by characters (a run
// breaks between any two characters, not at spaces; a character wider than
// the whole line goes alone on its line, so the layout always advances),
// links kept whole and moved to the next line when they do not fit, offsets
// that wrap over lines, and "g" alignment inside each line.
//
// Lines: a line is as tall as its tallest run (the default font's height
// when it holds none); the next line starts below it plus the style's
// "linespacing". A run sits at the top, centre or bottom of its line by its
// "g" alignment (bottom when it has none, so that mixed sizes share a
// bottom edge). With centring (DT_CENTER), every line is moved right by half
// the space it leaves. An offset that passes the right edge goes on at the
// left of the next line with what is left, over as many lines as it takes
// (a line that it crosses whole is an empty line); a negative offset moves
// left, never before the line's start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/canvas.h"
#include "ui/richtext/IRichTextGraphics.h"
#include "ui/richtext/VuRichRuns.h"

struct VuRichGeometry {
  int left = 0;
  int top = 0;
  int right = 0;          // the right edge minus the x-margin
  int max_bottom = 1 << 16;  // lines starting below this are not laid out
  int line_spacing = 0;
  int spacing = 0;
  bool centre = false;
};

// A piece of a text run on one line: characters [start, start + length).
struct VuRichPiece {
  size_t run = 0;
  size_t start = 0;
  size_t length = 0;
  float x = 0;
  int y = 0;
  float width = 0;
  int height = 0;
};

// A link, or a box of the object model, kept whole on one line.
struct VuRichLinkBox {
  size_t run = 0;
  float x = 0;
  int y = 0;
  float width = 0;
  int height = 0;
  ZRect Rect() const;
};

struct VuRichLine {
  int top = 0;
  int height = 0;
  float right = 0;  // the right end of what the line holds
};

struct VuRichLayout {
  std::vector<VuRichPiece> pieces;
  std::vector<VuRichLinkBox> links;  // links and boxes, in run order
  std::vector<VuRichLine> lines;
  int bottom = 0;     // below the last line
  float right = 0;    // the rightmost end of any line
  bool truncated = false;  // stopped at max_bottom (or as far above the top)
};

// Fonts by id, with the measures the layout needs cached per font and
// character (measuring every prefix of a long run again would be quadratic).
class VuRichMeasurer {
 public:
  using FontResolver = std::function<ZFont(uint16_t)>;
  VuRichMeasurer(IRichTextGraphics* graphics, FontResolver resolver);

  const ZFont& Font(uint16_t font_id);
  // What the character at text[at] (units code units long) adds to a line.
  float Advance(uint16_t font_id, const std::u16string& text, size_t at, size_t units);
  // The sum of the advances of text's characters.
  float TextAdvance(uint16_t font_id, const std::u16string& text);
  int LineHeight(uint16_t font_id);
  float Width(uint16_t font_id, const std::u16string& text);

 private:
  IRichTextGraphics* graphics_;
  FontResolver resolver_;
  std::unordered_map<uint16_t, ZFont> fonts_;
  std::unordered_map<uint16_t, int> heights_;
  std::unordered_map<uint64_t, float> advances_;
};

// link_font: the font id links are measured with (-1: the link run's own).
VuRichLayout VuLayoutRichRuns(const std::vector<VuRichRun>& runs, const VuRichGeometry& geometry,
                              VuRichMeasurer* measurer, uint16_t default_font, int link_font);
