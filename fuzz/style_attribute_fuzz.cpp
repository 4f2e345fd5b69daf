// VuStyle::SetAttribute and the value parsers over arbitrary (name, value)
// pairs: the input is lines "name=value" (the first "=" splits; a line
// without one is a name with an empty value), the same as a style
// document's attributes after XML decoding. The last line's value is also
// run through the string table's substitution.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>

#include "fuzz/FuzzCheck.h"
#include "platform/xml.h"
#include "ui/resource/VuStringTable.h"
#include "ui/resource/VuUtf8.h"
#include "ui/style/VuStyle.h"
#include "ui/style/VuValueParsers.h"

namespace {

auto Fields(const VuStyle& s) {
  return std::make_tuple(s.Name(), s.crbg, s.crbghover, s.crtext, s.crhover, s.crdisabled,
                         s.crpush, s.textmode, s.font, s.hoverfont, s.pushfont, s.x_margin,
                         s.y_margin, s.spacing, s.linespacing, s.cursor, s.skin, s.shadow,
                         s.gdiplus, s.gdipluscalctxt, s.yhresizedisable, s.gditxtrndhit,
                         s.crshadow, s.alphabg, s.alphatxt, s.bggdiplus, s.textmodeex);
}

bool IsColor(VuColor color) { return color == kVuNoColor || (color >= 0 && color <= 0xFFFFFF); }

void CheckParsers(const char* value) {
  VuColor color = 0;
  if (VuParseColor(value, &color)) {
    FUZZ_CHECK(std::strlen(value) == 6);
    FUZZ_CHECK(color >= 0 && color <= 0xFFFFFF);
  } else {
    FUZZ_CHECK(color == kVuNoColor);
  }
  uint32_t flags = 1;
  if (VuParseTextMode(value, &flags))
    FUZZ_CHECK((flags & 0x10000u) == 0);
  else
    FUZZ_CHECK(flags == 0);
  uint16_t id = 1;
  if (VuParseFontId(value, &id)) {
    // The id written back as four digits reads as the same id.
    char again[8];
    std::snprintf(again, sizeof again, "%04X", static_cast<unsigned>(id));
    uint16_t round = 0;
    FUZZ_CHECK(VuParseFontId(again, &round) && round == id);
  } else {
    FUZZ_CHECK(id == 0);
  }
  (void)VuParseInt(value);
}

void CheckStyle(const VuStyle& s) {
  for (VuColor color : {s.crbg, s.crbghover, s.crtext, s.crhover, s.crdisabled, s.crpush,
                        s.crshadow})
    FUZZ_CHECK(IsColor(color));
  FUZZ_CHECK((s.textmode & 0x10000u) == 0 && (s.textmodeex & 0x10000u) == 0);
  for (int extent : {s.x_margin, s.y_margin, s.spacing, s.linespacing})
    FUZZ_CHECK(extent >= -32767 && extent <= 32767);
  FUZZ_CHECK(s.cursor == 32512 || s.cursor == 32649);
  FUZZ_CHECK(s.gditxtrndhit >= 0 && s.gditxtrndhit <= 5);
  for (uint32_t state = 0; state < 0x20; ++state) {
    const VuColor text = s.TextColorForState(state);
    FUZZ_CHECK(text == s.crtext || text == s.crhover || text == s.crpush || text == s.crdisabled);
    const uint16_t font = s.FontForState(state);
    FUZZ_CHECK(font == s.font || font == s.hoverfont || font == s.pushfont);
    const VuColor background = s.BackgroundForState(state);
    FUZZ_CHECK(background == s.crbg || background == s.crbghover);
  }
}

void LoadStrings() {
  static bool loaded = false;
  if (loaded) return;
  loaded = true;
  ZXmlDocument document;
  if (document.Parse("<string><s id=\"1\">one</s><s id=\"2\">%str1%</s></string>"))
    VuStringTable::Instance().LoadDocument(document.FirstChildElement());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LoadStrings();
  const std::string input(reinterpret_cast<const char*>(data), size);
  VuStyle style;
  std::string value;
  size_t start = 0;
  while (start <= input.size()) {
    size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    const std::string line = input.substr(start, end - start);
    start = end + 1;
    const size_t equals = line.find('=');
    // Attribute text never holds a zero byte; c_str() stops at one as a document's would.
    const std::string name = line.substr(0, equals);
    value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
    CheckParsers(value.c_str());
    const auto before = Fields(style);
    const HRESULT result = style.SetAttribute(name.c_str(), value.c_str(), (start & 1) != 0);
    FUZZ_CHECK(result == 1 || result == E_FAIL);
    if (result == E_FAIL) FUZZ_CHECK(Fields(style) == before);
    CheckStyle(style);
  }
  const std::u16string text = VuUtf8ToUtf16(value);
  const std::u16string out = VuStringTable::Instance().Substitute(text);
  FUZZ_CHECK(out.size() <= text.size());  // every entry is shorter than a reference to it
  return 0;
}
