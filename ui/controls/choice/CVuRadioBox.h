// "radio": a round box on the left (skin "cmn_radio", checked
// "cmn_radio_check" by default) and the text right of it, vertically
// centred. A left-button release inside checks it and clears the others of
// its "group"; clicking the checked box keeps it checked.
#pragma once

#include <string>

#include "ui/controls/choice/VuRadioGroup.h"
#include "ui/element/CVuWindow.h"

class CVuRadioBox : public CVuWindow, public IVuRadioMember {
 public:
  const char* GetTag() const override;  // "radio"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool NeedsRedrawOnStateChange() override;
  bool ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  void PaintContent(ZCanvas* dc) override;
  const std::string& RadioGroup() const override { return settings_.group; }

  bool IsChecked() const { return (state_ & kVuStateChecked) != 0; }
  // Checking clears the others of the group.
  void SetChecked(bool checked);
  int BoxSize() const;      // DPI-scaled
  int TextSpacing() const;  // DPI-scaled
  ZRect BoxRect() const;

 protected:
  VuSize WantedSize(int cx, int cy) override;

  VuRadioSettings settings_;
};
