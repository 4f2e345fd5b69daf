// Report records and packets, byte for byte: the buffer's growth, the field
// encodings, the public block, and the packet's layout, padding, cipher and
// checksum, checked against independent computations and the openssl tool.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/crypto.h"
#include "report/ZByteBuffer.h"
#include "report/ZHexId.h"
#include "report/ZInstallReport.h"
#include "report/ZInstallSerialize.h"
#include "report/ZPublicBlock.h"
#include "report/ZReportKey.h"
#include "tests/support/SimTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Written out here rather than taken from the store, so a wrong key in the
// program shows up.
const uint8_t kKey[16] = {'V', 'q', '3', '!', 'h', 'Z', '8', '#',
                          'L', 'w', '5', '$', 'N', 'k', '2', 'R'};

Bytes Of(const ZByteBuffer& buffer) { return Bytes(buffer.Data(), buffer.Data() + buffer.Length()); }

Bytes FieldsOf(void (*write)(ZInstallSerialize*)) {
  ZInstallSerialize record;
  record.SetRecordId(0x0102);
  write(&record);
  record.Finish();
  Bytes bytes = Of(record.RecordBytes());
  return Bytes(bytes.begin() + 2, bytes.end());
}

Bytes Scrambled(const std::string& utf8) {
  Bytes out = {static_cast<uint8_t>(utf8.size()), static_cast<uint8_t>(utf8.size() >> 8)};
  for (char c : utf8) out.push_back(static_cast<uint8_t>(c) ^ 0xC6);
  return out;
}

uint16_t Get16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint32_t Get32(const Bytes& b, size_t at) {
  return Get16(b, at) | static_cast<uint32_t>(Get16(b, at + 2)) << 16;
}

// The event record as the report singleton writes it.
ZInstallSerialize* MakeEvent(uint8_t result, uint32_t kind, uint32_t days,
                             const std::u16string& parent, uint32_t pid) {
  auto* record = new ZInstallSerialize;
  record->SetRecordId(6570);
  record->WriteByte(result);
  record->WriteDword(kind);
  record->WriteDword(days);
  record->WriteString(parent);
  record->WriteDword(pid);
  record->WriteByte(1);
  record->Finish();
  return record;
}

ZPublicBlock* MakePublic() {
  auto* block = new ZPublicBlock;
  block->Fill(u"11", u"12", u"13", u"14", u"15", u"00112233445566778899AABBCCDDEEFF", u"3",
              u"0123456789ABCDEF0123456789ABCDEF");
  return block;
}

// A record of exactly total bytes (id included).
ZInstallSerialize* MakeSized(size_t total) {
  auto* record = new ZInstallSerialize;
  record->SetRecordId(0x7777);
  for (size_t i = 2; i < total; ++i) record->WriteByte(static_cast<uint32_t>(i));
  record->Finish();
  return record;
}

Bytes Build(ZInstallReport* report) {
  ZByteBuffer out;
  EXPECT_EQ(report->BuildPacket(&out), 0);
  return Of(out);
}

// The packet with its encrypted part decrypted by our own hand.
Bytes Decrypt(const Bytes& packet) {
  Bytes clear = packet;
  EXPECT_TRUE(Aes128CbcDecrypt(kKey, kKey, clear.data() + 14, clear.size() - 14));
  return clear;
}

uint32_t ExpectedChecksum(const Bytes& packet, const uint8_t* key) {
  return Crc32(Crc32(0, packet.data() + 6, packet.size() - 6), key, 16);
}

std::string Hex(const uint8_t* bytes, size_t count) {
  std::string out;
  char digits[3];
  for (size_t i = 0; i < count; ++i) {
    std::snprintf(digits, sizeof(digits), "%02x", bytes[i]);
    out += digits;
  }
  return out;
}

TEST(ByteBufferTest, GrowsByRequestPlus1024AndCopiesDeeply) {
  ZByteBuffer buffer;
  EXPECT_EQ(buffer.Capacity(), 1024u);
  EXPECT_EQ(buffer.Length(), 0u);
  Bytes first(1024);
  for (size_t i = 0; i < first.size(); ++i) first[i] = static_cast<uint8_t>(i * 7);
  buffer.Append(first.data(), first.size());
  EXPECT_EQ(buffer.Capacity(), 1024u) << "a full fit must not grow";
  buffer.Append("x", 1);
  EXPECT_EQ(buffer.Capacity(), 1024u + 1 + 1024);
  buffer.AppendZeros(3000);
  EXPECT_EQ(buffer.Capacity(), 2049u + 3000 + 1024);
  ASSERT_EQ(buffer.Length(), 4025u);
  EXPECT_EQ(Bytes(buffer.Data(), buffer.Data() + 1024), first) << "growth keeps the old bytes";
  EXPECT_EQ(buffer.Data()[1024], 'x');
  for (size_t i = 1025; i < 4025; ++i) ASSERT_EQ(buffer.Data()[i], 0) << i;

  ZByteBuffer copy(buffer);
  buffer.Data()[0] = 0xEE;
  EXPECT_EQ(copy.Data()[0], first[0]);
  EXPECT_EQ(copy.Length(), 4025u);
  ZByteBuffer assigned;
  assigned.Append("abc", 3);
  assigned = copy;
  assigned = assigned;
  EXPECT_EQ(Of(assigned), Of(copy));
}

