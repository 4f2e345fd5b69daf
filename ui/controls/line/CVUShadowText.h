// "shadowtext": text with a shadow one pixel right and down, shown by state:
// "normalshadow" in the normal state, "hovershadow" while hovered or
// pushed. The shadow is "crshaow" (black when none) at "crshadowalpha".
// Disabled, it has no shadow and is grey unless its style gives a disabled
// colour.
#pragma once

#include "ui/element/CVuWindow.h"

constexpr VuColor kVuShadowTextDisabledColor = 0xA0A0A0;

class CVUShadowText : public CVuWindow {
 public:
  const char* GetTag() const override;  // "shadowtext"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool NeedsRedrawOnStateChange() override;
  void PaintContent(ZCanvas* dc) override;

  // True when the shadow shows in the current state.
  bool ShowsShadow() const;

 protected:
  bool hover_shadow_ = true;
  bool normal_shadow_ = true;
  uint8_t shadow_alpha_ = 128;
  VuColor shadow_color_ = 0x000000;
};
