#include "report/ZInstallSerialize.h"

#include <string_view>

#include "packet_public/ZText.h"

namespace {

void AppendLittleEndian(ZByteBuffer* buffer, uint32_t value, size_t size) {
  uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                      static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  buffer->Append(bytes, size);
}

// A lone surrogate has no UTF-8 form; the platform's converter would quietly
// turn it into U+FFFD, which is not what the text said.
bool IsWellFormedUtf16(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    }
  }
  return true;
}

// The UTF-8 form of text when it fits, with its terminator, in the scratch
// area of 2 x (units + 1) bytes; empty otherwise.
std::string ToBoundedUtf8(const char16_t* text) {
  if (!text) return std::string();
  const std::u16string_view view(text);
  if (view.empty() || !IsWellFormedUtf16(view)) return std::string();
  std::string utf8 = Utf16ToUtf8(view);
  const size_t budget = 2 * (view.size() + 1);
  if (utf8.size() + 1 > budget) return std::string();
  return utf8;
}

}  // namespace

ZInstallSerialize::~ZInstallSerialize() = default;

void ZInstallSerialize::SetRecordId(uint32_t id) { record_id_ = static_cast<uint16_t>(id); }

void ZInstallSerialize::WriteByte(uint32_t value) { AppendLittleEndian(&fields_, value, 1); }

void ZInstallSerialize::WriteWord(uint32_t value) { AppendLittleEndian(&fields_, value, 2); }

void ZInstallSerialize::WriteDword(uint32_t value) { AppendLittleEndian(&fields_, value, 4); }

void ZInstallSerialize::WriteBlob(const void* bytes, size_t count) {
  AppendLittleEndian(&fields_, static_cast<uint32_t>(count), 2);
  // Without bytes the length still holds: zeros keep the record readable.
  if (bytes)
    fields_.Append(bytes, count);
  else
    fields_.AppendZeros(count);
}

void ZInstallSerialize::WriteString(const char16_t* text) {
  std::string utf8 = ToBoundedUtf8(text);
  const uint16_t count = static_cast<uint16_t>(utf8.size());
  for (size_t i = 0; i < count; ++i) utf8[i] = static_cast<char>(utf8[i] ^ kStringMask);
  AppendLittleEndian(&fields_, count, 2);
  fields_.Append(utf8.data(), count);
}

void ZInstallSerialize::Finish() {
  AppendLittleEndian(&record_, record_id_, 2);
  record_.Append(fields_.Data(), fields_.Length());
}
