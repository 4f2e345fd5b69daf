// DrawText's prefix characters: "&x" shows x underlined, "&&" shows "&", a
// lone "&" at the end shows nothing. Shared by both back ends' text.
#pragma once

#include <string>
#include <vector>

struct PrefixedText {
  std::u16string text;              // as shown
  std::vector<size_t> underlined;  // indexes into text
};

PrefixedText StripPrefixes(const std::u16string& text);
