// Drawing helpers the image controls share: a skin rendered off-screen so
// that its pixels can be transformed, tiling, and the visible part of a
// rectangle on a canvas.
#pragma once

#include <string>

#include "platform/canvas.h"
#include "platform/image.h"
#include "platform/types.h"

class CVuSkinBase;

// Off-screen work is refused beyond this side: hostile sizes draw nothing.
constexpr int kVuMaxSnapshotSide = 4096;

// The skin of that name in the pool, or null (also for an empty name).
CVuSkinBase* VuLookupSkin(const std::string& name);
// Reports, while loading, a skin name the pool lacks.
void VuReportMissingSkin(int line, const std::string& name, const char* tag);

// The skin drawn in state over a transparent width x height image; false
// (and an empty image) for no skin or a size outside 1..kVuMaxSnapshotSide.
bool VuSnapshotSkin(CVuSkinBase* skin, int width, int height, int state, ZImage* out);

// The part of rect that lies on the canvas.
ZRect VuVisiblePart(const ZCanvas& dc, const ZRect& rect);

// Repeats the part src of image at its own size from dst's top-left corner,
// clipped to dst; only the copies that reach the canvas are drawn.
void VuTileImage(ZCanvas* dc, const ZImage& image, const ZRect& src, const ZRect& dst, BYTE alpha);
