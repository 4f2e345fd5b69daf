// reportdump and statcollector: packets built by the program come back as
// JSON, broken packets are named precisely, and the collector's replies carry
// a header the program's reply checks accept (or, in the faulty modes, the
// one fault each mode stands for). Network traffic stays on 127.0.0.1.
#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/crypto.h"
#include "report/ZInstallReport.h"
#include "report/ZInstallSerialize.h"
#include "report/ZPublicBlock.h"
#include "tests/support/SimTestSupport.h"
#include "tools/reportcodec/ReportDecoder.h"

namespace {

const char* const kReportdumpPath = UNINST_REPORTDUMP_PATH;
const char* const kStatcollectorPath = UNINST_STATCOLLECTOR_PATH;

std::string BuildPacket(uint8_t result, uint32_t kind, const std::u16string& parent) {
  ZInstallReportV3 report;
  auto* block = new ZPublicBlock;
  block->Fill(u"101", u"102", u"103", u"104", u"105", u"A0B1C2D3E4F5061728394A5B6C7D8E9F", u"6",
              u"FFEEDDCCBBAA99887766554433221100");
  report.AddRecord(block);
  auto* event = new ZInstallSerialize;
  event->SetRecordId(6570);
  event->WriteByte(result);
  event->WriteDword(kind);
  event->WriteDword(30);
  event->WriteString(parent);
  event->WriteDword(777);
  event->WriteByte(1);
  event->Finish();
  report.AddRecord(event);
  ZByteBuffer out;
  EXPECT_EQ(report.BuildPacket(&out), 0);
  return std::string(reinterpret_cast<const char*>(out.Data()), out.Length());
}

// Re-seals a packet after its clear part was edited, so that only the edit
// is wrong and every earlier check still passes.
std::string Reseal(std::vector<uint8_t> clear) {
  const ZReportKey key = ZReportKeyStore::Instance().GetKey();
  EXPECT_TRUE(Aes128CbcEncrypt(key.key, key.iv, clear.data() + 14, clear.size() - 14));
  uint32_t crc = Crc32(Crc32(0, clear.data() + 6, clear.size() - 6), key.key, 16);
  std::memcpy(clear.data() + 2, &crc, 4);  // the test hosts are little-endian
  return std::string(clear.begin(), clear.end());
}

std::vector<uint8_t> ClearOf(const std::string& packet) {
  DecodedReport report;
  std::string error;
  EXPECT_TRUE(DecodeReport(reinterpret_cast<const uint8_t*>(packet.data()), packet.size(),
                           &report, &error))
      << error;
  return report.clear;
}

std::string DecodeError(const std::string& packet) {
  DecodedReport report;
  std::string error;
  EXPECT_FALSE(DecodeReport(reinterpret_cast<const uint8_t*>(packet.data()), packet.size(),
                            &report, &error));
  return error;
}

// The reply checks of the program's delivery, written again independently.
struct ReplyVerdict {
  bool header_ok = false;
  std::string text;
};
ReplyVerdict CheckReply(const std::string& body) {
  ReplyVerdict verdict;
  if (body.size() <= 7) return verdict;
  const auto* b = reinterpret_cast<const uint8_t*>(body.data());
  const uint32_t crc = b[3] | b[4] << 8 | b[5] << 16 | static_cast<uint32_t>(b[6]) << 24;
  if (Crc32(0, b + 7, body.size() - 7) != crc) return verdict;
  if (static_cast<size_t>(b[0] | b[1] << 8) != body.size()) return verdict;
  if (b[2] != 3) return verdict;
  verdict.header_ok = true;
  verdict.text = std::string(body.c_str() + 7);  // up to the first zero byte
  return verdict;
}

class ReportToolsTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.Path() + "/" + name; }
  TempDir dir_;
};

TEST_F(ReportToolsTest, ReportdumpPrintsEveryField) {
  const std::string packet = BuildPacket(1, 1, u"C:\\Users\\User\\Desktop\\\u00e9\"x.exe");
  ASSERT_TRUE(WriteTextFile(Path("p.bin"), packet));
  auto result = RunCommand({kReportdumpPath, Path("p.bin")});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  const std::string& json = result.out;
  EXPECT_EQ(json.find('\n'), json.size() - 1);
  for (const std::string& expected : {
           "\"length\":" + std::to_string(packet.size()) + ",",
           std::string("\"version\":3,"), std::string("\"key_index\":0,"),
           std::string("\"format\":1,"), std::string("\"record_count\":2,"),
           std::string("{\"index\":0,\"offset\":30,"),
           std::string("\"id\":4,\"type\":\"public\""),
           std::string("\"id\":6570,\"type\":\"event\""),
           std::string("\"public\":{\"uuid\":\"A0B1C2D3E4F5061728394A5B6C7D8E9F\",\"tid1\":101,"
                       "\"tid2\":102,\"tod1\":103,\"tod2\":104,\"constant\":7,\"tryno\":6,"
                       "\"iid\":105,\"time\":"),
           std::string("\"reserved\":0,\"svrid\":\"FFEEDDCCBBAA99887766554433221100\"}"),
           std::string("\"event\":{\"result\":1,\"kind\":1,\"install_days\":30,"
                       "\"parent_path\":\"C:\\\\Users\\\\User\\\\Desktop\\\\\xc3\xa9\\\"x.exe\","
                       "\"pid\":777,\"constant\":1}}"),
       })
    EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n in " << json;
}

