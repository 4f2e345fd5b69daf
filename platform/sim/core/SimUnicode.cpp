#include "platform/sim/core/SimUnicode.h"

#include <locale.h>
#include <wctype.h>

#include <cstdint>

std::string SimToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // lone surrogate
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string SimToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  const size_t n = text.size();
  auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  while (i < n) {
    unsigned char b = byte(i);
    uint32_t c = 0xFFFD;
    size_t len = 1;
    if (b < 0x80) {
      c = b;
    } else if ((b & 0xE0) == 0xC0 && i + 1 < n && (byte(i + 1) & 0xC0) == 0x80) {
      c = ((b & 0x1Fu) << 6) | (byte(i + 1) & 0x3Fu);
      len = 2;
      if (c < 0x80) c = 0xFFFD;
    } else if ((b & 0xF0) == 0xE0 && i + 2 < n && (byte(i + 1) & 0xC0) == 0x80 &&
               (byte(i + 2) & 0xC0) == 0x80) {
      c = ((b & 0x0Fu) << 12) | ((byte(i + 1) & 0x3Fu) << 6) | (byte(i + 2) & 0x3Fu);
      len = 3;
      if (c < 0x800) c = 0xFFFD;
    } else if ((b & 0xF8) == 0xF0 && i + 3 < n && (byte(i + 1) & 0xC0) == 0x80 &&
               (byte(i + 2) & 0xC0) == 0x80 && (byte(i + 3) & 0xC0) == 0x80) {
      c = ((b & 0x07u) << 18) | ((byte(i + 1) & 0x3Fu) << 12) | ((byte(i + 2) & 0x3Fu) << 6) |
          (byte(i + 3) & 0x3Fu);
      len = 4;
      if (c < 0x10000 || c > 0x10FFFF) c = 0xFFFD;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += len;
  }
  return out;
}

namespace {

// Without the C.UTF-8 locale: the alphabets the machine's names use most.
char16_t FallbackUpcase(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  if (c == 0xFF) return 0x178;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 32);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
  if (c >= 0x100 && c <= 0x17F && (c & 1) && c != 0x131 && c != 0x138 && c != 0x149 &&
      !(c >= 0x139 && c <= 0x148) && !(c >= 0x179 && c <= 0x17E))
    return static_cast<char16_t>(c - 1);  // Latin Extended-A pairs (odd = small)
  if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && !(c & 1))
    return static_cast<char16_t>(c - 1);
  return c;
}

// The simple upper-case mapping of the whole BMP, built once per process.
// A mapping that would turn a non-ASCII unit into ASCII (dotless i, long s)
// is left out: the Windows upcase table keeps those apart from "I" and "S".
struct UpcaseTable {
  char16_t map[0x10000];
  UpcaseTable() {
    locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    for (uint32_t c = 0; c < 0x10000; ++c) {
      char16_t unit = static_cast<char16_t>(c);
      if (c < 0x80 || (c >= 0xD800 && c <= 0xDFFF)) {
        map[c] = c < 0x80 ? FallbackUpcase(unit) : unit;
        continue;
      }
      if (!utf8) {
        map[c] = FallbackUpcase(unit);
        continue;
      }
      wint_t upper = towupper_l(static_cast<wint_t>(c), utf8);
      map[c] = upper >= 0x80 && upper < 0x10000 ? static_cast<char16_t>(upper) : unit;
    }
    if (utf8) freelocale(utf8);
  }
};

const UpcaseTable& Table() {
  static const UpcaseTable* table = new UpcaseTable;  // never freed: used until exit
  return *table;
}

}  // namespace

char16_t SimUpcase(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  return Table().map[c];
}

std::u16string SimUpper(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = SimUpcase(c);
  return out;
}

bool SimEqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && SimUpcase(a[i]) != SimUpcase(b[i])) return false;
  return true;
}
