// Small helpers the rich-text graphics share.
#pragma once

#include "platform/canvas.h"

// canvas itself, or (when null or empty) a one-pixel canvas of the calling
// thread that measuring can use.
ZCanvas* VuRichMeasuringCanvas(ZCanvas* canvas);
// A position as a canvas coordinate: clamped to +-2^30, NaN as 0.
int VuRichClampCoordinate(double value);
