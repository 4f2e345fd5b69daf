// "text": the element's text in its rectangle, with its style's font,
// colour and text mode.
#pragma once

#include "ui/element/CVuWindow.h"

class CVuStatic : public CVuWindow {
 public:
  const char* GetTag() const override;  // "text"
};
