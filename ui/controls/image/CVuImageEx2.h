// "imgex2": an "imgex" whose skin is stretched over the rectangle
// ("stretch"=1, the default) or drawn at its natural size from the top-left
// corner, clipped ("stretch"=0); with "topdraw" set the image is drawn over
// the element's text instead of under it.
#pragma once

#include "ui/controls/image/CVuImageEx.h"

class CVuImageEx2 : public CVuImageEx {
 public:
  const char* GetTag() const override;  // "imgex2"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void PaintContent(ZCanvas* dc) override;

 private:
  void DrawImage(ZCanvas* dc);

  bool stretch_ = true;
  bool top_draw_ = false;
};
