// One report record: a record id and typed fields, little-endian, written in
// order into a field buffer; Finish puts the id in front of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "report/ZByteBuffer.h"

class ZInstallSerialize {
 public:
  ZInstallSerialize() = default;
  virtual ~ZInstallSerialize();
  ZInstallSerialize(const ZInstallSerialize&) = delete;
  ZInstallSerialize& operator=(const ZInstallSerialize&) = delete;

  // Keeps the low 16 bits.
  void SetRecordId(uint32_t id);

  // The low 1, 2 or 4 bytes of value.
  void WriteByte(uint32_t value);
  void WriteWord(uint32_t value);
  void WriteDword(uint32_t value);

  // A 2-byte length (low 16 bits of count), then the bytes.
  void WriteBlob(const void* bytes, size_t count);

  // text (null-terminated, or null) as UTF-8 scrambled with kStringMask,
  // behind a 2-byte length, no terminator. A null text, one that is not valid
  // UTF-16, or one whose UTF-8 form with a terminator needs more than
  // 2 x (units + 1) bytes is written as the empty string.
  void WriteString(const char16_t* text);
  void WriteString(const std::u16string& text) { WriteString(text.c_str()); }

  // Appends the record id and the fields to the record bytes.
  void Finish();

  uint16_t RecordId() const { return record_id_; }
  // The finished record (empty until Finish).
  const ZByteBuffer& RecordBytes() const { return record_; }

  static constexpr uint8_t kStringMask = 0xC6;

 private:
  ZByteBuffer fields_;
  ZByteBuffer record_;
  uint16_t record_id_ = 0;
};
