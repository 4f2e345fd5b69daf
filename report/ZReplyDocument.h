// The statistics service's reply text: an INI document of sections holding
// key=value pairs. Section and key names match without regard to case (they
// are stored and looked up upper-cased); values keep their case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

class ZReplyDocument {
 public:
  // Replaces the content with text read from its first "["; false (and an
  // empty document) when there is no "[", a section has an empty name, or a
  // line is neither a section nor a pair with a key.
  bool Load(std::u16string_view text);

  // The value, or null when the section or the key is missing.
  const std::u16string* Find(std::u16string_view section, std::u16string_view key) const;
  // The value's leading decimal number, read leniently; default_value when missing.
  int32_t GetInt(std::u16string_view section, std::u16string_view key,
                 int32_t default_value) const;

  size_t SectionCount() const { return sections_.size(); }
  // Pairs stored in section; 0 when there is no such section.
  size_t KeyCount(std::u16string_view section) const;

 private:
  using Section = std::map<std::u16string, std::u16string>;
  std::map<std::u16string, Section> sections_;
};
