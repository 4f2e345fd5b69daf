// The simulated host's own view of the canvas's fonts, for tests.
#pragma once

#include <string>

#include "platform/canvas.h"

// How many characters of text no installed font has a glyph for (they would
// show as boxes) with font and fontconfig's fallback.
int SimCanvasUnknownGlyphs(const std::u16string& text, const ZFont& font);
