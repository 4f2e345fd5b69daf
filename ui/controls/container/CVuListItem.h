// "listitem": one row of a list ("listwnd"), a dialog section of absolute
// layout whose height is its own ("height", DPI-scaled) and whose width is
// the list's. "viewvisible" 0 keeps the row out of the list's view (not
// stacked, drawn or hit) until the application sets it again.
#pragma once

#include "ui/element/CVuContainerWnd.h"

class CVuListItem : public CVuDialog {
 public:
  CVuListItem();
  const char* GetTag() const override;  // "listitem"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;

  // The row's height in pixels (never negative).
  int GetItemHeight() const { return item_height_; }
  bool IsViewVisible() const { return view_visible_; }
  void SetViewVisible(bool visible) { view_visible_ = visible; }

 private:
  int item_height_ = 0;
  bool view_visible_ = true;
};
