// "br": ends the current line of a flow layout. It has no size and draws
// nothing; the panel recognises it by its tag.
#pragma once

#include "ui/element/CVuWindow.h"

class CVuLineBreak : public CVuWindow {
 public:
  const char* GetTag() const override;  // "br"
  VUHANDLE HitTest(int x, int y, int flag) override;  // never hit

 protected:
  VuSize WantedSize(int cx, int cy) override;  // 0 x 0
};
