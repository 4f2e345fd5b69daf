#include "packet_public/CCmdLineParser.h"

namespace {

// Tab separates switches as a space does, as in Windows' own argument split.
constexpr std::u16string_view kBlanks = u" \t";
constexpr std::u16string_view kNameEnds = u" \t:";

bool IsBlank(char16_t c) { return kBlanks.find(c) != std::u16string_view::npos; }

}  // namespace

CCmdLineParser::CCmdLineParser(std::u16string_view text, bool case_sensitive)
    : text_(text), case_sensitive_(case_sensitive) {
  parsed_ = Parse();
}

std::u16string CCmdLineParser::Key(std::u16string_view name) const {
  std::u16string key(name);
  if (!case_sensitive_)
    for (char16_t& c : key)
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
  return key;
}

void CCmdLineParser::Store(std::u16string_view name, std::u16string_view value) {
  if (name.empty()) return;
  values_.emplace(Key(name), std::u16string(value));  // an earlier value stays
}

std::optional<std::u16string> CCmdLineParser::GetVal(std::u16string_view name) const {
  auto it = values_.find(Key(name));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

bool CCmdLineParser::Parse() {
  const std::u16string_view text(text_);
  constexpr size_t npos = std::u16string_view::npos;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t dash = text.find_first_of(u"-/", pos);
    if (dash == npos) break;
    size_t name_start = dash + 1;
    if (name_start >= text.size()) break;

    size_t name_end = text.find_first_of(kNameEnds, name_start);
    if (name_end == npos) {
      Store(text.substr(name_start), {});
      break;
    }
    std::u16string_view name = text.substr(name_start, name_end - name_start);
    if (IsBlank(text[name_end]) || name_end + 1 == text.size()) {
      Store(name, {});
      pos = name_end + 1;
      continue;
    }

    // A ":" with text after it: the value is quoted or runs to the next blank.
    size_t value_start = name_end + 1;
    size_t value_end;
    if (text[value_start] == u'"') {
      ++value_start;
      value_end = text.find(u'"', value_start);
    } else {
      value_end = text.find_first_of(kBlanks, value_start);
    }
    if (value_end == npos) {
      Store(name, text.substr(value_start));
      break;
    }
    Store(name, text.substr(value_start, value_end - value_start));
    pos = value_end + 1;
  }
  return !values_.empty();
}
