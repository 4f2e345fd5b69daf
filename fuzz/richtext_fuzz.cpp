// Rich-text markup over arbitrary text: read through the XML reader as a
// "richtext" element's content, laid out at a size and with a style taken
// from the first bytes, painted on a small canvas, and driven by the mouse
// over its links. Nothing may crash, hang or grow without bound, and every
// laid-out link must have a sane rectangle.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "platform/canvas.h"
#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "platform/xml.h"
#include "ui/richtext/CVuRichText.h"
#include "ui/richtext/CVuRichTextEx.h"
#include "ui/style/VuStyle.h"

namespace {

void LoadStyles() {
  ZXmlDocument doc;
  doc.Parse(
      "<style><class name='m' x-margin='3' y-margin='2' linespacing='2' spacing='1' textmode='1'/>"
      "<class name='n' x-margin='-40' linespacing='-30' spacing='-9' gdiplus='1'/>"
      "<class name='l' font='0106' hoverfont='0304' crtext='0000FF' crhover='FF0000'/></style>");
  VuStylePool::Instance().Clear();
  VuStylePool::Instance().LoadDocument(doc.FirstChildElement());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool loaded = (LoadStyles(), true);
  (void)loaded;
  if (size < 3) return 0;
  const int width = data[0], height = data[1] / 2;
  const uint8_t flags = data[2];
  const std::string markup(reinterpret_cast<const char*>(data + 3), size - 3);
  std::string element = "<richtext linkclass='l'";
  if (flags & 1) element += " class='m'";
  if (flags & 2) element += " class='n'";
  if (flags & 4) element += " defaultfont='0204'";
  if (flags & 8) element += " adjustpos='1' autoadjustyahei='1'";
  ZXmlDocument doc;
  if (!doc.Parse((element + ">" + markup + "</richtext>").c_str())) return 0;

  CVuRichText plain;
  CVuRichTextEx ex;
  CVuRichText& rich = (flags & 16) ? static_cast<CVuRichText&>(ex) : plain;
  rich.Load(doc.FirstChildElement());
  rich.Position(0, 0, width, height);
  if (flags & 32) rich.Position(-5, -5, 0, 0);

  ZCanvas canvas;
  canvas.Create(64, 32);
  rich.Redraw(&canvas, nullptr);
  for (const VuRichLink& link : rich.Links()) {
    FUZZ_CHECK(link.rect.left <= link.rect.right && link.rect.top <= link.rect.bottom);
    LRESULT result = 0;
    const LPARAM at = MAKELPARAM(link.rect.left, link.rect.top);
    rich.ProcessMessage(WM_MOUSEMOVE, 0, at, &result);
    rich.ProcessMessage(WM_LBUTTONDOWN, 0, at, &result);
    rich.ProcessMessage(WM_LBUTTONUP, 0, at, &result);
  }
  rich.Redraw(&canvas, nullptr);
  FUZZ_CHECK(rich.LastLayout().lines.size() <= markup.size() + 2 || rich.LastLayout().truncated ||
             rich.LastLayout().lines.size() <= 70000);
  return 0;
}
