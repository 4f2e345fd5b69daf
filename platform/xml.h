// The XML reader: the one adapter over the XML library (TinyXML on Linux, the
// system's reader on Windows). Documents are parsed from narrow text whose
// encoding the parser detects (byte-order mark or declaration); names,
// attributes and text come back as the document's narrow (UTF-8) text.
#pragma once

#include <memory>

class ZXmlDocument;

// One attribute of an element; empty when it names nothing.
class ZXmlAttribute {
 public:
  ZXmlAttribute() = default;
  explicit operator bool() const { return node_ != nullptr; }
  const char* Name() const;
  const char* Value() const;
  // The element's next attribute in document order.
  ZXmlAttribute Next() const;

 private:
  friend class ZXmlElement;
  ZXmlAttribute(const void* node, int index) : node_(node), index_(index) {}
  const void* node_ = nullptr;
  int index_ = 0;
};

// A light handle on one element of a document; empty when it names nothing.
class ZXmlElement {
 public:
  ZXmlElement() = default;
  explicit operator bool() const { return node_ != nullptr; }

  const char* Name() const;
  // The attribute's text, or null when the element has no such attribute.
  const char* Attribute(const char* name) const;
  // The first child element (with that name, when one is given).
  ZXmlElement FirstChildElement(const char* name = nullptr) const;
  // The next sibling element, whatever its name.
  ZXmlElement NextSiblingElement() const;
  // The text of the element's first child when that is text, else null.
  const char* Text() const;
  // The first text node that follows this element before its next sibling
  // element (mixed content: "<b>x</b>tail"), else null.
  const char* TailText() const;
  // The first attribute in document order.
  ZXmlAttribute FirstAttribute() const;
  // The line of the element's start tag (1-based; 0 when unknown).
  int Line() const;

 private:
  friend class ZXmlDocument;
  explicit ZXmlElement(const void* node) : node_(node) {}
  const void* node_ = nullptr;
};

class ZXmlDocument {
 public:
  ZXmlDocument();
  ~ZXmlDocument();
  ZXmlDocument(const ZXmlDocument&) = delete;
  ZXmlDocument& operator=(const ZXmlDocument&) = delete;

  // Parses text up to its first zero byte; false on a parse error, and for a
  // document whose elements nest deeper than kXmlMaxElementDepth (256) levels
  // (platform/common/xml_depth.h), which fails before any parser reads it.
  bool Parse(const char* text);
  // The first child element of the document (its root).
  ZXmlElement FirstChildElement() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
