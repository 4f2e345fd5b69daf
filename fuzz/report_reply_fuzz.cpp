// The statistics service's reply: CheckReportReply over arbitrary bodies and
// the reply document over arbitrary text.
// The first byte chooses how the rest is used: odd, as the text of a reply
// whose header is made valid around it (so that the document is reached);
// even, as the whole body as received.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "packet_public/ZText.h"
#include "platform/crypto.h"
#include "report/ZReplyDocument.h"
#include "report/ZReportReply.h"

namespace {

std::string Framed(const std::string& text) {
  size_t total = text.size() + kReplyHeaderSize;
  uint32_t crc = Crc32(0, reinterpret_cast<const uint8_t*>(text.data()), text.size());
  std::string body;
  body.push_back(static_cast<char>(total & 0xFF));
  body.push_back(static_cast<char>((total >> 8) & 0xFF));
  body.push_back(3);
  for (int i = 0; i < 4; ++i) body.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
  return body + text;
}

void CheckDocument(const std::u16string& text) {
  ZReplyDocument document;
  bool loaded = document.Load(text);
  if (!loaded) FUZZ_CHECK(document.SectionCount() == 0);
  if (loaded) FUZZ_CHECK(text.find(u'[') != std::u16string::npos);

  // Case never changes the structure: the same lines load, into as many sections.
  ZReplyDocument upper;
  FUZZ_CHECK(upper.Load(UpperCase(text)) == loaded);
  FUZZ_CHECK(upper.SectionCount() == document.SectionCount());
  FUZZ_CHECK(upper.KeyCount(u"common") == document.KeyCount(u"COMMON"));

  const std::u16string* result = document.Find(u"Common", u"rEsult");
  FUZZ_CHECK(result == document.Find(u"COMMON", u"RESULT"));
  FUZZ_CHECK(document.GetInt(u"common", u"result", -7) == (result ? ParseLenientInt(*result) : -7));
  if (result) FUZZ_CHECK(result->size() < text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) {
    std::u16string text = u"untouched";
    FUZZ_CHECK(CheckReportReply(std::string(), &text) == -1 && text == u"untouched");
    return 0;
  }
  std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const bool framed = data[0] & 1;
  const std::string body = framed ? Framed(rest) : rest;

  std::u16string text = u"untouched";
  int result = CheckReportReply(body, &text);
  FUZZ_CHECK(result == 0 || result == -1);
  if (framed && body.size() > kReplyHeaderSize && body.size() <= 0xFFFF) {
    // A valid header always yields the text: one character per byte up to the first zero.
    FUZZ_CHECK(text.size() == rest.find('\0') || (rest.find('\0') == std::string::npos &&
                                                  text.size() == rest.size()));
    FUZZ_CHECK(text.find(u'\0') == std::u16string::npos);
    CheckDocument(text);

    // The same reply with a broken checksum is refused and leaves the text alone.
    std::string broken = body;
    broken[3] = static_cast<char>(broken[3] ^ 0x01);
    std::u16string kept = u"kept";
    FUZZ_CHECK(CheckReportReply(broken, &kept) == -1 && kept == u"kept");
  } else if (!framed) {
    if (result == 0) FUZZ_CHECK(body.size() > kReplyHeaderSize && text != u"untouched");
    // The body as text, to reach the document with what no header guards.
    std::u16string raw;
    for (char c : rest) raw.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    CheckDocument(raw);
  }
  return 0;
}
