#include "platform/common/text_prefix.h"

PrefixedText StripPrefixes(const std::u16string& text) {
  PrefixedText out;
  out.text.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'&') {
      out.text.push_back(text[i]);
      continue;
    }
    if (i + 1 >= text.size()) break;
    ++i;
    if (text[i] != u'&') out.underlined.push_back(out.text.size());
    out.text.push_back(text[i]);
  }
  return out;
}
