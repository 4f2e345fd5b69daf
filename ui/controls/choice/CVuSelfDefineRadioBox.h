// "customradio": a radio box whose whole face is its skin ("skin", checked
// "skin_check"; "cmn_radio"/"cmn_radio_check" by default) with the text
// centred on it, like one segment of a segmented button. Grouping and
// clicks as "radio"; the two kinds share groups.
#pragma once

#include <string>

#include "ui/controls/choice/VuRadioGroup.h"
#include "ui/element/CVuWindow.h"

class CVuSelfDefineRadioBox : public CVuWindow, public IVuRadioMember {
 public:
  const char* GetTag() const override;  // "customradio"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool NeedsRedrawOnStateChange() override;
  bool ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  void PaintContent(ZCanvas* dc) override;
  const std::string& RadioGroup() const override { return settings_.group; }

  bool IsChecked() const { return (state_ & kVuStateChecked) != 0; }
  void SetChecked(bool checked);

 protected:
  VuSize WantedSize(int cx, int cy) override;  // the skin's natural size at least

  VuRadioSettings settings_;
};