TEST(SerializeTest, IntegersAreLittleEndianLowBytes) {
  EXPECT_EQ(FieldsOf([](ZInstallSerialize* r) {
              r->WriteByte(0x1234);
              r->WriteWord(0x12345678);
              r->WriteDword(0x89ABCDEF);
            }),
            (Bytes{0x34, 0x78, 0x56, 0xEF, 0xCD, 0xAB, 0x89}));
}

TEST(SerializeTest, RecordIdLeadsTheRecordAndKeepsLow16Bits) {
  ZInstallSerialize record;
  record.SetRecordId(6570);
  record.WriteByte(9);
  EXPECT_EQ(record.RecordBytes().Length(), 0u) << "nothing before Finish";
  record.Finish();
  EXPECT_EQ(Of(record.RecordBytes()), (Bytes{0xAA, 0x19, 9}));
  ZInstallSerialize wide;
  wide.SetRecordId(0x1ABCD);
  wide.Finish();
  EXPECT_EQ(Of(wide.RecordBytes()), (Bytes{0xCD, 0xAB}));
  EXPECT_EQ(wide.RecordId(), 0xABCD);
}

TEST(SerializeTest, BlobHasTwoByteLength) {
  EXPECT_EQ(FieldsOf([](ZInstallSerialize* r) {
              const uint8_t three[] = {1, 2, 3};
              r->WriteBlob(three, 3);
              r->WriteBlob(three, 0);
            }),
            (Bytes{3, 0, 1, 2, 3, 0, 0}));
}

TEST(SerializeTest, StringsAreScrambledUtf8WithinTheirBudget) {
  EXPECT_EQ(FieldsOf([](ZInstallSerialize* r) { r->WriteString(u"abc"); }),
            (Bytes{3, 0, 'a' ^ 0xC6, 'b' ^ 0xC6, 'c' ^ 0xC6}));
  EXPECT_EQ(FieldsOf([](ZInstallSerialize* r) { r->WriteString(u""); }), (Bytes{0, 0}));
  EXPECT_EQ(FieldsOf([](ZInstallSerialize* r) { r->WriteString(nullptr); }), (Bytes{0, 0}));
  // Budget 2 x (units + 1) bytes, terminator included.
  EXPECT_EQ(FieldsOf([](ZInstallSerialize* r) { r->WriteString(u"C:\\\u00e9"); }),
            Scrambled("C:\\\xc3\xa9"));
  EXPECT_EQ(FieldsOf([](ZInstallSerialize* r) { r->WriteString(u"\u4e2d"); }),
            Scrambled("\xe4\xb8\xad")) << "3 bytes + terminator fit 4";
  EXPECT_EQ(FieldsOf([](ZInstallSerialize* r) { r->WriteString(u"\u4e2d\u6587"); }),
            (Bytes{0, 0})) << "6 bytes + terminator exceed 6";
  EXPECT_EQ(FieldsOf([](ZInstallSerialize* r) { r->WriteString(u"a\u4e2d\u6587"); }),
            Scrambled("a\xe4\xb8\xad\xe6\x96\x87")) << "7 bytes + terminator fit 8";
  EXPECT_EQ(FieldsOf([](ZInstallSerialize* r) { r->WriteString(u"\U0001F600"); }),
            Scrambled("\xf0\x9f\x98\x80"));
}

