// "progressex": a progress bar whose percentage carries an extension text
// ("%d%%%s" with "extendtext") and whose bar starts "posimg_left" pixels
// (DPI-scaled) right of the left edge, so that a background with a cap or an
// icon on its left keeps it uncovered.
#pragma once

#include <string>

#include "ui/controls/progress/CVuProgress.h"

class CVuProgressEx : public CVuProgress {
 public:
  const char* GetTag() const override;  // "progressex"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;

  const std::u16string& ExtendText() const { return extend_text_; }
  int PosImageLeft() const { return ScaleForDpi(posimg_left_); }

 protected:
  std::u16string PercentText(int percent) const override;
  ZRect BarArea() const override;

  std::u16string extend_text_;
  int posimg_left_ = 0;
};
