// statcollector: a reference statistics service for tests and demos.
//   statcollector --listen HOST:PORT --out FILE [--reply MODE]
// Accepts POSTed report packets on any path, decodes each one, appends one
// line of JSON per accepted packet to FILE ({"path": request path, then the
// fields of reportdump's JSON}) and answers with a reply in the service's
// format. Port 0 picks a free port. Once listening it prints
// "listening HOST:PORT" on standard output. A packet that fails to decode
// gets HTTP 400 with the reason as text, and a line on standard error.
//
// MODE chooses the reply, for testing the client's checks:
//   ok            header + "[common]\r\nresult=1\r\n" (the default)
//   spaces        "[common]\r\nresult = 1\r\n"
//   case          "[COMMON]\r\nResult=1\r\n"
//   result2       result=2
//   no-result     a "common" section without "result"
//   no-equals     result=1, then a line without "=" before the last line
//   empty-section result=1, then a line "[]"
//   empty         an empty body
//   seven         the 7-byte header of an empty text
//   bad-crc       the ok reply with its CRC-32 off by one bit
//   text-length   the ok reply whose length field counts only the text
//   version2      the ok reply with protocol version 2
//   huge          a valid-looking reply of 8 MiB (its length does not fit 16 bits)
//   binary        a valid header, then bytes that are not text (a zero byte
//                 before "[common]\r\nresult=1\r\n")
//   http-error    the ok reply with HTTP status 500
//   hang          records the packet, then never answers
#include <httplib.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "platform/crypto.h"
#include "tools/reportcodec/ReportDecoder.h"

namespace {

const char* const kModes[] = {"ok",     "spaces",  "case",     "result2", "no-result",
                              "no-equals", "empty-section", "empty", "seven", "bad-crc",
                              "text-length", "version2", "huge", "binary", "http-error", "hang"};

// Header: total length (2 bytes), version, CRC-32 of the bytes from offset 7.
std::string Reply(const std::string& text, uint8_t version = 3, bool text_length = false,
                  bool bad_crc = false) {
  std::string reply(7, '\0');
  reply += text;
  const uint32_t length = static_cast<uint32_t>(text_length ? text.size() : reply.size());
  reply[0] = static_cast<char>(length);
  reply[1] = static_cast<char>(length >> 8);
  reply[2] = static_cast<char>(version);
  uint32_t crc = Crc32(0, reinterpret_cast<const uint8_t*>(reply.data()) + 7, reply.size() - 7);
  if (bad_crc) crc ^= 1;
  for (int i = 0; i < 4; ++i) reply[3 + i] = static_cast<char>(crc >> (8 * i));
  return reply;
}

std::string ReplyFor(const std::string& mode) {
  const std::string ok = "[common]\r\nresult=1\r\n";
  if (mode == "spaces") return Reply("[common]\r\nresult = 1\r\n");
  if (mode == "case") return Reply("[COMMON]\r\nResult=1\r\n");
  if (mode == "result2") return Reply("[common]\r\nresult=2\r\n");
  if (mode == "no-result") return Reply("[common]\r\nanswer=1\r\n");
  if (mode == "no-equals") return Reply(ok + "no equals sign here\r\n");
  if (mode == "empty-section") return Reply(ok + "[]\r\n");
  if (mode == "empty") return std::string();
  if (mode == "seven") return Reply("");
  if (mode == "bad-crc") return Reply(ok, 3, false, true);
  if (mode == "text-length") return Reply(ok, 3, true);
  if (mode == "version2") return Reply(ok, 2);
  if (mode == "huge") {
    std::string text = ok;
    text.resize(8u * 1024 * 1024 - 7, ' ');
    return Reply(text);
  }
  if (mode == "binary") return Reply(std::string("\xff\xfe\x00\x01", 4) + ok);
  return Reply(ok);
}

bool KnownMode(const std::string& mode) {
  for (const char* known : kModes)
    if (mode == known) return true;
  return false;
}

int Usage(const char* message) {
  std::fprintf(stderr, "statcollector: %s\nusage: statcollector --listen HOST:PORT --out FILE "
                       "[--reply MODE]\n", message);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string listen, out_path, mode = "ok";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage(("missing value after " + arg).c_str());
    if (arg == "--listen") listen = argv[++i];
    else if (arg == "--out") out_path = argv[++i];
    else if (arg == "--reply") mode = argv[++i];
    else return Usage(("unknown option " + arg).c_str());
  }
  if (listen.empty() || out_path.empty()) return Usage("--listen and --out are required");
  if (!KnownMode(mode)) return Usage(("unknown reply mode " + mode).c_str());
  const size_t colon = listen.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == listen.size())
    return Usage("--listen takes HOST:PORT");
  const std::string host = listen.substr(0, colon);
  char* end = nullptr;
  const long port = std::strtol(listen.c_str() + colon + 1, &end, 10);
  if (*end != '\0' || port < 0 || port > 65535) return Usage("bad port in --listen");

  FILE* out = std::fopen(out_path.c_str(), "a");
  if (!out) {
    std::fprintf(stderr, "statcollector: cannot open %s: %s\n", out_path.c_str(),
                 std::strerror(errno));
    return 2;
  }
  std::mutex out_lock;
  const std::string reply = ReplyFor(mode);

  httplib::Server server;
  // Packets are far below 64 KiB; anything much larger is not a report.
  server.set_payload_max_length(1024 * 1024);
  server.Post(".*", [&](const httplib::Request& request, httplib::Response& response) {
    DecodedReport report;
    std::string error;
    if (!DecodeReport(reinterpret_cast<const uint8_t*>(request.body.data()), request.body.size(),
                      &report, &error)) {
      std::fprintf(stderr, "statcollector: rejected %zu bytes posted to %s: %s\n",
                   request.body.size(), request.path.c_str(), error.c_str());
      std::fflush(stderr);
      response.status = 400;
      response.set_content(error + "\n", "text/plain");
      return;
    }
    const std::string json = ReportToJson(report);
    {
      std::lock_guard<std::mutex> hold(out_lock);
      std::fprintf(out, "{\"path\":%s,%s\n", JsonQuote(request.path).c_str(), json.c_str() + 1);
      std::fflush(out);
    }
    if (mode == "hang") {
      for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    }
    if (mode == "http-error") response.status = 500;
    response.set_content(reply, "application/octet-stream");
  });

  int bound = static_cast<int>(port);
  if (port == 0) {
    bound = server.bind_to_any_port(host);
    if (bound < 0) bound = 0;
  } else if (!server.bind_to_port(host, bound)) {
    bound = 0;
  }
  if (bound == 0) {
    std::fprintf(stderr, "statcollector: cannot listen on %s\n", listen.c_str());
    return 1;
  }
  std::printf("listening %s:%d\n", host.c_str(), bound);
  std::fflush(stdout);
  const bool ok = server.listen_after_bind();
  std::fclose(out);
  return ok ? 0 : 1;
}
