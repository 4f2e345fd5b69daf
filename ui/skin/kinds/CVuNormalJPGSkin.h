// "skinjpg": a JPEG file of the resource directory, drawn as "skinpng"
// draws, always opaque.
#pragma once

#include "ui/skin/kinds/CVuNormalSkin.h"

class CVuNormalJPGSkin : public CVuNormalSkin {
 public:
  const char* GetTag() const override { return "skinjpg"; }

 protected:
  VuImagePool& Pool() const override { return VuImagePool::Jpg(); }
};
