#include "report/ZInstallReport.h"

#include "platform/crypto.h"
#include "report/ZInstallSerialize.h"
#include "report/ZReportKey.h"

namespace {

constexpr size_t kHeaderSize = 14;
constexpr size_t kEntrySize = 8;
constexpr size_t kBlockSize = 16;
constexpr uint8_t kProtocolVersion = 3;

void Put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
  Put16(at, value);
  Put16(at + 2, value >> 16);
}

}  // namespace

ZInstallReport::ZInstallReport() = default;

ZInstallReport::~ZInstallReport() {
  for (ZInstallSerialize* record : records_) delete record;
}

void ZInstallReport::AddRecord(ZInstallSerialize* record) { records_.push_back(record); }

int ZInstallReport::BuildPacket(ZByteBuffer* out) {
  const size_t count = records_.size();
  if (count == 0 || !out || out->Length() != 0) return -1;
  for (const ZInstallSerialize* record : records_)
    if (!record) return -1;

  out->AppendZeros(kHeaderSize + kEntrySize * count);
  for (size_t i = 0; i < count; ++i) {
    const ZByteBuffer& record = records_[i]->RecordBytes();
    const size_t offset = out->Length();
    out->Append(record.Data(), record.Length());
    uint8_t* entry = out->Data() + kHeaderSize + kEntrySize * i;
    Put32(entry, static_cast<uint32_t>(offset));
    Put32(entry + 4, static_cast<uint32_t>(record.Length()));
  }

  const ZReportKey key = ZReportKeyStore::Instance().GetKey();

  // Always at least one pad byte, so the receiver can strip it unambiguously.
  const size_t remainder = (out->Length() - kHeaderSize) % kBlockSize;
  const size_t pad = kBlockSize - remainder;
  for (size_t i = 0; i < pad; ++i) {
    const uint8_t value = static_cast<uint8_t>(pad);
    out->Append(&value, 1);
  }

  uint8_t* packet = out->Data();
  const size_t length = out->Length();
  if (!Aes128CbcEncrypt(key.key, key.iv, packet + kHeaderSize, length - kHeaderSize)) return -1;

  Put16(packet, static_cast<uint32_t>(length));
  Put16(packet + 12, static_cast<uint32_t>(count));
  packet[11] = format_flag_;
  packet[6] = kProtocolVersion;
  Put32(packet + 7, key.key_index);

  // The key is folded into the checksum, so only a holder of the key can
  // produce a packet that passes.
  uint32_t checksum = Crc32(0, packet + 6, length - 6);
  checksum = Crc32(checksum, key.key, sizeof(key.key));
  Put32(packet + 2, checksum);
  return 0;
}
