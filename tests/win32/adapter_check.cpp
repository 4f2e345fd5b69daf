// Known answers for the Windows adapters (XmlLite, BCrypt, zlib, WinHTTP),
// the same ones the Linux suite holds its adapters to. A console program for
// a Windows machine: "win32_adapter_check.exe" prints every failed check and
// exits with their number (0: all passed).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/crypto.h"
#include "tests/support/CryptoVectors.h"
#include "platform/http.h"
#include "platform/types.h"
#include "platform/window_geometry.h"
#include "platform/window_paint.h"
#include "platform/xml.h"
#include "tests/support/RoundRectAnswers.h"

namespace {

int failures = 0;

void Check(bool ok, const char* what, int line) {
  if (ok) return;
  ++failures;
  std::printf("FAILED line %d: %s\n", line, what);
}
#define CHECK(expression) Check((expression), #expression, __LINE__)

bool Same(const char* got, const char* want) {
  if (!got || !want) return got == want;
  return std::strcmp(got, want) == 0;
}

std::vector<uint8_t> FromHex(const char* hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; hex[i] && hex[i + 1]; i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
  return bytes;
}

void CheckCipher() {
  // FIPS-197 C.1 (one block, zero IV), then SP 800-38A F.2.1 over four blocks.
  const auto key = FromHex(crypto_vectors::kFipsKey);
  const uint8_t zero_iv[16] = {};
  auto block = FromHex(crypto_vectors::kFipsPlain);
  CHECK(Aes128CbcEncrypt(key.data(), zero_iv, block.data(), block.size()));
  CHECK(block == FromHex(crypto_vectors::kFipsCipher));
  CHECK(Aes128CbcDecrypt(key.data(), zero_iv, block.data(), block.size()));
  CHECK(block == FromHex(crypto_vectors::kFipsPlain));

  const auto key2 = FromHex(crypto_vectors::kCbcKey);
  const auto iv = FromHex(crypto_vectors::kCbcIv);
  const auto plain = FromHex(crypto_vectors::kCbcPlain);
  const auto cipher = FromHex(crypto_vectors::kCbcCipher);
  auto bytes = plain;
  const auto iv_before = iv;
  CHECK(Aes128CbcEncrypt(key2.data(), iv.data(), bytes.data(), bytes.size()));
  CHECK(bytes == cipher);
  CHECK(iv == iv_before);  // the caller's IV is not the chaining buffer
  CHECK(Aes128CbcDecrypt(key2.data(), iv.data(), bytes.data(), bytes.size()));
  CHECK(bytes == plain);

  std::vector<uint8_t> odd(17, 0);
  CHECK(!Aes128CbcEncrypt(key.data(), zero_iv, odd.data(), 17));
  CHECK(!Aes128CbcDecrypt(key.data(), zero_iv, odd.data(), 15));
  CHECK(Aes128CbcEncrypt(key.data(), zero_iv, odd.data(), 0));
}

void CheckCrc() {
  const auto* data = reinterpret_cast<const uint8_t*>("123456789");
  CHECK(Crc32(0, data, 9) == 0xCBF43926u);
  CHECK(Crc32(0, data, 0) == 0u);
  for (size_t split = 0; split <= 9; ++split)
    CHECK(Crc32(Crc32(0, data, split), data + split, 9 - split) == 0xCBF43926u);
}

void CheckXml() {
  ZXmlDocument doc;
  CHECK(doc.Parse("<?xml version=\"1.0\"?>\n<!-- c -->\n<root a=\"1\"><first/>between<!-- c -->"
                  "<second x=\"y\">  inner \n text </second><first/></root>"));
  ZXmlElement root = doc.FirstChildElement();
  CHECK(Same(root.Name(), "root"));
  CHECK(Same(root.Attribute("a"), "1"));
  CHECK(Same(root.FirstChildElement().Name(), "first"));
  CHECK(Same(root.FirstChildElement().NextSiblingElement().Name(), "second"));
  CHECK(Same(root.FirstChildElement().NextSiblingElement().NextSiblingElement().Name(), "first"));
  CHECK(!root.FirstChildElement().NextSiblingElement().NextSiblingElement().NextSiblingElement());
  CHECK(Same(root.FirstChildElement("second").Text(), "inner text"));
  CHECK(!root.FirstChildElement("Second"));
  CHECK(root.FirstChildElement().Text() == nullptr);
  CHECK(root.Text() == nullptr);

  CHECK(doc.Parse("<item key=\"k\" value=\"\" amp=\"a&amp;b &lt;c&gt;\"/>"));
  ZXmlElement item = doc.FirstChildElement();
  CHECK(Same(item.Attribute("value"), ""));
  CHECK(item.Attribute("other") == nullptr);
  CHECK(item.Attribute("Key") == nullptr);
  CHECK(Same(item.Attribute("amp"), "a&b <c>"));

  // Attributes in document order, and each element's line.
  CHECK(doc.Parse("<?xml version=\"1.0\"?>\n<layer b=\"2\" a=\"1\"\n  c=\"&lt;\">\n\n  <x/><y\n/></layer>"));
  ZXmlElement layer = doc.FirstChildElement();
  ZXmlAttribute attribute = layer.FirstAttribute();
  CHECK(Same(attribute.Name(), "b") && Same(attribute.Value(), "2"));
  attribute = attribute.Next();
  CHECK(Same(attribute.Name(), "a") && Same(attribute.Value(), "1"));
  attribute = attribute.Next();
  CHECK(Same(attribute.Name(), "c") && Same(attribute.Value(), "<"));
  CHECK(!attribute.Next());
  CHECK(!layer.FirstChildElement().FirstAttribute());
  CHECK(layer.Line() == 2);
  CHECK(layer.FirstChildElement().Line() == 5);
  CHECK(layer.FirstChildElement().NextSiblingElement().Line() == 5);
  CHECK(ZXmlElement().Line() == 0);

  CHECK(doc.Parse("<r><!-- first -->text</r>"));
  CHECK(doc.FirstChildElement().Text() == nullptr);  // the first child is the comment
  CHECK(doc.Parse("<r>\n  <a/></r>"));
  CHECK(doc.FirstChildElement().Text() == nullptr);  // blank text is no child
  CHECK(doc.Parse("<r><![CDATA[ kept  as is ]]></r>"));
  CHECK(Same(doc.FirstChildElement().Text(), " kept  as is "));

  for (const char* bad : {"", "   \n", "<root>", "<root></other>", "<root a=\"1></root>",
                          "not xml at all", "<a><b></a></b>"})
    CHECK(!doc.Parse(bad));
  CHECK(!doc.Parse(nullptr));
  CHECK(!doc.FirstChildElement());

  const std::string umlaut = "\xC3\xA4";
  CHECK(doc.Parse(("\xEF\xBB\xBF<root v=\"" + umlaut + "\"/>").c_str()));
  CHECK(Same(doc.FirstChildElement().Name(), "root"));
  CHECK(Same(doc.FirstChildElement().Attribute("v"), umlaut.c_str()));
  CHECK(doc.Parse("<?xml version=\"1.0\" encoding=\"UTF-8\"?><root>&#x4E2D;</root>"));
  CHECK(Same(doc.FirstChildElement().Text(), "\xE4\xB8\xAD"));

  // Deep documents (within XmlLite's default limit of 256 levels) are read without recursion.
  std::string deep;
  for (int i = 0; i < 200; ++i) deep += "<d>";
  for (int i = 0; i < 200; ++i) deep += "</d>";
  CHECK(doc.Parse(deep.c_str()));
  // The 256-level limit: the depth scan's, and the reader's own behind it.
  std::string levels;
  for (int i = 0; i < 256; ++i) levels = "<d>" + levels + "</d>";
  CHECK(doc.Parse(levels.c_str()));
  CHECK(!doc.Parse(("<e>" + levels + "</e>").c_str()));
  CHECK(!doc.Parse(("<e>" + levels + "<f/></e>").c_str()));
  // The scan stops where the Linux reader would (text after the instruction's
  // first '>'); XmlLite reads on and must hold the limit itself.
  CHECK(!doc.Parse(("<?pi a>b?><e>" + levels + "</e>").c_str()));

  // Mixed content: the text after an element, as TinyXML keeps it.
  CHECK(doc.Parse("<r>lead <b>bold</b>  after   bold <i/><!-- c --> late <u/><s/>x<![CDATA[ c ]]></r>"));
  ZXmlElement b = doc.FirstChildElement().FirstChildElement();
  CHECK(b.TailText() && std::strcmp(b.TailText(), "after bold") == 0);
  ZXmlElement i = b.NextSiblingElement();
  CHECK(i.TailText() && std::strcmp(i.TailText(), "late") == 0);
  CHECK(i.NextSiblingElement().TailText() == nullptr);
  ZXmlElement last = i.NextSiblingElement().NextSiblingElement();
  CHECK(last.TailText() && std::strcmp(last.TailText(), "x") == 0);
  CHECK(doc.FirstChildElement().TailText() == nullptr);

  ZXmlElement none;
  CHECK(!none && none.Name() == nullptr && none.Attribute("a") == nullptr);
  CHECK(none.Text() == nullptr && none.TailText() == nullptr && !none.FirstChildElement() &&
        !none.NextSiblingElement());
}

void CheckHttp() {
  // Nothing answers on these: no status, no reply, and no hang.
  std::string reply;
  const uint8_t body[4] = {1, 2, 3, 4};
  CHECK(HttpPostBinary(u"not a url", body, sizeof(body), 2, 5, &reply) == 0);
  CHECK(HttpPostBinary(u"ftp://127.0.0.1/", body, sizeof(body), 2, 5, &reply) == 0);
  const ULONGLONG started = GetTickCount64();
  CHECK(HttpPostBinary(u"http://127.0.0.1:9/nep/v1/", body, sizeof(body), 2, 5, &reply) == 0);
  CHECK(HttpPostBinary(u"http://statistics.uninstaller.invalid/", nullptr, 0, 2, 5, nullptr) == 0);
  CHECK(GetTickCount64() - started < 15000);
  CHECK(reply.empty());
}

void CheckRegions() {
  // The rounded window shape the dialogs use, as the simulated host gives it.
  for (const RoundRectAnswer& answer : kRoundRectAnswers) {
    HRGN region = CreateRoundRectRgn(0, 0, kRoundRectBox, kRoundRectBox, answer.ellipse,
                                     answer.ellipse);
    auto inside = [&](int x, int y) { return PtInRegion(region, x, y) != FALSE; };
    RECT box;
    CHECK(GetRgnBox(region, &box) != RGN_ERROR && box.right == kRoundRectCovered &&
          box.bottom == kRoundRectCovered);
    for (int row = 0; row < 5; ++row) {
      CHECK(RoundRectRowStart(inside, row) == answer.insets[row]);
      CHECK(RoundRectRowStart(inside, kRoundRectCovered - 1 - row) == answer.insets[row]);
    }
    DeleteObject(region);
  }
  RECT screen;
  CHECK(GetWindowRect(GetDesktopWindow(), &screen) && screen.right > screen.left);
}

}  // namespace

int wmain() {
  CheckRegions();
  CheckCipher();
  CheckCrc();
  CheckXml();
  CheckHttp();
  std::printf("%d failed\n", failures);
  return failures;
}
