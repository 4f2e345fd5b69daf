// The look a check box or radio box has when its skin is missing from the
// pool: a clean square (or circle) with a tick (or dot), by state, so that a
// skin set without the default skins still shows a usable control.
#pragma once

#include <cstdint>
#include <string>

#include "platform/canvas.h"

class CVuSkinBase;

// Draws the skin named skin_name in the frame for state (raw bits for a skin
// that reads them); without such a skin draws the built-in mark. round
// selects the circle.
void VuDrawChoiceBox(ZCanvas* dc, const ZRect& box, const std::string& skin_name, uint32_t state, bool round);
// The built-in mark alone.
void VuDrawBuiltInChoice(ZCanvas* dc, const ZRect& box, uint32_t state, bool round);

// Colours of the built-in mark (straight RGB).
constexpr ZColor kVuChoiceBorder{0x80, 0x80, 0x80, 255};
constexpr ZColor kVuChoiceBorderHover{0x42, 0x61, 0x90, 255};
constexpr ZColor kVuChoiceFace{255, 255, 255, 255};
constexpr ZColor kVuChoiceFacePushed{0xDC, 0xE4, 0xF0, 255};
constexpr ZColor kVuChoiceFaceDisabled{0xE6, 0xE6, 0xE6, 255};
constexpr ZColor kVuChoiceMark{0x42, 0x61, 0x90, 255};
constexpr ZColor kVuChoiceMarkDisabled{0xA0, 0xA0, 0xA0, 255};
