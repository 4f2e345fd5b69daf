// Report delivery: the reply document, the checks of the service's reply, and
// real posts through HttpPostBinary to test servers on the loopback interface
// (directly, and through a machine's route for a host name).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "packet_public/ZText.h"
#include "platform/crypto.h"
#include "platform/http.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/net/SimRoutes.h"
#include "report/ZInstallReport.h"
#include "report/ZInstallSerialize.h"
#include "report/ZReplyDocument.h"
#include "report/ZReportReply.h"
#include "report/ZStatisticsUrl.h"
#include "tests/support/SimTestSupport.h"

namespace {

// ---------------------------------------------------------------------------
// The reply document

TEST(ReplyDocumentTest, ReadsFromTheFirstBracketWithNamesInAnyCase) {
  ZReplyDocument document;
  ASSERT_TRUE(document.Load(u"HTTP noise, no equals sign\r\n[ Common ]\r\n  Result  =  1 \r\n"
                            u"\r\n   \r\nMessage = Thank You\r\n[info]\nlast=line without feed"));
  EXPECT_EQ(document.SectionCount(), 2u);
  EXPECT_EQ(document.GetInt(u"common", u"result", 0), 1);
  EXPECT_EQ(document.GetInt(u"COMMON", u"RESULT", 0), 1);
  ASSERT_NE(document.Find(u"common", u"message"), nullptr);
  EXPECT_EQ(*document.Find(u"common", u"message"), u"Thank You");  // values keep their case
  ASSERT_NE(document.Find(u"INFO", u"Last"), nullptr);
  EXPECT_EQ(*document.Find(u"INFO", u"Last"), u"line without feed");
  EXPECT_EQ(document.Find(u"info", u"message"), nullptr);
  EXPECT_EQ(document.Find(u"missing", u"result"), nullptr);
}

TEST(ReplyDocumentTest, LaterPairsReplaceEarlierOnesAndSectionsMerge) {
  ZReplyDocument document;
  ASSERT_TRUE(document.Load(u"[common]\nresult=1\n[other]\nx=1\n[COMMON]\nRESULT=2\nkey with space = v\n"
                            u"empty=\n"));
  EXPECT_EQ(document.SectionCount(), 2u);
  EXPECT_EQ(document.KeyCount(u"common"), 3u);
  EXPECT_EQ(document.GetInt(u"common", u"result", 0), 2);
  ASSERT_NE(document.Find(u"common", u"KEY WITH SPACE"), nullptr);
  EXPECT_EQ(*document.Find(u"common", u"key with space"), u"v");
  // A value without digits reads as 0; only a missing one gives the default.
  EXPECT_EQ(document.GetInt(u"common", u"empty", 5), 0);
  EXPECT_EQ(document.GetInt(u"common", u"missing", 5), 5);
  EXPECT_EQ(document.GetInt(u"other", u"x", 5), 1);
}

TEST(ReplyDocumentTest, MalformedTextFailsAndLeavesTheDocumentEmpty) {
  const char16_t* const malformed[] = {
      u"",
      u"result=1\r\n",                                  // no "[" at all
      u"[]\r\nresult=1",                                // empty section name
      u"[   ]\r\nresult=1",                             // only spaces in the name
      u"[common]\r\nresult=1\r\nno equals\r\nlast=1",   // a line without "=" before the last
      u"[common]\r\nresult=1\r\nno equals at the end",  // ... or as the last line
      u"[common]\r\n=1",                                // empty key
      u"[common]\r\n   = 1",                            // a key of spaces only
      u"[common\r\nresult=1",                           // "[" without "]" is no section
  };
  for (const char16_t* text : malformed) {
    ZReplyDocument document;
    ASSERT_TRUE(document.Load(u"[kept]\nx=1"));
    EXPECT_FALSE(document.Load(text)) << Utf16ToUtf8(text);
    EXPECT_EQ(document.SectionCount(), 0u) << Utf16ToUtf8(text);
    EXPECT_EQ(document.GetInt(u"common", u"result", 0), 0);
  }
}

// ---------------------------------------------------------------------------
// The reply check

struct ReplyShape {
  int length_adjust = 0;  // added to the length field
  uint8_t version = 3;
  uint32_t crc_xor = 0;   // flips bits of the stored checksum
};

std::string Reply(const std::string& text, ReplyShape shape = {}) {
  size_t total = text.size() + kReplyHeaderSize + static_cast<size_t>(shape.length_adjust);
  uint32_t crc = Crc32(0, reinterpret_cast<const uint8_t*>(text.data()), text.size()) ^ shape.crc_xor;
  std::string body = {static_cast<char>(total & 0xFF), static_cast<char>((total >> 8) & 0xFF),
                      static_cast<char>(shape.version)};
  for (int i = 0; i < 4; ++i) body.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
  return body + text;
}

const std::string kAccepting = "[common]\r\nresult=1\r\n";

const char kZeroInside[] = "[common]\r\nresult=1\r\n\0no equals here";
const char kBinary[] = "\x01\x02\xff\xfe\x80\x9d\x00[common]\nresult=1";

TEST(CheckReportReplyTest, AcceptsResultOneInEveryAllowedSpelling) {
  for (const std::string& text : {kAccepting, std::string("[common]\r\nresult = 1\r\n"),
                                 std::string("[COMMON]\r\nResult=1\r\n"),
                                 std::string("\n[common]\nresult=1"),
                                 std::string(kZeroInside, sizeof kZeroInside - 1)}) {
    std::u16string response;
    EXPECT_EQ(CheckReportReply(Reply(text), &response), 0) << text;
    // A zero byte ends the text.
    EXPECT_EQ(response, Utf8ToUtf16(text.c_str())) << text;
  }
}

TEST(CheckReportReplyTest, RefusesABadHeaderAndKeepsTheEarlierText) {
  // Its length field holds the low 16 bits of the size, and its text alone
  // would accept: only the full size tells it apart.
  std::string huge = kAccepting + std::string(65536, ' ');
  const std::pair<const char*, std::string> bad[] = {
      {"empty body", ""},
      {"header only", Reply("")},
      {"wrong checksum", Reply(kAccepting, {.crc_xor = 0x100})},
      {"length of the text only", Reply(kAccepting, {.length_adjust = -7})},
      {"length one too many", Reply(kAccepting, {.length_adjust = 1})},
      {"version 2", Reply(kAccepting, {.version = 2})},
      {"body past 64 KiB", Reply(huge)},
  };
  for (const auto& [what, body] : bad) {
    std::u16string response = u"earlier";
    EXPECT_EQ(CheckReportReply(body, &response), -1) << what;
    EXPECT_EQ(response, u"earlier") << what;
  }
}

TEST(CheckReportReplyTest, RefusesAValidHeaderWhoseTextDoesNotAccept) {
  const std::pair<const char*, std::string> refused[] = {
      {"result 2", "[common]\r\nresult=2\r\n"},
      {"no result key", "[common]\r\nmessage=ok\r\n"},
      {"result in another section", "[other]\r\nresult=1\r\n"},
      {"line without = after result=1", "[common]\r\nresult=1\r\nbroken line\r\nend=1\r\n"},
      {"empty section name", "[common]\r\nresult=1\r\n[ ]\r\n"},
      {"binary bytes before a zero", std::string(kBinary, sizeof kBinary - 1)},
  };
  for (const auto& [what, text] : refused) {
    std::u16string response;
    EXPECT_EQ(CheckReportReply(Reply(text), &response), -1) << what;
    // The header was valid: the text is kept even though it does not accept.
    EXPECT_FALSE(response.empty()) << what;
  }
}

TEST(CheckReportReplyTest, TextIsReadInTheAnsiCodePage) {
  std::u16string response;
  ASSERT_EQ(CheckReportReply(Reply(kAccepting + "note=\x80 \x93ok\x94 \x81 caf\xe9\r\n"), &response),
            0);
  EXPECT_NE(response.find(u"note=\u20AC \u201Cok\u201D \u0081 caf\u00E9"), std::u16string::npos);
}

// ---------------------------------------------------------------------------
// Posting over HTTP

// An HTTP server on 127.0.0.1 (or [::1]) that records every request and answers
// each with the status and body it was given.
class TestServer {
 public:
  struct Seen {
    std::string path, body, content_type, user_agent, host;
  };

