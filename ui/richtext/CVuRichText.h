// "richtext": a paragraph of inline markup (its XML children: "br", "b",
// "i", "u", "s", "c", "g", "a", "o"), wrapped to the element's width, with
// clickable links. Releasing the mouse over the link it was pressed on
// sends the command notification with the link's "id" and the class
// "richtext".
//
// Attributes: "defaultfont" (hexadecimal font id of the text outside tags;
// without it the element's font), "linkclass" (the style whose font, hover
// font and colours the links take), "forcecursor" (the hand cursor over the
// whole element), "adjustpos" (the text block is centred vertically in the
// content rectangle), "autoadjustyahei" (with a YaHei default face the text
// is drawn 2 pixels higher, DPI-scaled, to make up for that face's tall
// ascent). Text between tags comes as the XML reader condenses it (no
// white space at its ends): the style's "spacing" is the gap after a run.
// Text is drawn with the style's crdisabled while disabled, when set.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/element/CVuWindow.h"
#include "ui/richtext/VuRichLayout.h"
#include "ui/richtext/VuRichMarkup.h"
#include "ui/richtext/VuRichMeasureCache.h"
#include "ui/richtext/VuRichRuns.h"

// One link as the last layout placed it.
struct VuRichLink {
  std::u16string text;
  ZRect rect;
  int id = 0;
  VuColor color = kVuNoColor;        // "color"
  VuColor hover_color = kVuNoColor;  // "hover_color"
};

class CVuRichText : public CVuWindow {
 public:
  const char* GetTag() const override;  // "richtext"
  bool Load(const ZXmlElement& element) override;
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void SetCursorForElement() override;
  bool ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  void PaintContent(ZCanvas* dc) override;

  // Replaces the markup (the content of a "<richtext>" element as XML
  // text); false, and the markup unchanged, when the reader refuses it.
  bool SetMarkup(const std::string& xml_content);
  const VuRichMarkup& Markup() const { return markup_; }
  const std::vector<VuRichRun>& Runs() const { return runs_; }
  // The last layout (made when positioned and on every paint).
  const VuRichLayout& LastLayout() const { return layout_; }
  const std::vector<VuRichLink>& Links() const { return links_; }
  int HoverLink() const { return hover_link_; }
  int PressedLink() const { return pressed_link_; }
  // The link under a client point, or -1.
  int LinkAt(int x, int y) const;
  // The cursor the element asks for now (IDC_HAND or IDC_ARROW as a number).
  int CursorId() const;

  int DefaultFontId() const;
  bool ForceCursor() const { return force_cursor_; }
  bool AdjustPos() const { return adjust_pos_; }
  bool AutoAdjustYahei() const { return auto_adjust_yahei_; }

 protected:
  VuSize WantedSize(int cx, int cy) override;
  void OnPosition(int x, int y, int cx, int cy) override;
  // Drawing and measuring the GDI+ way; else as GDI. The style's "gdiplus".
  virtual bool UsesGdiPlus() const;
  virtual uint8_t TextAlpha() const;

 private:
  void Relayout(const ZRect& area, int max_bottom);
  ZRect ContentRect() const;
  void SetHoverLink(int link);
  void InvalidateLink(int link) const;

  VuRichMarkup markup_;
  std::vector<VuRichRun> runs_;
  uint16_t runs_font_ = 0;  // the base font the runs were read with
  bool runs_read_ = false;
  VuRichLayout layout_;
  VuRichMeasureCache measures_;
  std::vector<VuRichLink> links_;
  int default_font_ = -1;
  std::string link_class_;
  bool force_cursor_ = false;
  bool adjust_pos_ = false;
  bool auto_adjust_yahei_ = false;
  int hover_link_ = -1;
  int pressed_link_ = -1;
};
