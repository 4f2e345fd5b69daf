// Delivery of a report packet and the check of the service's reply.
#include <cstring>

#include "platform/crypto.h"
#include "platform/http.h"
#include "platform/kernel.h"
#include "report/ZInstallReport.h"
#include "report/ZReplyDocument.h"
#include "report/ZReportReply.h"

namespace {

uint32_t ReadUint32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t ReadUint16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

std::u16string AnsiToUtf16(const char* bytes, size_t length) {
  if (length == 0) return {};
  // Replies are a few hundred bytes; the length field caps them at 64 KiB.
  int in_size = static_cast<int>(length);
  int needed = MultiByteToWideChar(CP_ACP, 0, bytes, in_size, nullptr, 0);
  if (needed <= 0) return {};
  std::u16string out(static_cast<size_t>(needed), u'\0');
  int written = MultiByteToWideChar(CP_ACP, 0, bytes, in_size, AsWide(out.data()), needed);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}

}  // namespace

int CheckReportReply(const std::string& body, std::u16string* text) {
  if (body.size() <= kReplyHeaderSize) return -1;
  const auto* bytes = reinterpret_cast<const uint8_t*>(body.data());
  const size_t rest = body.size() - kReplyHeaderSize;
  if (Crc32(0, bytes + kReplyHeaderSize, rest) != ReadUint32(bytes + 3)) return -1;
  // Compared with the full count: a body past 64 KiB cannot match the 16-bit field.
  if (static_cast<size_t>(ReadUint16(bytes)) != body.size()) return -1;
  if (bytes[2] != 3) return -1;

  const char* start = body.data() + kReplyHeaderSize;
  const void* zero = std::memchr(start, 0, rest);
  size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - start) : rest;
  std::u16string reply_text = AnsiToUtf16(start, length);

  ZReplyDocument document;
  bool loaded = document.Load(reply_text);
  if (text) *text = std::move(reply_text);
  if (!loaded) return -1;
  return document.GetInt(u"common", u"result", 0) == 1 ? 0 : -1;
}

int ZInstallReport::Send(const std::u16string& url, long timeout_s) {
  ZByteBuffer packet;
  if (BuildPacket(&packet) != 0) return -1;
  return PostPacket(url, packet.Data(), packet.Length(), timeout_s);
}

int ZInstallReport::PostPacket(const std::u16string& url, const uint8_t* bytes, size_t length,
                               long timeout_s) {
  std::string reply;
  // Only the body decides; the status is not examined.
  HttpPostBinary(url, bytes, length, timeout_s, timeout_s, &reply);
  return CheckReportReply(reply, &response_text_);
}