  explicit TestServer(const std::string& address = "127.0.0.1") {
    server_.Post(".*", [this](const httplib::Request& request, httplib::Response& response) {
      std::lock_guard<std::mutex> guard(mutex_);
      seen_.push_back({request.path, request.body, request.get_header_value("Content-Type"),
                       request.get_header_value("User-Agent"), request.get_header_value("Host")});
      response.status = status_;
      response.set_content(body_, "application/octet-stream");
    });
    port_ = server_.bind_to_any_port(address);
    if (port_ <= 0) return;
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() before the accept loop runs would not end it.
    for (int i = 0; i < 5000 && !server_.is_running(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~TestServer() {
    server_.stop();
    if (thread_.joinable()) thread_.join();
  }

  int Port() const { return port_; }
  void Answer(int status, std::string body) {
    std::lock_guard<std::mutex> guard(mutex_);
    status_ = status;
    body_ = std::move(body);
  }
  std::vector<Seen> Requests() {
    std::lock_guard<std::mutex> guard(mutex_);
    return seen_;
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = -1;
  std::mutex mutex_;
  int status_ = 200;
  std::string body_;
  std::vector<Seen> seen_;
};

// A loopback port that accepts connections but never reads or answers; or,
// closed at once, a port where nothing listens.
class SilentPort {
 public:
  explicit SilentPort(bool listening) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        (listening && listen(fd_, 4) != 0))
      return;
    port_ = ntohs(address.sin_port);
    if (!listening) Close();
  }
  ~SilentPort() { Close(); }
  int Port() const { return port_; }

 private:
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  int fd_ = -1;
  int port_ = -1;
};

std::u16string Url(const std::string& host, int port) {
  return Utf8ToUtf16("http://" + host + ":" + std::to_string(port) + "/nep/v1/");
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class PostPacketTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_GT(server_.Port(), 0);
  }
  int Post(const std::u16string& url, const std::string& packet, long timeout_s = 5) {
    return report_.PostPacket(url, reinterpret_cast<const uint8_t*>(packet.data()), packet.size(),
                              timeout_s);
  }

  TestServer server_;
  ZInstallReportV3 report_;
};

TEST_F(PostPacketTest, PostsTheExactBytesWithTheTwoHeaders) {
  server_.Answer(200, Reply(kAccepting + "message=thanks\r\n"));
  std::string packet("\x00\x01\x02\xff\r\n binary\x00tail", 17);
  EXPECT_EQ(Post(Url("127.0.0.1", server_.Port()), packet), 0);
  EXPECT_EQ(report_.ResponseText(), u"[common]\r\nresult=1\r\nmessage=thanks\r\n");

  auto seen = server_.Requests();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].path, "/nep/v1/");
  EXPECT_EQ(seen[0].body, packet);
  EXPECT_EQ(seen[0].content_type, "application/octet-stream");
  EXPECT_EQ(seen[0].user_agent, "Mozilla/4.0");
}

