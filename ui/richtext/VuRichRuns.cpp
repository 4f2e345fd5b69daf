#include "ui/richtext/VuRichRuns.h"

#include <cstring>

#include "ui/style/VuValueParsers.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct State {
  uint16_t font_id = 0;
  VuColor color = kVuNoColor;
  VuRichAlign align = VuRichAlign::kBottom;
  uint8_t alpha = 255;
};

// Sizes of boxes from a hostile document stay within what a canvas shows.
int BoxSide(const char* text) {
  const int value = text ? VuParseInt(text) : 0;
  return value < 0 ? 0 : value > 16384 ? 16384 : value;
}

// A link's text: all the text inside "a", whatever tags it holds. Returns
// the index of the token after the link's end tag.
size_t ReadLinkText(const VuRichMarkup& markup, size_t start, std::u16string* text) {
  int depth = 0;
  size_t i = start + 1;
  for (; i < markup.size(); ++i) {
    const VuRichToken& token = markup[i];
    if (token.kind == VuRichToken::kText) {
      *text += token.text;
    } else if (token.kind == VuRichToken::kOpen) {
      ++depth;
    } else if (depth-- == 0) {
      return i + 1;
    }
  }
  return i;
}

}  // namespace

VuColor VuRichParseColor(const char* text) {
  if (!text) text = "";
  const size_t length = std::strlen(text);
  int channels[3] = {0, 0, 0};
  for (int pair = 0; pair < 3; ++pair) {
    const size_t at = static_cast<size_t>(pair) * 2;
    const int high = at < length ? HexDigit(text[at]) : -1;
    const int low = at + 1 < length ? HexDigit(text[at + 1]) : -1;
    channels[pair] = high < 0 || low < 0 ? 0 : high * 16 + low;
  }
  return channels[0] | channels[1] << 8 | channels[2] << 16;
}

int VuRichParseHex(const char* text) {
  if (!text) return 0;
  while (*text == ' ' || *text == '\t') ++text;
  const bool negative = *text == '-';
  if (negative) ++text;
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text += 2;
  int64_t value = 0;
  for (int digit; (digit = HexDigit(*text)) >= 0; ++text)
    if ((value = value * 16 + digit) > 0x7FFFFFFF) value = 0x7FFFFFFF;
  return static_cast<int>(negative ? -value : value);
}

std::vector<VuRichRun> VuReadRichRuns(const VuRichMarkup& markup, uint16_t base_font,
                                      const VuRichReadOptions& options) {
  std::vector<VuRichRun> runs;
  std::vector<State> stack;
  State state;
  state.font_id = base_font;
  auto add = [&](VuRichRun::Kind kind) -> VuRichRun& {
    VuRichRun& run = runs.emplace_back();
    run.kind = kind;
    run.font_id = state.font_id;
    run.color = state.color;
    run.align = state.align;
    run.alpha = state.alpha;
    return run;
  };
  for (size_t i = 0; i < markup.size();) {
    const VuRichToken& token = markup[i];
    if (token.kind == VuRichToken::kText) {
      if (!token.text.empty()) add(VuRichRun::kText).text = token.text;
      ++i;
      continue;
    }
    if (token.kind == VuRichToken::kClose) {
      if (!stack.empty()) {
        state = stack.back();
        stack.pop_back();
      }
      ++i;
      continue;
    }
    const std::string& tag = token.tag;
    if (tag == "a") {
      VuRichRun& link = add(VuRichRun::kLink);
      const char* id = token.Attribute("id");
      link.link_id = id ? VuParseInt(id) : 0;
      if (const char* color = token.Attribute("color")) link.link_color = VuRichParseColor(color);
      if (const char* hover = token.Attribute("hover_color")) link.hover_color = VuRichParseColor(hover);
      i = ReadLinkText(markup, i, &link.text);
      continue;
    }
    stack.push_back(state);
    if (tag == "br") {
      add(VuRichRun::kBreak);
    } else if (tag == "b") {
      state.font_id |= 4;
    } else if (tag == "i") {
      state.font_id |= 1;
    } else if (tag == "u") {
      state.font_id |= 2;
    } else if (tag == "s") {
      const unsigned size = static_cast<unsigned>(VuRichParseHex(token.Attribute("size")));
      state.font_id = static_cast<uint16_t>(state.font_id | ((size * 256u) & 0xFF00u));
    } else if (tag == "c") {
      state.color = VuRichParseColor(token.Attribute("color"));
      if (const char* alpha = options.alpha ? token.Attribute("alpha") : nullptr) {
        const int value = VuParseInt(alpha);
        state.alpha = static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
      }
    } else if (tag == "g") {
      const char* align = token.Attribute("align");
      if (align && std::strcmp(align, "t") == 0) state.align = VuRichAlign::kTop;
      else if (align && std::strcmp(align, "c") == 0) state.align = VuRichAlign::kCentre;
      else if (align && std::strcmp(align, "b") == 0) state.align = VuRichAlign::kBottom;
    } else if (tag == "img" && options.images) {
      VuRichRun& box = add(VuRichRun::kBox);
      if (const char* skin = token.Attribute("skin")) box.skin = skin;
      box.box_width = BoxSide(token.Attribute("width"));
      box.box_height = BoxSide(token.Attribute("height"));
    } else if (tag == "o") {
      add(VuRichRun::kOffset).offset = VuRichParseHex(token.Attribute("offset"));
    }
    ++i;
  }
  return runs;
}
