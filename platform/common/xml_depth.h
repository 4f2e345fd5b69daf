// How deep a document nests its elements, found without recursion, so that
// a document too deep for a recursive parser is refused before it gets one.
#pragma once

// The deepest element level a document may reach (the root is level 1).
constexpr unsigned kXmlMaxElementDepth = 256;

// The deepest element level of text (up to its first zero byte), counted the
// way the lenient recursive reader (TinyXML) reads a document: comments,
// CDATA, declarations and other "<!"/"<?" markup, quoted attribute values
// (with ">" or "/>" inside), self-closing tags, character references and,
// once the document is known to be UTF-8, whole multi-byte sequences. A count
// that differs from the reader's anywhere would let a crafted document hide
// its depth (a lead byte that swallows a quote, say), so the reader's reading
// is followed even where XML's differs; on well-formed XML the two agree.
// Counting stops at the first point where the reader stops (the document is
// then rejected or ends there) and once the count passes limit; the result is
// then at most limit + 1.
unsigned XmlScanDepth(const char* text, unsigned limit);

// True when no element of text lies deeper than limit levels.
inline bool XmlDepthWithin(const char* text, unsigned limit = kXmlMaxElementDepth) {
  return XmlScanDepth(text, limit) <= limit;
}