TEST(SerializeTest, UnconvertibleOrCutTextsAreHandledSafely) {
  // Lone surrogates have no UTF-8 form: the whole string is sent empty.
  EXPECT_EQ(FieldsOf([](ZInstallSerialize* r) { r->WriteString(u"a\xD800z"); }), (Bytes{0, 0}));
  EXPECT_EQ(FieldsOf([](ZInstallSerialize* r) { r->WriteString(u"ab\xDC00"); }), (Bytes{0, 0}));
  EXPECT_EQ(FieldsOf([](ZInstallSerialize* r) { r->WriteString(u"ab\xD83D"); }), (Bytes{0, 0}));
  // A wide C string ends at its first zero.
  EXPECT_EQ(FieldsOf([](ZInstallSerialize* r) { r->WriteString(std::u16string(u"ab\0cd", 5)); }),
            Scrambled("ab"));
  // Beyond 16 bits the length wraps, and exactly that many bytes follow.
  Bytes fields = FieldsOf([](ZInstallSerialize* r) { r->WriteString(std::u16string(70000, u'q')); });
  ASSERT_EQ(Get16(fields, 0), 70000 & 0xFFFF);
  EXPECT_EQ(fields.size(), 2u + (70000 & 0xFFFF));
}

TEST(HexIdTest, OnlyThirtyTwoUpperCaseDigitsCount) {
  const auto bytes = ParseHexId(u"00112233445566778899AABBCCDDEEFF");
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(bytes[i], i * 0x11) << i;
  EXPECT_EQ(ParseHexId(u"0F1E2D3C4B5A69788796A5B4C3D2E1F0")[0], 0x0F);
  const std::array<uint8_t, 16> zero{};
  for (const char16_t* bad : {
           u"00112233445566778899aabbccddeeff",
           u"00112233445566778899AABBCCDDEEFf",
           u"{00112233445566778899AABBCCDDEEFF}",
           u"00112233-4455-6677-8899-AABBCCDDEEFF",
           u"00112233445566778899AABBCCDDEEF",
           u"00112233445566778899AABBCCDDEEFF0",
           u"G0112233445566778899AABBCCDDEEFF",
           u"0011223344556677 899AABBCCDDEEFF",
           u"00112233445566778899AABBCCDDEE\uFF10F",
           u"",
       })
    EXPECT_EQ(ParseHexId(bad), zero) << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
}

TEST(PublicBlockTest, FillWritesElevenFieldsInOrder) {
  // The system clock the block reads, not time(): that one may be a coarse
  // clock a tick behind, and say the old second after the block saw the new one.
  auto seconds_now = [] {
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count());
  };
  const uint32_t before = seconds_now();
  ZPublicBlock block;
  block.Fill(u" 42abc", u"-1", u"", u"x9", u"+17", u"00112233445566778899AABBCCDDEEFF",
             u"70001", u"SVR");
  const uint32_t after = seconds_now();
  const Bytes b = Of(block.RecordBytes());
  ASSERT_EQ(b.size(), 2u + 18 + 16 + 1 + 2 + 4 + 4 + 4 + 5);
  EXPECT_EQ(Get16(b, 0), 4);
  EXPECT_EQ(Get16(b, 2), 16);
  EXPECT_EQ(b[4], 0x00);
  EXPECT_EQ(b[19], 0xFF);
  EXPECT_EQ(Get32(b, 20), 42u);
  EXPECT_EQ(Get32(b, 24), 0xFFFFFFFFu);
  EXPECT_EQ(Get32(b, 28), 0u);
  EXPECT_EQ(Get32(b, 32), 0u);
  EXPECT_EQ(b[36], 7);
  EXPECT_EQ(Get16(b, 37), 70001 & 0xFFFF);
  EXPECT_EQ(Get32(b, 39), 17u);
  EXPECT_GE(Get32(b, 43), before);
  EXPECT_LE(Get32(b, 43), after);
  EXPECT_EQ(Get32(b, 47), 0u);
  EXPECT_EQ(Bytes(b.begin() + 51, b.end()), Scrambled("SVR"));

  ZPublicBlock bad_uuid;
  bad_uuid.Fill(u"", u"", u"", u"", u"", u"{00112233445566778899AABBCCDDEEFF}", u"", u"");
  const Bytes z = Of(bad_uuid.RecordBytes());
  Bytes zero_uuid(18, 0);
  zero_uuid[0] = 16;
  EXPECT_EQ(Bytes(z.begin() + 2, z.begin() + 20), zero_uuid);
  EXPECT_EQ(Bytes(z.end() - 2, z.end()), (Bytes{0, 0})) << "empty svrid";
}

