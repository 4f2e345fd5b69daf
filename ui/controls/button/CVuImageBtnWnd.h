// "imgbtn": an image whose skin is drawn in the frame of its state
// (disabled, pushed, hover, normal), with the image attributes of "img".
// With a "group", a click checks it and clears the others of that group in
// the same dialog: the checked one stays drawn pushed.
#pragma once

#include <string>

#include "ui/controls/basic/CVuImageWnd.h"
#include "ui/controls/choice/VuRadioGroup.h"

class CVuImageBtnWnd : public CVuImageWnd, public IVuRadioMember {
 public:
  const char* GetTag() const override;  // "imgbtn"
  bool ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  const std::string& RadioGroup() const override;

  bool IsChecked() const { return (state_ & kVuStateChecked) != 0; }

 protected:
  int SkinState() const override;
  bool DrawsByState() const override;
};
