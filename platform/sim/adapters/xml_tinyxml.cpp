// The XML reader over TinyXML: the only file that sees the library.
#include <tinyxml.h>

#include <string>

#include "platform/common/xml_depth.h"
#include "platform/xml.h"

namespace {

const TiXmlElement* AsElement(const void* node) { return static_cast<const TiXmlElement*>(node); }

}  // namespace

const char* ZXmlElement::Name() const {
  return node_ ? AsElement(node_)->Value() : nullptr;
}

const char* ZXmlElement::Attribute(const char* name) const {
  if (!node_ || !name) return nullptr;
  return AsElement(node_)->Attribute(name);
}

ZXmlElement ZXmlElement::FirstChildElement(const char* name) const {
  if (!node_) return ZXmlElement();
  const TiXmlElement* element = AsElement(node_);
  return ZXmlElement(name ? element->FirstChildElement(name) : element->FirstChildElement());
}

ZXmlElement ZXmlElement::NextSiblingElement() const {
  if (!node_) return ZXmlElement();
  return ZXmlElement(AsElement(node_)->NextSiblingElement());
}

const char* ZXmlElement::Text() const {
  return node_ ? AsElement(node_)->GetText() : nullptr;
}

const char* ZXmlElement::TailText() const {
  if (!node_) return nullptr;
  for (const TiXmlNode* next = AsElement(node_)->NextSibling(); next && !next->ToElement();
       next = next->NextSibling())
    if (const TiXmlText* text = next->ToText()) return text->Value();
  return nullptr;
}

ZXmlAttribute ZXmlElement::FirstAttribute() const {
  if (!node_) return ZXmlAttribute();
  return ZXmlAttribute(AsElement(node_)->FirstAttribute(), 0);
}

int ZXmlElement::Line() const { return node_ ? AsElement(node_)->Row() : 0; }

const char* ZXmlAttribute::Name() const {
  return node_ ? static_cast<const TiXmlAttribute*>(node_)->Name() : nullptr;
}

const char* ZXmlAttribute::Value() const {
  return node_ ? static_cast<const TiXmlAttribute*>(node_)->Value() : nullptr;
}

ZXmlAttribute ZXmlAttribute::Next() const {
  if (!node_) return ZXmlAttribute();
  return ZXmlAttribute(static_cast<const TiXmlAttribute*>(node_)->Next(), index_ + 1);
}

struct ZXmlDocument::Impl {
  TiXmlDocument document;
};

ZXmlDocument::ZXmlDocument() : impl_(std::make_unique<Impl>()) {}

ZXmlDocument::~ZXmlDocument() = default;

bool ZXmlDocument::Parse(const char* text) {
  // A document is parsed once; a second parse starts from nothing rather than
  // appending to what the first one built.
  impl_ = std::make_unique<Impl>();
  if (!text) return false;
  // TinyXML recurses once per element level: a document nested deeper than
  // the limit would exhaust the stack, so it fails before the parser sees it.
  if (!XmlDepthWithin(text)) return false;
  // TinyXML steps over a whole UTF-8 sequence once it sees a lead byte, even
  // when the text ends inside it, and then reads on past the terminator: a
  // few extra zero bytes keep every such step inside the buffer.
  std::string padded(text);
  padded.append(8, '\0');
  // The encoding is left open so that a byte-order mark or the declaration decides.
  impl_->document.Parse(padded.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
  return !impl_->document.Error();
}

ZXmlElement ZXmlDocument::FirstChildElement() const {
  return ZXmlElement(impl_->document.FirstChildElement());
}