TEST_F(PostPacketTest, StatusPassesThroughAndOnlyTheBodyDecides) {
  const std::u16string url = Url("127.0.0.1", server_.Port());
  const uint8_t byte = 1;
  for (int status : {200, 404, 500}) {
    server_.Answer(status, "not a reply");
    std::string reply;
    EXPECT_EQ(HttpPostBinary(url, &byte, 1, 5, 5, &reply), status);
    EXPECT_EQ(reply, "not a reply");
  }
  server_.Answer(500, Reply(kAccepting));
  EXPECT_EQ(Post(url, "x"), 0);
  server_.Answer(200, "");
  EXPECT_EQ(Post(url, "x"), -1);
  server_.Answer(200, Reply(kAccepting).substr(0, 7));
  EXPECT_EQ(Post(url, "x"), -1);
  // The last reply with a valid header is kept.
  EXPECT_EQ(report_.ResponseText(), Utf8ToUtf16(kAccepting));

  // No bytes at all is an empty body, not one read from standard input.
  std::string reply;
  EXPECT_EQ(HttpPostBinary(url, nullptr, 0, 5, 5, &reply), 200);
  EXPECT_EQ(server_.Requests().back().body, "");
}

TEST_F(PostPacketTest, AHugeReplyIsCutOffInsteadOfKept) {
  server_.Answer(200, std::string(size_t{20} << 20, 'x'));
  std::string reply;
  const uint8_t byte = 1;
  EXPECT_EQ(HttpPostBinary(Url("127.0.0.1", server_.Port()), &byte, 1, 10, 10, &reply), 0);
  EXPECT_LE(reply.size(), size_t{16} << 20);
}

TEST_F(PostPacketTest, TwoThreadsPostAtTheSameTime) {
  server_.Answer(200, Reply(kAccepting));
  ZInstallReportV3 other;
  int results[2] = {-2, -2};
  const std::u16string url = Url("127.0.0.1", server_.Port());
  std::thread first([&] { results[0] = Post(url, "first"); });
  std::thread second([&] {
    results[1] = other.PostPacket(url, reinterpret_cast<const uint8_t*>("second"), 6, 5);
  });
  first.join();
  second.join();
  EXPECT_EQ(results[0], 0);
  EXPECT_EQ(results[1], 0);
  EXPECT_EQ(server_.Requests().size(), 2u);
}

