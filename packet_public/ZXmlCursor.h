// A cursor over a parsed document: one current element, moved by element
// paths ("packet\installfile\filelist\item", "\" or "/" separated) and along
// siblings. Every failed move leaves the cursor on no element.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/xml.h"

class ZXmlCursor {
 public:
  // The cursor starts on no element; the document must outlive it.
  explicit ZXmlCursor(const ZXmlDocument& document);

  // From the document: the first name must be the root element's, each
  // further name moves to the first child element so named.
  bool MoveToPath(std::u16string_view path);
  // The same below the current element: the first name is looked up among the
  // current element's children.
  bool MoveToRelativePath(std::u16string_view path);
  // The next sibling element, whatever its name; false after the last.
  bool Next();

  // The attribute's text (UTF-8 as in the document, or converted to UTF-16);
  // false and empty text when the current element has no such attribute.
  bool GetAttribute(const char* name, std::string* value) const;
  bool GetAttribute(const char* name, std::u16string* value) const;

  // Remembers the current element; Restore goes back to the most recently
  // saved one (saves nest).
  void Save();
  void Restore();

  ZXmlElement Current() const { return current_; }
  bool IsValid() const { return static_cast<bool>(current_); }

 private:
  bool Descend(ZXmlElement from, const std::vector<std::string>& names);

  const ZXmlDocument& document_;
  ZXmlElement current_;
  std::vector<ZXmlElement> saved_;
};
