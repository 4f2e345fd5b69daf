// The command line read as "/NAME", "/NAME:value" and /NAME:"quoted value"
// pairs (either "/" or "-" starts a switch). The first value given for a
// name is the one kept. The program reads names without regard to case; they
// are then stored and looked up upper-cased.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

class CCmdLineParser {
 public:
  explicit CCmdLineParser(std::u16string_view text, bool case_sensitive = false);

  // The value of a switch (empty for a bare switch); nothing when absent.
  std::optional<std::u16string> GetVal(std::u16string_view name) const;

  // True when the text held at least one switch.
  bool Parsed() const { return parsed_; }
  const std::u16string& CmdLine() const { return text_; }
  const std::map<std::u16string, std::u16string>& Values() const { return values_; }

 private:
  bool Parse();
  std::u16string Key(std::u16string_view name) const;
  void Store(std::u16string_view name, std::u16string_view value);

  std::u16string text_;
  std::map<std::u16string, std::u16string> values_;
  bool case_sensitive_;
  bool parsed_ = false;
};
