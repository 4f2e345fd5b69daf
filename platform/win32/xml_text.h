// Text handling of the Windows XML reader that has nothing Windows-specific in
// it, apart so that the Linux suite checks it against TinyXML's own.
#pragma once

#include <string>
#include <string_view>

// A text node as TinyXML keeps it with white space condensed: leading and
// trailing white space gone, every inner run of it one space. Blank text
// comes back empty (TinyXML then keeps no node at all).
inline std::string ZXmlCondenseWhiteSpace(std::string_view text) {
  std::string out;
  bool pending_space = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      pending_space = !out.empty();
      continue;
    }
    if (pending_space) out.push_back(' ');
    pending_space = false;
    out.push_back(c);
  }
  return out;
}