TEST_F(PostPacketTest, SendPostsTheBuiltPacketAndNothingWithoutRecords) {
  server_.Answer(200, Reply(kAccepting));
  const std::u16string url = Url("127.0.0.1", server_.Port());
  EXPECT_EQ(report_.Send(url, 5), -1);
  EXPECT_TRUE(server_.Requests().empty());

  auto record = [] {
    auto* r = new ZInstallSerialize;
    r->SetRecordId(6570);
    r->WriteByte(1);
    r->WriteString(u"C:\\Windows\\explorer.exe");
    r->Finish();
    return r;
  };
  ZInstallReportV3 expected;
  expected.AddRecord(record());
  ZByteBuffer packet;
  ASSERT_EQ(expected.BuildPacket(&packet), 0);

  report_.AddRecord(record());
  EXPECT_EQ(report_.Send(url, 5), 0);
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(server_.Requests()[0].body,
            std::string(reinterpret_cast<const char*>(packet.Data()), packet.Length()));
}

TEST_F(PostPacketTest, RefusedConnectionFailsWithoutWaitingForTheTimeout) {
  SilentPort closed(false);
  ASSERT_GT(closed.Port(), 0);
  auto start = std::chrono::steady_clock::now();
  std::string reply;
  EXPECT_EQ(HttpPostBinary(Url("127.0.0.1", closed.Port()), nullptr, 0, 5, 5, &reply), 0);
  EXPECT_EQ(Post(Url("127.0.0.1", closed.Port()), "x", 5), -1);
  EXPECT_LT(SecondsSince(start), 2.0);
}

TEST_F(PostPacketTest, ServerThatNeverAnswersTimesOut) {
  SilentPort silent(true);
  ASSERT_GT(silent.Port(), 0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Post(Url("127.0.0.1", silent.Port()), "x", 1), -1);
  double elapsed = SecondsSince(start);
  EXPECT_GE(elapsed, 0.9);
  EXPECT_LT(elapsed, 3.0);
}

TEST_F(PostPacketTest, RoutedHostReachesTheServerUnderItsOwnName) {
  const std::string address = "127.0.0.1:" + std::to_string(server_.Port());
  ASSERT_TRUE(SimSetRoute(*SimHost::Machine(), "Stats.Example.invalid", address, nullptr));
  server_.Answer(200, Reply(kAccepting));

  EXPECT_EQ(Post(u"http://stats.example.INVALID/nep/v1/", "routed"), 0);
  auto seen = server_.Requests();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].host, "stats.example.INVALID");
  EXPECT_EQ(seen[0].body, "routed");

  // Only the name in the table is routed, on any port.
  EXPECT_EQ(Post(u"http://stats.example.invalid:8080/nep/v1/", "any port"), 0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Post(u"http://www.stats.example.invalid/nep/v1/", "x", 2), -1);
  EXPECT_EQ(Post(u"http://unrouted.invalid/nep/v1/", "x", 2), -1);
  EXPECT_LT(SecondsSince(start), 4.5);
  EXPECT_EQ(server_.Requests().size(), 2u);

  ASSERT_TRUE(SimRemoveRoute(*SimHost::Machine(), "stats.example.invalid"));
  EXPECT_EQ(Post(u"http://stats.example.invalid/nep/v1/", "x", 2), -1);
  EXPECT_EQ(server_.Requests().size(), 2u);
}

TEST_F(PostPacketTest, SimhostRoutesTheStatisticsHostForTheReportUrl) {
  auto routed = RunCommand({kSimhostPath, "route", MachineDir(), "--statistics",
                            "127.0.0.1:" + std::to_string(server_.Port())});
  ASSERT_EQ(routed.exit_code, 0) << routed.err;
  server_.Answer(200, Reply(kAccepting));
  EXPECT_EQ(Post(StatisticsUrl(), "report"), 0);
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(server_.Requests()[0].host, UNINST_STATISTICS_HOST);
  EXPECT_EQ(server_.Requests()[0].path, "/nep/v1/");
}

TEST_F(PostPacketTest, RouteToTheIpv6Loopback) {
  TestServer v6("::1");
  if (v6.Port() <= 0) GTEST_SKIP() << "no IPv6 loopback here";
  ASSERT_TRUE(SimSetRoute(*SimHost::Machine(), "v6.example.invalid",
                          "[::1]:" + std::to_string(v6.Port()), nullptr));
  v6.Answer(200, Reply(kAccepting));
  EXPECT_EQ(Post(u"http://v6.example.invalid/nep/v1/", "six"), 0);
  ASSERT_EQ(v6.Requests().size(), 1u);
  EXPECT_EQ(v6.Requests()[0].host, "v6.example.invalid");
}

}  // namespace