TEST_F(ReportToolsTest, DecoderNamesTheFailedCheckAndItsOffset) {
  const std::string good = BuildPacket(0, 2, u"C:\\a.exe");
  const std::vector<uint8_t> clear = ClearOf(good);
  ASSERT_FALSE(clear.empty());
  const size_t event_at = 30 + (clear[18] | clear[19] << 8);

  std::string bad = good;
  bad[0] = static_cast<char>(bad[0] + 1);
  EXPECT_EQ(DecodeError(bad).rfind("length field at offset 0 is", 0), 0u) << DecodeError(bad);
  bad = good;
  bad[6] = 2;
  EXPECT_EQ(DecodeError(bad), "protocol version at offset 6 is 2, expected 3");
  bad = good;
  bad[40] ^= 1;
  EXPECT_EQ(DecodeError(bad).rfind("checksum at offset 2 is", 0), 0u);
  EXPECT_EQ(DecodeError(good.substr(0, 13)), "packet is 13 bytes, shorter than the 14-byte header");

  std::vector<uint8_t> edit = clear;
  edit.back() = 17;
  EXPECT_EQ(DecodeError(Reseal(edit)),
            "padding byte at offset " + std::to_string(edit.size() - 1) + " is 17, expected 1 to 16");
  edit = clear;
  edit[14] = 31;  // first record's offset
  EXPECT_EQ(DecodeError(Reseal(edit)), "entry 0 at offset 14: record offset is 31, expected 30");
  edit = clear;
  edit[12] = 200;  // more entries than there is room for
  EXPECT_EQ(DecodeError(Reseal(edit)),
            "entry table of 200 entries ends at offset 1614, past the padding at " +
                std::to_string(edit.size() - edit.back()));
  edit = clear;
  edit[event_at + 11] = 0xFF;  // parent path length now far beyond the record
  const std::string error = DecodeError(Reseal(edit));
  EXPECT_EQ(error.rfind("record 1 (id 6570) at offset " + std::to_string(event_at) +
                            ": field parent_path needs",
                        0),
            0u)
      << error;
}

TEST_F(ReportToolsTest, ReportdumpRejectsCorruptPacketsWithTheReason) {
  std::string bad = BuildPacket(1, 1, u"");
  bad[bad.size() - 1] ^= 0x55;
  ASSERT_TRUE(WriteTextFile(Path("bad.bin"), bad));
  auto result = RunCommand({kReportdumpPath, Path("bad.bin")});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_TRUE(result.out.empty());
  EXPECT_NE(result.err.find("checksum at offset 2 is"), std::string::npos) << result.err;
  auto missing = RunCommand({kReportdumpPath, Path("none.bin")});
  EXPECT_EQ(missing.exit_code, 2);
}

class StatcollectorTest : public ReportToolsTest {
 protected:
  // Starts the collector on a free port; false when it does not come up.
  bool Start(const std::string& mode) {
    if (!collector_.Start(kStatcollectorPath,
                          {"--listen", "127.0.0.1:0", "--out", Path("reports.jsonl"), "--reply",
                           mode}))
      return false;
    const std::string line = collector_.ReadLine(10000);
    const std::string prefix = "listening 127.0.0.1:";
    if (line.rfind(prefix, 0) != 0) return false;
    port_ = std::stoi(line.substr(prefix.size()));
    return port_ > 0;
  }
  httplib::Result Post(const std::string& body, const std::string& path = "/nep/v1/") {
    httplib::Client client("127.0.0.1", port_);
    client.set_connection_timeout(5);
    client.set_read_timeout(5);
    return client.Post(path.c_str(), body.data(), body.size(), "application/octet-stream");
  }
  void TearDown() override {
    collector_.Kill();
    collector_.Wait();
  }
  ChildProcess collector_;
  int port_ = 0;
};

