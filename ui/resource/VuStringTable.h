// The string table of the shared document 10002 ("string", children "s"
// with "id" and UTF-8 text), merged first-wins from every source; the
// "%strN%" references of element texts and titles are read from it.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/xml.h"

class VuStringTable {
 public:
  static VuStringTable& Instance();

  // Adds the entries of one "string" document; an id already present keeps
  // its first text, an id that is not a positive number is reported and
  // skipped. Returns the number added.
  int LoadDocument(const ZXmlElement& root);
  void Clear();
  // The entry's text, or null.
  const std::u16string* Get(int id) const;
  // text with every "%str" N "%" (N a positive decimal) replaced by entry N
  // (an entry that does not exist becomes empty); stops at the first
  // reference whose number is not positive or whose closing "%" is missing.
  std::u16string Substitute(const std::u16string& text) const;

 private:
  VuStringTable() = default;
  mutable std::mutex mutex_;
  std::map<int, std::u16string> strings_;
};
