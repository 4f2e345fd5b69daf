// The switches of a command line ("/name", "-name", "/name:value",
// /name:"quoted value") held in a small hash map of our own. Spaces and tabs
// separate switches. Names compare without regard to ASCII case; a later
// switch of the same name replaces the value of an earlier one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class SwitchSet {
 public:
  explicit SwitchSet(std::u16string_view text);

  bool Has(std::u16string_view name) const;
  // The value of a switch; empty when the switch is absent or has none.
  std::u16string Get(std::u16string_view name) const;

  const std::u16string& Text() const { return text_; }
  size_t Count() const { return count_; }
  size_t BucketCount() const { return buckets_.size(); }

  static uint32_t HashName(std::u16string_view name);

 private:
  struct Entry {
    std::u16string name;
    std::u16string value;
  };

  void Parse();
  void Put(std::u16string_view name, std::u16string_view value);
  const Entry* Find(std::u16string_view name) const;
  void Rehash(size_t bucket_count);

  std::u16string text_;
  std::vector<std::vector<Entry>> buckets_;
  size_t count_ = 0;
};
