#include "ui/richtext/VuRichMarkup.h"

#include <cstring>

#include "ui/resource/VuUtf8.h"

namespace {

std::string Lower(const char* name) {
  std::string out = name ? name : "";
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

void AddText(VuRichMarkup* markup, const char* text) {
  if (!text || !*text) return;
  VuRichToken token;
  token.text = VuUtf8ToUtf16(text);
  markup->push_back(std::move(token));
}

}  // namespace

const char* VuRichToken::Attribute(const char* name) const {
  for (const auto& attribute : attributes)
    if (attribute.first == name) return attribute.second.c_str();
  return nullptr;
}

VuRichMarkup VuCopyRichMarkup(const ZXmlElement& element) {
  VuRichMarkup markup;
  if (!element) return markup;
  AddText(&markup, element.Text());
  // An explicit stack of open elements: the walk never recurses.
  std::vector<ZXmlElement> open;
  ZXmlElement next = element.FirstChildElement();
  while (next || !open.empty()) {
    if (!next) {
      ZXmlElement done = open.back();
      open.pop_back();
      VuRichToken close;
      close.kind = VuRichToken::kClose;
      close.tag = Lower(done.Name());
      markup.push_back(std::move(close));
      AddText(&markup, done.TailText());
      next = done.NextSiblingElement();
      continue;
    }
    VuRichToken start;
    start.kind = VuRichToken::kOpen;
    start.tag = Lower(next.Name());
    for (ZXmlAttribute a = next.FirstAttribute(); a; a = a.Next())
      start.attributes.emplace_back(a.Name() ? a.Name() : "", a.Value() ? a.Value() : "");
    markup.push_back(std::move(start));
    AddText(&markup, next.Text());
    open.push_back(next);
    next = next.FirstChildElement();
  }
  return markup;
}

VuRichMarkup VuParseRichMarkupText(const std::string& xml) {
  ZXmlDocument document;
  if (!document.Parse(xml.c_str())) return {};
  return VuCopyRichMarkup(document.FirstChildElement());
}
