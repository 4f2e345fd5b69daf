// "listwnd": a list of rows ("listitem") stacked from the top in document
// order, as wide as the list (less the scroll bar while it shows), clipped
// to the list and scrolled by an offset: by the mouse wheel ("wheelmove"
// pixels per notch, DPI-scaled, default 40), by dragging its scroll bar, or
// through code. Rows hidden or out of view ("viewvisible" 0) take no room.
// "externline" adds that much room after the last row. The scroll bar is
// the list's "listscrollbar" child, or one the list makes with the style
// class "scrollclass".
#pragma once

#include <memory>
#include <string>

#include "ui/element/CVuContainerWnd.h"

class CVuListItem;
class CVuWindowScollBar;

class CVuListWnd : public CVuDialog {
 public:
  const char* GetTag() const override;  // "listwnd"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool Load(const ZXmlElement& element) override;
  VUHANDLE HitTest(int x, int y, int flag) override;
  void Redraw(ZCanvas* dc, const VuRegion* clip) override;
  bool ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  void RepositionChild(CVuWindow* child) override;

  // The list interface.
  int GetItemCount() const;
  CVuListItem* GetItem(int index) const;
  // Adds a row at the end (parented, given the host window) and lays out.
  CVuListItem* AppendItem(std::unique_ptr<CVuListItem> item);
  bool RemoveItem(int index);
  // Scrolls so that the row is wholly in view; false for no such row.
  bool EnsureVisible(int index);
  void ScrollTo(int offset);
  void ScrollBy(int delta);
  int GetScrollOffset() const { return offset_; }
  // The rows' total height plus "externline".
  int GetContentHeight() const;
  int GetWheelMove() const { return wheel_move_; }
  CVuWindowScollBar* ScrollBar() const;

 protected:
  void Layout(int x, int y, int cx, int cy) override;

 private:
  // Places the rows and the bar for the offset in force (clamped first).
  void LayoutItems();
  bool TakesRoom(const CVuWindow* child) const;

  std::string scroll_class_;
  int extern_line_ = 0;
  int wheel_move_ = 40;
  int offset_ = 0;
};
