// "richtext2": rich text as an object model. Its objects are text runs,
// links, line breaks, offsets and images (a skin by name, in a box of a
// given size), made from the markup of "richtext" plus "img" ("skin",
// "width", "height") and "c" with "alpha", or appended at run time through
// IVuRichtextContainerWnd. They are laid out as rich text is (links and
// images kept whole on a line) and drawn through IRichTextGraphics:
// "graphics"="gdi" (the default; whole pixels, opaque text) or "gdiplus"
// (fractional advances, text alpha kept). "defaultfont" as in "richtext".
// A click on a link object sends the command notification with its id and
// the class "richtext2".
#pragma once

#include <memory>
#include <vector>

#include "ui/element/CVuWindow.h"
#include "ui/richtext/IVuRichtextContainerWnd.h"
#include "ui/richtext/VuRichLayout.h"
#include "ui/richtext/VuRichMeasureCache.h"

class CVuRichText2Wnd : public CVuWindow, public IVuRichtextContainerWnd {
 public:
  const char* GetTag() const override;  // "richtext2"
  bool Load(const ZXmlElement& element) override;
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void SetCursorForElement() override;
  bool ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  void PaintContent(ZCanvas* dc) override;

  // IVuRichtextContainerWnd.
  void AppendObject(const VuRichRun& object) override;
  void ClearObjects() override;
  const std::vector<VuRichRun>& Objects() const override { return objects_; }
  void RefreshObjects() override;
  void OnObjectLinkClicked(int link_id) override;

  bool UsesGdiPlus() const { return gdiplus_; }
  const VuRichLayout& LastLayout() const { return layout_; }
  // The index (into LastLayout().links) of the link object under a client
  // point, or -1; and the hovered one.
  int LinkAt(int x, int y) const;
  int HoverLink() const { return hover_link_; }

 protected:
  void OnPosition(int x, int y, int cx, int cy) override;

 private:
  void Relayout();
  ZRect ContentRect() const;
  uint16_t BaseFont() const;

  std::vector<VuRichRun> objects_;
  VuRichLayout layout_;
  VuRichMeasureCache measures_;
  int default_font_ = -1;
  bool gdiplus_ = false;
  int hover_link_ = -1;
  int pressed_link_ = -1;
};
