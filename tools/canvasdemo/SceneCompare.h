// The demo scene held to a picture of it made elsewhere: compared outside
// the scene's text rectangles.
#pragma once

#include "tools/common/PictureCompare.h"

ZPictureDifference CompareWithScene(const ZImage& scene, const ZImage& picture, bool opaque);
