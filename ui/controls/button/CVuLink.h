// "link": text that opens its "href" when clicked (the view does that). It
// shows the hand cursor, and its text is underlined while the mouse is
// over it; without a text colour of its own or its style's it is blue.
#pragma once

#include "ui/element/CVuWindow.h"

// The link colour when neither the element nor its style gives one.
constexpr VuColor kVuLinkColor = 0xCC6600;  // red 0x00, green 0x66, blue 0xCC

class CVuLink : public CVuWindow {
 public:
  const char* GetTag() const override;  // "link"
  void SetCursorForElement() override;  // the hand
  bool NeedsRedrawOnStateChange() override;  // the underline follows the hover
  void PaintContent(ZCanvas* dc) override;
};
