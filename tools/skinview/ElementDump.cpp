#include "tools/skinview/ElementDump.h"

#include <cstring>
#include <string>

#include "ui/controls/basic/CVuImageWnd.h"
#include "ui/dialog/VuLayout.h"
#include "ui/element/CVuContainerWnd.h"

namespace {

std::string JsonString(const char* text) {
  std::string out = "\"";
  for (const char* p = text ? text : ""; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += *p;
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
      out += escaped;
    } else {
      out += *p;
    }
  }
  return out + "\"";
}

void PrintTree(const CVuWindow* element, FILE* out) {
  const ZRect& r = element->GetRect();
  std::fprintf(out, "{\"id\": %d, \"tag\": %s, \"rect\": [%d, %d, %d, %d], \"visible\": %s}\n",
               element->GetId(), JsonString(element->GetTag()).c_str(), r.left, r.top, r.right,
               r.bottom, element->IsVisible(true) ? "true" : "false");
  if (const auto* container = dynamic_cast<const CVuContainerWnd*>(element))
    for (const auto& child : container->Children()) PrintTree(child.get(), out);
}

bool DrawsText(const CVuWindow* element) {
  static const char* const kTextTags[] = {"richtext", "richtextex", "richtext2", "progress",
                                          "progressex", "tabctrl", "shadowtext", "listwnd"};
  if (!element->GetText().empty()) return true;
  if (const auto* image = dynamic_cast<const CVuImageWnd*>(element); image && !image->Caption().empty())
    return true;
  const char* tag = element->GetTag();
  if (!tag) return false;
  for (const char* text_tag : kTextTags)
    if (std::strcmp(tag, text_tag) == 0) return true;
  return false;
}

void CollectText(const CVuWindow* element, std::vector<ZRect>* out) {
  if (!element->IsVisible(true)) return;
  if (DrawsText(element)) out->push_back(element->GetRect());
  if (const auto* container = dynamic_cast<const CVuContainerWnd*>(element))
    for (const auto& child : container->Children()) CollectText(child.get(), out);
}

}  // namespace

std::vector<ZRect> TextRectangles(const VuLayout& layout) {
  std::vector<ZRect> rects;
  for (const CVuDialog* section : {layout.Header(), layout.Body(), layout.Footer()})
    if (section)
      for (const auto& child : section->Children()) CollectText(child.get(), &rects);
  return rects;
}

void PrintElements(const VuLayout& layout, FILE* out) {
  for (const CVuDialog* section : {layout.Header(), layout.Body(), layout.Footer()})
    if (section)
      for (const auto& child : section->Children()) PrintTree(child.get(), out);
}
