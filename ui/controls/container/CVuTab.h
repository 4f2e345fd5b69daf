// "tab": one page of a tab control, a dialog section of absolute layout
// filling the control's page area. "title" is its strip caption (string
// table "%str" substitution applies); "hide" 1 keeps it off the strip.
#pragma once

#include <string>

#include "ui/element/CVuContainerWnd.h"

class CVuTab : public CVuDialog {
 public:
  CVuTab();
  const char* GetTag() const override;  // "tab"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;

  const std::u16string& GetTitle() const { return title_; }
  bool IsTabHidden() const { return tab_hidden_; }
  void SetTabHidden(bool hidden) { tab_hidden_ = hidden; }

 private:
  std::u16string title_;
  bool tab_hidden_ = false;
};
