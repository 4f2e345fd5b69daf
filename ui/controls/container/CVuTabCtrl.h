// "tabctrl": a strip of tabs over a page area; its "tab" children are the
// pages, and only the selected page is shown. A left press on a tab selects
// it. Drawing: "frameskin" over the page area, then each tab of the strip
// with "tabskin" in a state frame (selected: pushed, under the mouse:
// hover, disabled control: disabled), "splitterskin" centred in the gap
// between tabs, the "iconskin" frame of the tab's index at ("icon-x",
// "icon-y"), the title at ("text-x", "text-y") or centred when both are 0,
// in "Selfont" (selected) or "vertfont" and the colour "tabtext".
// Geometry: tabs "tabwidth" x "tabheight" (DPI-scaled, defaults 80 x 24),
// "tabspacing" apart, the first "tabpos" from the strip's start, the strip
// aligned by "tabalign" (left, center, right); "framepos" places the page
// area in the "pos" syntax (default: the whole control below the strip).
#pragma once

#include <string>

#include "ui/element/CVuContainerWnd.h"

class CVuTab;

class CVuTabCtrl : public CVuContainerWnd {
 public:
  const char* GetTag() const override;  // "tabctrl"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  // Attributes, then one page per "tab" child (other tags are reported and skipped).
  bool Load(const ZXmlElement& element) override;
  bool IsContainer() const override;
  VUHANDLE HitTest(int x, int y, int flag) override;
  void Redraw(ZCanvas* dc, const VuRegion* clip) override;
  bool ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  CVuWindow* FindChildById(int id) override;
  void RepositionChild(CVuWindow* child) override;

  int GetTabCount() const { return static_cast<int>(children_.size()); }
  CVuTab* GetTab(int index) const;
  // The selected page's index, -1 when there is none.
  int GetCurSel() const;
  // Selects the page (a page off the strip cannot be); false when it cannot.
  bool SelectTab(int index);
  // The tab of that page on the strip; empty when it is off the strip.
  ZRect TabRect(int index) const;
  ZRect PageArea() const;

 protected:
  void OnPosition(int x, int y, int cx, int cy) override;

 private:
  // The page whose tab holds (x, y), or -1.
  int TabAt(int x, int y) const;
  // Shows the selected page only, and tells real windows below it.
  void ApplySelection();
  void DrawStrip(ZCanvas* dc);

  int cur_sel_ = 0;
  int hot_ = -1;
  int tab_width_ = 80;
  int tab_height_ = 24;
  int tab_pos_ = 0;
  int tab_spacing_ = 0;
  int tab_align_ = kVuAlignLeft;
  int32_t font_normal_ = -1;
  int32_t font_selected_ = -1;
  std::string tab_skin_, frame_skin_, icon_skin_, splitter_skin_;
  VuPosition frame_pos_;
  int icon_x_ = 0, icon_y_ = 0, text_x_ = 0, text_y_ = 0;
  VuColor tab_text_ = kVuNoColor;
};
