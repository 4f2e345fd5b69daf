// The rich-text element's own copy of its XML markup, flattened into a list
// of tokens (text, start tag, end tag) so that everything after loading
// works without recursion and without the document.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/xml.h"

struct VuRichToken {
  enum Kind { kText, kOpen, kClose };
  Kind kind = kText;
  std::string tag;  // kOpen/kClose: the tag name in lower case
  std::vector<std::pair<std::string, std::string>> attributes;  // kOpen
  std::u16string text;                                         // kText

  // The value of an attribute (names compared exactly), or null.
  const char* Attribute(const char* name) const;
};

using VuRichMarkup = std::vector<VuRichToken>;

// The content of element (its text, child elements and the text between
// them), not the element's own tag. Every kOpen has its kClose.
VuRichMarkup VuCopyRichMarkup(const ZXmlElement& element);
// The markup of a document "<root>...</root>" given as text; empty when the
// XML reader refuses it.
VuRichMarkup VuParseRichMarkupText(const std::string& xml);
