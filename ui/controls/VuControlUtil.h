// Small helpers the controls share: the mouse point of a message and the
// value syntaxes some controls add (the repaint of one element comes with
// the containers' input helpers).
#pragma once

#include <cstdint>
#include <string>

#include "platform/canvas.h"
#include "platform/types.h"
#include "ui/controls/container/VuContainerInput.h"  // VuInvalidateElement

class CVuWindow;

// The client point of a mouse message: x in the low 16 bits, y in the high
// 16, each signed.
ZPoint VuPointFromLParam(LPARAM lparam);
// Right and bottom edges excluded.
bool VuPointIn(const ZRect& rect, ZPoint point);
// An unsigned 32-bit decimal, read leniently (blanks, an optional sign,
// digits); a negative value gives 0, a larger one 0xFFFFFFFF.
uint32_t VuParseUInt(const char* text);
// A decimal clamped into [low, high]; false when the text holds no digit.
bool VuParseIntIn(const char* text, int low, int high, int* value);
// A contrasting text colour (black or white) for a background colour.
ZColor VuContrastColor(ZColor background);
