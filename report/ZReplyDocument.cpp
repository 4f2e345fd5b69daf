#include "report/ZReplyDocument.h"

#include "packet_public/ZText.h"

namespace {

bool IsWhiteSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

std::u16string_view TrimWhiteSpace(std::u16string_view text) {
  while (!text.empty() && IsWhiteSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsWhiteSpace(text.back())) text.remove_suffix(1);
  return text;
}

// Names and pairs lose spaces only (not tabs): " a\t" keeps its tab.
std::u16string_view TrimLeadingSpaces(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  return text;
}

std::u16string_view TrimTrailingSpaces(std::u16string_view text) {
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

std::u16string Name(std::u16string_view text) { return UpperCase(std::u16string(text)); }

}  // namespace

bool ZReplyDocument::Load(std::u16string_view text) {
  sections_.clear();
  size_t start = text.find(u'[');
  if (start == std::u16string_view::npos) return false;

  std::map<std::u16string, Section> loaded;
  Section* current = nullptr;
  std::u16string current_name;
  while (start <= text.size()) {
    size_t feed = text.find(u'\n', start);
    size_t end = feed == std::u16string_view::npos ? text.size() : feed + 1;
    std::u16string_view line = TrimWhiteSpace(text.substr(start, end - start));
    start = end + (feed == std::u16string_view::npos ? 1 : 0);
    if (line.empty()) continue;

    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
      std::u16string_view name =
          TrimTrailingSpaces(TrimLeadingSpaces(line.substr(1, line.size() - 2)));
      if (name.empty()) return false;
      current_name = Name(name);
      current = &loaded[current_name];
      continue;
    }
    size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) return false;
    std::u16string_view key = TrimTrailingSpaces(line.substr(0, equals));
    if (key.empty()) return false;
    // Pairs before any section (a first line such as "[a=b") belong to the
    // section without a name.
    if (!current) current = &loaded[current_name];
    (*current)[Name(key)] = std::u16string(TrimLeadingSpaces(line.substr(equals + 1)));
  }
  sections_ = std::move(loaded);
  return true;
}

const std::u16string* ZReplyDocument::Find(std::u16string_view section,
                                           std::u16string_view key) const {
  auto found_section = sections_.find(Name(section));
  if (found_section == sections_.end()) return nullptr;
  auto found_key = found_section->second.find(Name(key));
  return found_key == found_section->second.end() ? nullptr : &found_key->second;
}

int32_t ZReplyDocument::GetInt(std::u16string_view section, std::u16string_view key,
                               int32_t default_value) const {
  const std::u16string* value = Find(section, key);
  return value ? ParseLenientInt(*value) : default_value;
}

size_t ZReplyDocument::KeyCount(std::u16string_view section) const {
  auto found = sections_.find(Name(section));
  return found == sections_.end() ? 0 : found->second.size();
}
