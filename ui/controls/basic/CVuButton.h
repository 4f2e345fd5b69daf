// "button": a clickable element whose look (background skin or colours by
// state, text) comes from its style.
#pragma once

#include "ui/element/CVuWindow.h"

class CVuButton : public CVuWindow {
 public:
  const char* GetTag() const override;  // "button"
};
