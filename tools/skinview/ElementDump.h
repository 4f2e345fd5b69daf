// One JSON line per element of a laid-out dialog.
#pragma once

#include <cstdio>
#include <vector>

#include "platform/canvas.h"

class VuLayout;

// {"id": 101, "tag": "button", "rect": [l, t, r, b], "visible": true} for
// every element under header, body and footer, in tree order; "visible" is
// with its parents.
void PrintElements(const VuLayout& layout, FILE* out);

// The rectangles of the visible elements that draw text (their own text,
// or text a control makes: rich text, a percentage, tab titles, an image's
// caption), where
// two systems' glyphs differ.
std::vector<ZRect> TextRectangles(const VuLayout& layout);
