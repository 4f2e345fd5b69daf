// A dialog layout: the "layer" document of one numeric id. Its root gives
// the window's size, title, frame skin and window styles; its "header",
// "body" and "footer" children are the three sections of element trees.
#pragma once

#include <memory>
#include <string>

#include "platform/canvas.h"
#include "platform/types.h"
#include "platform/xml.h"
#include "ui/core/VuTypes.h"
#include "ui/resource/VuUtf8.h"

class CVuDialog;
class CVuWindow;
class IVuControlCreator;

// Window style and extended style before the root's attributes apply.
constexpr DWORD kVuLayoutInitialStyle = 0x80090000;    // WS_POPUP | WS_SYSMENU | WS_MAXIMIZEBOX
constexpr DWORD kVuLayoutInitialExStyle = 0x00010000;  // WS_EX_CONTROLPARENT

// The root's attributes and the styles computed from them.
struct VuLayoutAttributes {
  std::string frame;
  std::u16string title;
  int width = 0;
  int height = 0;
  bool dpi_aware = false;
  int min_width = 0;
  int min_height = 0;
  bool appwin = false;
  bool layered = false;
  bool child = false;
  bool holdsize = false;
  bool resize = false;
  bool noborder = false;
  bool nomove = false;
  DWORD style = kVuLayoutInitialStyle;
  DWORD ex_style = kVuLayoutInitialExStyle;
};

// Reads the root's attributes in the schema's order and computes the
// styles. "child" makes "holdsize", "resize", "noborder" and "nomove"
// ineffective. "width" and "height" are scaled by scale when "dpiaware" is
// set. Attributes the schema does not know are reported and ignored.
void VuReadLayoutAttributes(const ZXmlElement& root, float scale, VuLayoutAttributes* out);

class VuLayout {
 public:
  VuLayout();
  ~VuLayout();
  VuLayout(const VuLayout&) = delete;
  VuLayout& operator=(const VuLayout&) = delete;

  // Loads the layout resource id ("xml") through the resource locator, its
  // problems reported under "<id>.xml". False (and nothing loaded) for a
  // missing resource, a parse error or a root other than "layer".
  bool LoadResource(int id, HWND host);
  // The same from a document's text.
  bool LoadText(const std::string& text, HWND host);
  bool IsLoaded() const { return loaded_; }
  void Clear();
  // The creator the sections get for extended tags (nested containers
  // inherit it): the extended controls' creator unless set otherwise before
  // loading; null leaves the built-in tags only.
  IVuControlCreator* GetCreator() const { return creator_; }
  void SetCreator(IVuControlCreator* creator) { creator_ = creator; }

  const VuLayoutAttributes& Attributes() const { return attributes_; }
  CVuDialog* Header() const { return header_.get(); }
  CVuDialog* Body() const { return body_.get(); }
  CVuDialog* Footer() const { return footer_.get(); }
  // True when the header alone fills the view ("height"="full", no body
  // and no footer).
  bool HeaderFillsView() const { return header_fills_; }

  // Places the sections in a client area of cx x cy: header on top, footer
  // at the bottom, body in between.
  void Arrange(int cx, int cy);
  // Draws the sections that loaded (header, body, footer) with the clip.
  void RedrawSections(ZCanvas* dc, const VuRegion* clip);
  // The element of that id: header, then body, then footer.
  CVuWindow* FindById(int id) const;
  // Hit-tests header, body and footer in that order.
  VUHANDLE HitTest(int x, int y) const;
  void SetHostWindow(HWND host);

 private:
  std::unique_ptr<CVuDialog> LoadSection(const ZXmlElement& element, HWND host);

  bool loaded_ = false;
  VuLayoutAttributes attributes_;
  std::unique_ptr<CVuDialog> header_, body_, footer_;
  bool header_fills_ = false;
  IVuControlCreator* creator_;
};