TEST(PacketTest, TwoRecordsLayOutAsTheServiceReadsThem) {
  ZInstallReportV3 report;
  ZPublicBlock* block = MakePublic();
  const std::u16string parent = u"C:\\Windows\\explorer.exe";
  ZInstallSerialize* event = MakeEvent(1, 1, 12, parent, 4242);
  const Bytes public_bytes = Of(block->RecordBytes());
  const Bytes event_bytes = Of(event->RecordBytes());
  report.AddRecord(block);
  report.AddRecord(event);
  EXPECT_EQ(event_bytes.size(), 2u + 1 + 4 + 4 + (2 + parent.size()) + 4 + 1);

  const Bytes packet = Build(&report);
  ASSERT_GT(packet.size(), 14u);
  EXPECT_EQ((packet.size() - 14) % 16, 0u);
  EXPECT_EQ(Get16(packet, 0), packet.size());
  EXPECT_EQ(packet[6], 3);
  EXPECT_EQ(Get32(packet, 7), 0u);
  EXPECT_EQ(packet[11], 1);
  EXPECT_EQ(Get16(packet, 12), 2);
  EXPECT_EQ(Get32(packet, 2), ExpectedChecksum(packet, kKey));

  const Bytes clear = Decrypt(packet);
  EXPECT_EQ(Get32(clear, 14), 30u);
  EXPECT_EQ(Get32(clear, 18), public_bytes.size());
  EXPECT_EQ(Get32(clear, 22), 30u + public_bytes.size());
  EXPECT_EQ(Get32(clear, 26), event_bytes.size());
  EXPECT_EQ(Bytes(clear.begin() + 30, clear.begin() + 30 + static_cast<long>(public_bytes.size())),
            public_bytes);
  const size_t event_at = 30 + public_bytes.size();
  EXPECT_EQ(Bytes(clear.begin() + static_cast<long>(event_at),
                  clear.begin() + static_cast<long>(event_at + event_bytes.size())),
            event_bytes);
  EXPECT_EQ(clear[event_at], 0xAA);
  EXPECT_EQ(clear[event_at + 1], 0x19);
  const size_t pad = clear.size() - event_at - event_bytes.size();
  ASSERT_GE(pad, 1u);
  ASSERT_LE(pad, 16u);
  for (size_t i = clear.size() - pad; i < clear.size(); ++i) EXPECT_EQ(clear[i], pad);
}

TEST(PacketTest, PaddingIsAlwaysOneToSixteenBytesOfItsCount) {
  // 8 bytes of table + the record: a record of 8 bytes fills one block exactly.
  for (size_t size = 2; size <= 42; ++size) {
    ZInstallReportV3 report;
    report.AddRecord(MakeSized(size));
    const Bytes packet = Build(&report);
    const size_t body = 8 + size;
    const size_t pad = body % 16 == 0 ? 16 : 16 - body % 16;
    ASSERT_EQ(packet.size(), 14 + body + pad) << size;
    const Bytes clear = Decrypt(packet);
    for (size_t i = 14 + body; i < clear.size(); ++i) ASSERT_EQ(clear[i], pad) << size;
  }
  ZInstallReportV3 exact;
  exact.AddRecord(MakeSized(8));
  const Bytes packet = Build(&exact);
  EXPECT_EQ(packet.size(), 14u + 16 + 16);
  const Bytes clear = Decrypt(packet);
  EXPECT_EQ(Bytes(clear.end() - 16, clear.end()), Bytes(16, 16));
}

TEST(PacketTest, ChecksumCoversFromOffsetSixAndTheKey) {
  ZInstallReportV3 report;
  report.AddRecord(MakePublic());
  report.AddRecord(MakeEvent(0, 2, 0, u"", 0));
  const Bytes packet = Build(&report);
  const uint32_t stored = Get32(packet, 2);
  ASSERT_EQ(stored, ExpectedChecksum(packet, kKey));
  EXPECT_NE(stored, Crc32(0, packet.data() + 6, packet.size() - 6)) << "the key takes part";
  uint8_t other_key[16];
  std::memcpy(other_key, kKey, 16);
  other_key[15] ^= 0x01;
  EXPECT_NE(stored, ExpectedChecksum(packet, other_key));
  for (size_t at = 0; at < packet.size(); ++at) {
    if (at >= 2 && at < 6) continue;
    Bytes changed = packet;
    changed[at] ^= 0x40;
    if (at < 2)
      EXPECT_EQ(ExpectedChecksum(changed, kKey), stored) << at;
    else
      EXPECT_NE(ExpectedChecksum(changed, kKey), stored) << at;
  }
}