TEST_F(StatcollectorTest, RecordsOneJsonLinePerReportAndRepliesAccepted) {
  ASSERT_TRUE(Start("ok"));
  const std::string first = BuildPacket(1, 1, u"C:\\Windows\\explorer.exe");
  auto reply = Post(first);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 200);
  const ReplyVerdict verdict = CheckReply(reply->body);
  EXPECT_TRUE(verdict.header_ok);
  EXPECT_EQ(verdict.text, "[common]\r\nresult=1\r\n");

  auto second = Post(BuildPacket(0, 2, u""), "/other/path");
  ASSERT_TRUE(second);
  EXPECT_EQ(second->status, 200);

  const std::string lines = ReadTextFile(Path("reports.jsonl"));
  const size_t split = lines.find('\n');
  ASSERT_NE(split, std::string::npos);
  const std::string one = lines.substr(0, split);
  const std::string two = lines.substr(split + 1);
  EXPECT_EQ(one.rfind("{\"path\":\"/nep/v1/\",\"length\":" + std::to_string(first.size()), 0), 0u)
      << one;
  EXPECT_NE(one.find("\"event\":{\"result\":1,\"kind\":1,"), std::string::npos);
  EXPECT_NE(one.find("\"parent_path\":\"C:\\\\Windows\\\\explorer.exe\""), std::string::npos);
  EXPECT_EQ(two.rfind("{\"path\":\"/other/path\",", 0), 0u) << two;
  EXPECT_NE(two.find("\"event\":{\"result\":0,\"kind\":2,"), std::string::npos);
  EXPECT_EQ(two.back(), '\n');
  EXPECT_EQ(two.find('\n'), two.size() - 1);
}

TEST_F(StatcollectorTest, MalformedPacketsGet400AndNothingIsRecorded) {
  ASSERT_TRUE(Start("ok"));
  std::string bad = BuildPacket(1, 1, u"");
  bad[20] ^= 1;
  for (const std::string& body : {bad, std::string(), std::string("garbage")}) {
    auto reply = Post(body);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 400);
  }
  auto good = Post(BuildPacket(1, 1, u""));
  ASSERT_TRUE(good);
  EXPECT_EQ(good->status, 200) << "still serving after bad input";
  const std::string lines = ReadTextFile(Path("reports.jsonl"));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1);
}

TEST_F(StatcollectorTest, FaultyReplyModesBreakExactlyOneThing) {
  struct Case {
    const char* mode;
    bool header_ok;
    const char* text;  // when the header is valid
  };
  const Case cases[] = {
      {"spaces", true, "[common]\r\nresult = 1\r\n"},
      {"case", true, "[COMMON]\r\nResult=1\r\n"},
      {"result2", true, "[common]\r\nresult=2\r\n"},
      {"no-result", true, "[common]\r\nanswer=1\r\n"},
      {"no-equals", true, "[common]\r\nresult=1\r\nno equals sign here\r\n"},
      {"empty-section", true, "[common]\r\nresult=1\r\n[]\r\n"},
      {"binary", true, "\xff\xfe"},
      {"http-error", true, "[common]\r\nresult=1\r\n"},
      {"empty", false, ""},
      {"seven", false, ""},
      {"bad-crc", false, ""},
      {"text-length", false, ""},
      {"version2", false, ""},
      {"huge", false, ""},
  };
  const std::string packet = BuildPacket(1, 1, u"");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ASSERT_TRUE(Start(c.mode));
    auto reply = Post(packet);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, std::string(c.mode) == "http-error" ? 500 : 200);
    const ReplyVerdict verdict = CheckReply(reply->body);
    EXPECT_EQ(verdict.header_ok, c.header_ok);
    if (c.header_ok) {
      EXPECT_EQ(verdict.text, c.text);
    }
    const std::string& body = reply->body;
    const std::string mode = c.mode;
    if (mode == "seven") {
      EXPECT_EQ(body.size(), 7u);
    } else if (mode == "empty") {
      EXPECT_TRUE(body.empty());
    } else if (mode == "huge") {
      EXPECT_EQ(body.size(), 8u * 1024 * 1024);
    } else if (mode == "text-length") {
      const size_t field = static_cast<uint8_t>(body[0]) | static_cast<uint8_t>(body[1]) << 8;
      EXPECT_EQ(field, body.size() - 7);
    }
    collector_.Kill();
    collector_.Wait();
  }
}

TEST_F(StatcollectorTest, HangModeRecordsThenNeverAnswers) {
  ASSERT_TRUE(Start("hang"));
  httplib::Client client("127.0.0.1", port_);
  client.set_read_timeout(1);
  const std::string packet = BuildPacket(1, 1, u"");
  auto reply = client.Post("/nep/v1/", packet.data(), packet.size(), "application/octet-stream");
  EXPECT_FALSE(reply);
  EXPECT_NE(ReadTextFile(Path("reports.jsonl")).find("\"result\":1"), std::string::npos);
}

TEST_F(StatcollectorTest, BadCommandLinesExitWithUsage) {
  for (const std::vector<std::string>& argv : std::vector<std::vector<std::string>>{
           {kStatcollectorPath},
           {kStatcollectorPath, "--listen", "127.0.0.1:0"},
           {kStatcollectorPath, "--listen", "127.0.0.1", "--out", Path("x")},
           {kStatcollectorPath, "--listen", "127.0.0.1:0", "--out", Path("x"), "--reply", "nope"},
       }) {
    auto result = RunCommand(argv, {}, 10000);
    EXPECT_EQ(result.exit_code, 2) << result.err;
    EXPECT_NE(result.err.find("usage:"), std::string::npos);
  }
}

}  // namespace
