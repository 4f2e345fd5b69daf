// The element depth of a document, read as TinyXML reads it but with a
// counter where the reader recurses. Each step below names the reader's step
// it follows; where the reader gives up, counting stops.
#include "platform/common/xml_depth.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

enum class Encoding { kUnknown, kUtf8, kLegacy };
enum class StartTag { kStop, kEmpty, kOpen };

// White space as the reader sees it (isspace in the C locale).
bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Every byte from 127 up counts as a letter: the reader does not decode names.
bool IsLetter(unsigned char c) {
  return c >= 127 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsNameStart(unsigned char c) { return IsLetter(c) || c == '_'; }

bool IsNameChar(unsigned char c) {
  return IsLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.' || c == ':';
}

unsigned char Lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// Bytes the reader takes as one character in a UTF-8 document, from the first.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0xC2) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  if (lead < 0xF5) return 4;
  return 1;
}

int DigitValue(unsigned char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!hex) return -1;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class DepthScanner {
 public:
  DepthScanner(const char* text, unsigned limit)
      : p_(reinterpret_cast<const unsigned char*>(text)), end_(p_ + std::strlen(text)),
        limit_(limit) {}

  unsigned Run() {
    if (Starts("\xEF\xBB\xBF")) encoding_ = Encoding::kUtf8;
    for (;;) {
      SkipWhiteSpace();
      if (AtEnd()) break;
      if (depth_ == 0) {
        // Between top-level nodes anything but markup ends the document.
        if (*p_ != '<') break;
      } else if (*p_ != '<') {
        if (!ReadTextTo('<', nullptr)) break;
        continue;
      } else if (Starts("</")) {
        // The parent compares the whole end tag; any other one stops the reader.
        --depth_;
        if (!SkipPast(">")) break;
        continue;
      }
      if (Starts("<?xml", true)) {
        if (!ReadDeclaration(depth_ == 0 && encoding_ == Encoding::kUnknown)) break;
      } else if (Starts("<!--")) {
        p_ += 4;
        if (!SkipPast("-->")) break;
      } else if (Starts("<![CDATA[")) {
        p_ += 9;
        if (!SkipPast("]]>")) break;
      } else if (Starts("<!") || p_ + 1 >= end_ || !IsNameStart(p_[1])) {
        // Any other markup (a DOCTYPE, an instruction, "<1") ends at its first '>'.
        ++p_;
        if (!SkipPast(">")) break;
      } else {
        const StartTag tag = ReadStartTag();
        if (tag == StartTag::kStop) break;
        // An empty element opens no level of the reader's, but it is one level
        // deeper all the same.
        const unsigned level = depth_ + 1;
        if (level > deepest_) deepest_ = level;
        if (level > limit_) break;
        if (tag == StartTag::kOpen) depth_ = level;
      }
    }
    return deepest_;
  }

 private:
  bool AtEnd() const { return p_ >= end_; }

  bool Starts(const char* text, bool ignore_case = false) const {
    const unsigned char* q = p_;
    for (; *text; ++text, ++q) {
      if (q >= end_) return false;
      const unsigned char want = static_cast<unsigned char>(*text);
      if (ignore_case ? Lower(*q) != Lower(want) : *q != want) return false;
    }
    return true;
  }

  // White space and, in a UTF-8 document, the byte-order mark and the two
  // non-characters the reader skips with it.
  void SkipWhiteSpace() {
    while (!AtEnd()) {
      if (encoding_ == Encoding::kUtf8 && end_ - p_ >= 3 && p_[0] == 0xEF &&
          ((p_[1] == 0xBB && p_[2] == 0xBF) || (p_[1] == 0xBF && (p_[2] == 0xBE || p_[2] == 0xBF)))) {
        p_ += 3;
        continue;
      }
      if (!IsSpace(*p_)) return;
      ++p_;
    }
  }

  // Past the next occurrence of marker, byte by byte; false when there is none.
  bool SkipPast(const char* marker) {
    const std::string_view rest(reinterpret_cast<const char*>(p_), static_cast<size_t>(end_ - p_));
    const size_t found = rest.find(marker);
    if (found == std::string_view::npos) {
      p_ = end_;
      return false;
    }
    p_ += found + std::strlen(marker);
    return true;
  }

  // One character of text or of a quoted value, stepped over as the reader
  // does: a whole UTF-8 sequence at once, a reference up to its ';'. Adds the
  // character to value (for the declaration, read while the encoding is not
  // yet known). False where the reader gives up on a reference.
  bool StepChar(std::string* value) {
    if (encoding_ == Encoding::kUtf8) {
      const size_t length = SequenceLength(*p_);
      if (length > 1) {
        p_ = static_cast<size_t>(end_ - p_) > length ? p_ + length : end_;
        return true;
      }
    }
    if (*p_ != '&') {
      if (value) value->push_back(static_cast<char>(*p_));
      ++p_;
      return true;
    }
    return StepReference(value);
  }

  // A numeric reference reaches the first ';' and must be digits back to the
  // nearest 'x' (or '#'), whatever lies before that; the five named ones are
  // read whole; any other '&' is itself.
  bool StepReference(std::string* value) {
    if (end_ - p_ > 2 && p_[1] == '#') {
      const bool hex = p_[2] == 'x';
      const unsigned char* from = p_ + (hex ? 3 : 2);
      if (from >= end_) return false;
      const void* found = std::memchr(from, ';', static_cast<size_t>(end_ - from));
      if (!found) return false;
      const auto* semicolon = static_cast<const unsigned char*>(found);
      uint64_t code = 0, scale = 1;
      for (const unsigned char* q = semicolon - 1; *q != (hex ? 'x' : '#'); --q) {
        const int digit = DigitValue(*q, hex);
        if (digit < 0) return false;
        code += scale * static_cast<uint64_t>(digit);
        scale *= hex ? 16 : 10;
      }
      if (value) value->push_back(static_cast<char>(code & 0xFF));
      p_ = semicolon + 1;
      return true;
    }
    static const struct {
      const char* text;
      char value;
    } kNamed[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    for (const auto& named : kNamed) {
      if (Starts(named.text)) {
        if (value) value->push_back(named.value);
        p_ += std::strlen(named.text);
        return true;
      }
    }
    if (value) value->push_back('&');
    ++p_;
    return true;
  }

  // Up to the byte stop; false when the text ends first or the reader gives up.
  bool ReadTextTo(unsigned char stop, std::string* value) {
    while (!AtEnd() && *p_ != stop)
      if (!StepChar(value)) return false;
    return !AtEnd();
  }

  bool ReadName() {
    if (AtEnd() || !IsNameStart(*p_)) return false;
    while (!AtEnd() && IsNameChar(*p_)) ++p_;
    return !AtEnd();
  }

  // name = value, the value quoted or (leniently) bare up to white space, '/'
  // or '>'; a quote inside a bare value is an error.
  bool ReadAttribute(std::string* value) {
    SkipWhiteSpace();
    if (!ReadName()) return false;
    SkipWhiteSpace();
    if (AtEnd() || *p_ != '=') return false;
    ++p_;
    SkipWhiteSpace();
    if (AtEnd()) return false;
    if (*p_ == '"' || *p_ == '\'') {
      const unsigned char quote = *p_++;
      if (!ReadTextTo(quote, value)) return false;
      ++p_;
      return true;
    }
    while (!AtEnd() && !IsSpace(*p_) && *p_ != '/' && *p_ != '>') {
      if (*p_ == '"' || *p_ == '\'') return false;
      if (value) value->push_back(static_cast<char>(*p_));
      ++p_;
    }
    return true;
  }

  // From '<' to the end of the start tag.
  StartTag ReadStartTag() {
    ++p_;
    SkipWhiteSpace();
    if (!ReadName()) return StartTag::kStop;
    for (;;) {
      SkipWhiteSpace();
      if (AtEnd()) return StartTag::kStop;
      if (*p_ == '/') {
        ++p_;
        if (AtEnd() || *p_ != '>') return StartTag::kStop;
        ++p_;
        return StartTag::kEmpty;
      }
      if (*p_ == '>') {
        ++p_;
        return StartTag::kOpen;
      }
      if (!ReadAttribute(nullptr) || AtEnd()) return StartTag::kStop;
    }
  }

  // "<?xml" (any case) up to '>': its version, encoding and standalone values
  // are read like attributes (so a quoted '>' does not end it), anything else
  // word by word. The first one at the top of a document whose encoding is
  // still open decides it.
  bool ReadDeclaration(bool decides_encoding) {
    p_ += 5;
    std::string encoding;
    bool complete = false;
    while (!AtEnd()) {
      if (*p_ == '>') {
        ++p_;
        complete = true;
        break;
      }
      SkipWhiteSpace();
      if (AtEnd()) break;
      if (Starts("version", true) || Starts("standalone", true)) {
        if (!ReadAttribute(nullptr)) break;
      } else if (Starts("encoding", true)) {
        std::string value;
        if (!ReadAttribute(&value)) break;
        encoding = value;
      } else {
        while (!AtEnd() && *p_ != '>' && !IsSpace(*p_)) ++p_;
      }
    }
    if (decides_encoding) {
      // Compared as the reader compares it: as C text, by prefix, in any case.
      const std::string_view name(encoding.c_str());
      const auto starts = [&name](std::string_view prefix) {
        if (name.size() < prefix.size()) return false;
        for (size_t i = 0; i < prefix.size(); ++i)
          if (Lower(static_cast<unsigned char>(name[i])) !=
              Lower(static_cast<unsigned char>(prefix[i])))
            return false;
        return true;
      };
      encoding_ = name.empty() || starts("utf-8") || starts("utf8") ? Encoding::kUtf8
                                                                    : Encoding::kLegacy;
    }
    return complete;
  }

  const unsigned char* p_;
  const unsigned char* const end_;
  const unsigned limit_;
  Encoding encoding_ = Encoding::kUnknown;
  unsigned depth_ = 0;
  unsigned deepest_ = 0;
};

}  // namespace

unsigned XmlScanDepth(const char* text, unsigned limit) {
  if (!text) return 0;
  return DepthScanner(text, limit).Run();
}