TEST(PacketTest, RefusesToBuildWithoutRecordsOrIntoAFilledBuffer) {
  ZInstallReportV3 empty;
  ZByteBuffer out;
  EXPECT_EQ(empty.BuildPacket(&out), -1);
  EXPECT_EQ(out.Length(), 0u);
  EXPECT_EQ(empty.BuildPacket(nullptr), -1);

  ZInstallReportV3 report;
  report.AddRecord(MakeSized(4));
  ZByteBuffer used;
  used.Append("z", 1);
  EXPECT_EQ(report.BuildPacket(&used), -1);
  EXPECT_EQ(used.Length(), 1u);

  ZInstallReportV3 with_null;
  with_null.AddRecord(MakeSized(4));
  with_null.AddRecord(nullptr);
  EXPECT_EQ(with_null.BuildPacket(&out), -1);
}

TEST(PacketTest, ReportOwnsAndDeletesItsRecords) {
  static int destroyed = 0;
  struct Counted : ZInstallSerialize {
    ~Counted() override { ++destroyed; }
  };
  destroyed = 0;
  {
    ZInstallReportV3 report;
    report.AddRecord(new Counted);
    report.AddRecord(nullptr);
    report.AddRecord(new Counted);
    EXPECT_EQ(report.RecordCount(), 3u);
    EXPECT_EQ(report.FormatFlag(), 1);
  }
  EXPECT_EQ(destroyed, 2);
}

TEST(PacketTest, KeyStoreHandsOutTheFixedKeyToConcurrentBuilders) {
  const ZReportKey key = ZReportKeyStore::Instance().GetKey();
  EXPECT_EQ(0, std::memcmp(key.key, kKey, 16));
  EXPECT_EQ(0, std::memcmp(key.iv, kKey, 16));
  EXPECT_EQ(key.key_index, 0u);
  // The completion report and the close report can be built at the same time.
  Bytes built[2];
  std::thread threads[2];
  for (int t = 0; t < 2; ++t)
    threads[t] = std::thread([&built, t] {
      for (int round = 0; round < 200; ++round) {
        ZInstallReportV3 report;
        report.AddRecord(MakeEvent(static_cast<uint8_t>(t), 2, 5, u"C:\\p.exe", 7));
        ZByteBuffer out;
        if (report.BuildPacket(&out) != 0) return;
        built[t] = Of(out);
      }
    });
  for (auto& thread : threads) thread.join();
  for (const Bytes& packet : built) {
    ASSERT_FALSE(packet.empty());
    EXPECT_EQ(Get32(packet, 2), ExpectedChecksum(packet, kKey));
  }
}

TEST(PacketTest, OpensslToolDecryptsTheSealedPart) {
  ZInstallReportV3 report;
  ZPublicBlock* block = MakePublic();
  ZInstallSerialize* event = MakeEvent(1, 1, 3, u"C:\\Program Files\\Sample\\setup.exe", 99);
  Bytes records = Of(block->RecordBytes());
  const Bytes event_bytes = Of(event->RecordBytes());
  records.insert(records.end(), event_bytes.begin(), event_bytes.end());
  report.AddRecord(block);
  report.AddRecord(event);
  const Bytes packet = Build(&report);

  TempDir dir;
  const std::string sealed_path = dir.Path() + "/sealed.bin";
  ASSERT_TRUE(WriteTextFile(sealed_path, std::string(packet.begin() + 14, packet.end())));
  const std::string key_hex = Hex(kKey, 16);
  // With -nopad the tool gives everything back; without it, it strips the
  // padding itself, which it only does for the PKCS #7 scheme.
  // RunCommand takes a full path; env finds the tool on PATH.
  const std::vector<std::string> decrypt = {"/usr/bin/env", "openssl", "enc", "-d",
                                            "-aes-128-cbc", "-K", key_hex, "-iv", key_hex,
                                            "-in", sealed_path};
  std::vector<std::string> nopad = decrypt;
  nopad.push_back("-nopad");
  auto raw = RunCommand(nopad, {}, 20000);
  ASSERT_EQ(raw.exit_code, 0) << raw.err;
  const Bytes clear = Decrypt(packet);
  EXPECT_EQ(Bytes(raw.out.begin(), raw.out.end()), Bytes(clear.begin() + 14, clear.end()));
  auto unpadded = RunCommand(decrypt, {}, 20000);
  ASSERT_EQ(unpadded.exit_code, 0) << unpadded.err;
  ASSERT_EQ(unpadded.out.size(), 16 + records.size());
  const Bytes table(unpadded.out.begin(), unpadded.out.begin() + 16);
  EXPECT_EQ(Get32(table, 0), 30u);
  EXPECT_EQ(Get32(table, 8), 30u + Get32(table, 4));
  EXPECT_EQ(Bytes(unpadded.out.begin() + 16, unpadded.out.end()), records);
}

}  // namespace
