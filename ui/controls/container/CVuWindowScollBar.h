// "listscrollbar": the vertical scroll bar of a list ("listwnd"). The list
// places it at its right edge ("barwidth" wide, DPI-scaled, default 8) and
// tells it the content and view heights and the offset; the bar draws a
// thumb of the view's share ("color_bar", "color_bar_hv" under the mouse or
// while dragged, outlined with "color_bar_border"; square with
// "rectanglebar", else rounded) and, dragged, scrolls its list.
// "permanent_hide" keeps it hidden; it is also hidden while everything fits.
#pragma once

#include "ui/element/CVuWindow.h"

class CVuListWnd;

class CVuWindowScollBar : public CVuWindow {
 public:
  const char* GetTag() const override;  // "listscrollbar"
  // Nothing to hit while there is nothing to scroll.
  VUHANDLE HitTest(int x, int y, int flag) override;
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void PaintContent(ZCanvas* dc) override;
  bool ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

  // From the list: the heights and the offset in force.
  void SetRange(int content, int view, int offset);
  int GetBarWidth() const { return bar_width_; }
  bool IsPermanentlyHidden() const { return permanent_hide_; }
  // True when there is something to scroll and the bar may show.
  bool IsNeeded() const { return !permanent_hide_ && content_ > view_ && view_ > 0; }
  // The thumb's rectangle (empty when not needed).
  ZRect ThumbRect() const;
  bool IsDragging() const { return dragging_; }

 private:
  CVuListWnd* List() const;

  VuColor bar_ = 0xA0A0A0;
  VuColor bar_hover_ = 0x707070;
  VuColor border_ = kVuNoColor;
  bool rectangle_ = false;
  int bar_width_ = 8;
  bool permanent_hide_ = false;
  int content_ = 0, view_ = 0, offset_ = 0;
  bool dragging_ = false;
  int drag_start_y_ = 0, drag_start_offset_ = 0;
};
