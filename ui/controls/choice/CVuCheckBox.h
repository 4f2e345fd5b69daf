// "check": a box on the left (the skin by the checked bit, in the state
// frame) and the text right of it, vertically centred. A left-button
// release inside toggles the checked bit; boxes sharing a "unique_id" form
// a group in which checking one clears the others.
#pragma once

#include <string>

#include "ui/element/CVuWindow.h"

class CVuCheckBox : public CVuWindow {
 public:
  ~CVuCheckBox() override;  // leaves its group

  const char* GetTag() const override;  // "check"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool NeedsRedrawOnStateChange() override;
  bool ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  void PaintContent(ZCanvas* dc) override;

  bool IsChecked() const { return (state_ & kVuStateChecked) != 0; }
  // Sets or clears the checked bit; checking a group member clears the others.
  void SetChecked(bool checked);
  const std::string& UniqueId() const { return unique_id_; }
  // Box width and height and the text spacing in pixels, DPI-scaled.
  int BoxWidth() const;
  int BoxHeight() const;
  int TextSpacing() const;
  // Where the box is drawn inside the element's rectangle.
  ZRect BoxRect() const;

 protected:
  VuSize WantedSize(int cx, int cy) override;  // the text's size plus the box

 private:
  void ClearOthersInGroup();

  std::string skin_ = "cmn_checkbox";
  std::string skin_check_ = "cmn_checkbox_check";
  int box_width_ = 13;
  int box_height_ = 0;  // < 1: the width
  int text_spacing_ = 4;
  std::string unique_id_;
};
