#include "tools/reportcodec/ReportDecoder.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/crypto.h"

namespace {

constexpr size_t kHeaderSize = 14;
constexpr size_t kEntrySize = 8;
constexpr uint16_t kPublicBlockId = 4;
constexpr uint16_t kEventId = 6570;
constexpr uint8_t kStringMask = 0xC6;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof(buffer), format, args);
  va_end(args);
  return buffer;
}

uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }
uint32_t Get32(const uint8_t* at) {
  return static_cast<uint32_t>(Get16(at)) | static_cast<uint32_t>(Get16(at + 2)) << 16;
}

// Reads the fields of one record in order; every failure names the field and
// where in the packet it stood.
class FieldReader {
 public:
  FieldReader(const ReportRecord& record, size_t index)
      : record_(record), index_(index), at_(2) {}

  bool Byte(const char* name, uint8_t* value) {
    if (!Need(name, 1)) return false;
    *value = record_.bytes[at_];
    at_ += 1;
    return true;
  }
  bool Word(const char* name, uint16_t* value) {
    if (!Need(name, 2)) return false;
    *value = Get16(&record_.bytes[at_]);
    at_ += 2;
    return true;
  }
  bool Dword(const char* name, uint32_t* value) {
    if (!Need(name, 4)) return false;
    *value = Get32(&record_.bytes[at_]);
    at_ += 4;
    return true;
  }
  bool Sized(const char* name, std::vector<uint8_t>* value) {
    uint16_t count = 0;
    if (!Word(name, &count)) return false;
    if (!Need(name, count)) return false;
    value->assign(record_.bytes.begin() + static_cast<long>(at_),
                  record_.bytes.begin() + static_cast<long>(at_ + count));
    at_ += count;
    return true;
  }
  bool String(const char* name, std::string* value) {
    std::vector<uint8_t> scrambled;
    if (!Sized(name, &scrambled)) return false;
    value->clear();
    for (uint8_t byte : scrambled) value->push_back(static_cast<char>(byte ^ kStringMask));
    return true;
  }
  bool End() {
    if (at_ == record_.bytes.size()) return true;
    error_ = Prefix() + Format("%zu bytes left after the last field, from offset %zu",
                               record_.bytes.size() - at_, record_.offset + at_);
    return false;
  }
  bool Fail(const std::string& message) {
    error_ = Prefix() + message;
    return false;
  }
  const std::string& Error() const { return error_; }

 private:
  std::string Prefix() const {
    return Format("record %zu (id %u) at offset %u: ", index_, record_.id, record_.offset);
  }
  bool Need(const char* name, size_t count) {
    if (at_ + count <= record_.bytes.size()) return true;
    error_ = Prefix() + Format("field %s needs %zu bytes at offset %zu, the record ends at %zu",
                               name, count, record_.offset + at_,
                               record_.offset + record_.bytes.size());
    return false;
  }

  const ReportRecord& record_;
  size_t index_;
  size_t at_;
  std::string error_;
};

bool DecodePublicBlock(ReportRecord* record, size_t index, std::string* error) {
  FieldReader reader(*record, index);
  ReportPublicBlock block;
  std::vector<uint8_t> uuid;
  bool ok = reader.Sized("uuid", &uuid);
  if (ok && uuid.size() != 16)
    ok = reader.Fail(Format("field uuid is %zu bytes long, expected 16", uuid.size()));
  if (ok) std::memcpy(block.uuid.data(), uuid.data(), 16);
  ok = ok && reader.Dword("tid1", &block.tid1) && reader.Dword("tid2", &block.tid2) &&
       reader.Dword("tod1", &block.tod1) && reader.Dword("tod2", &block.tod2) &&
       reader.Byte("constant", &block.constant) && reader.Word("tryno", &block.tryno) &&
       reader.Dword("iid", &block.iid) && reader.Dword("time", &block.time) &&
       reader.Dword("reserved", &block.reserved) && reader.String("svrid", &block.svrid) &&
       reader.End();
  if (!ok) {
    *error = reader.Error();
    return false;
  }
  record->public_block = block;
  return true;
}

bool DecodeEvent(ReportRecord* record, size_t index, std::string* error) {
  FieldReader reader(*record, index);
  ReportEvent event;
  bool ok = reader.Byte("result", &event.result) && reader.Dword("kind", &event.kind) &&
            reader.Dword("install_days", &event.install_days) &&
            reader.String("parent_path", &event.parent_path) && reader.Dword("pid", &event.pid) &&
            reader.Byte("constant", &event.constant) && reader.End();
  if (!ok) {
    *error = reader.Error();
    return false;
  }
  record->event = event;
  return true;
}

}  // namespace

bool DecodeReport(const uint8_t* bytes, size_t length, const ZReportKey& key,
                  DecodedReport* report, std::string* error) {
  *report = DecodedReport();
  auto fail = [error](const std::string& message) {
    *error = message;
    return false;
  };
  if (length < kHeaderSize)
    return fail(Format("packet is %zu bytes, shorter than the 14-byte header", length));
  report->length = Get16(bytes);
  report->checksum = Get32(bytes + 2);
  report->version = bytes[6];
  report->key_index = Get32(bytes + 7);
  report->format_flag = bytes[11];
  report->record_count = Get16(bytes + 12);

  if (report->length != static_cast<uint16_t>(length))
    return fail(Format("length field at offset 0 is %u, the packet has %zu bytes", report->length,
                       length));
  if (report->version != 3)
    return fail(Format("protocol version at offset 6 is %u, expected 3", report->version));
  if (report->key_index != key.key_index)
    return fail(Format("key index at offset 7 is %u, expected %u", report->key_index,
                       key.key_index));
  const size_t sealed = length - kHeaderSize;
  if (sealed == 0 || sealed % 16 != 0)
    return fail(Format("encrypted part from offset 14 is %zu bytes, not a non-zero multiple of 16",
                       sealed));
  uint32_t expected = Crc32(0, bytes + 6, length - 6);
  expected = Crc32(expected, key.key, sizeof(key.key));
  if (report->checksum != expected)
    return fail(Format("checksum at offset 2 is 0x%08x, expected 0x%08x", report->checksum,
                       expected));

  report->clear.assign(bytes, bytes + length);
  uint8_t* clear = report->clear.data();
  if (!Aes128CbcDecrypt(key.key, key.iv, clear + kHeaderSize, sealed))
    return fail("decryption of the part from offset 14 failed");

  const uint8_t pad = clear[length - 1];
  if (pad == 0 || pad > 16)
    return fail(Format("padding byte at offset %zu is %u, expected 1 to 16", length - 1, pad));
  for (size_t at = length - pad; at < length; ++at)
    if (clear[at] != pad)
      return fail(Format("padding byte at offset %zu is %u, expected %u", at, clear[at], pad));
  report->padding = pad;
  const size_t records_end = length - pad;

  const size_t count = report->record_count;
  if (count == 0) return fail("record count at offset 12 is 0");
  const size_t table_end = kHeaderSize + kEntrySize * count;
  if (table_end > records_end)
    return fail(Format("entry table of %zu entries ends at offset %zu, past the padding at %zu",
                       count, table_end, records_end));

  size_t next = table_end;
  for (size_t i = 0; i < count; ++i) {
    const size_t entry_at = kHeaderSize + kEntrySize * i;
    ReportRecord record;
    record.offset = Get32(clear + entry_at);
    record.length = Get32(clear + entry_at + 4);
    if (record.offset != next)
      return fail(Format("entry %zu at offset %zu: record offset is %u, expected %zu", i, entry_at,
                         record.offset, next));
    if (record.length < 2)
      return fail(Format("entry %zu at offset %zu: record length %u is shorter than a record id",
                         i, entry_at, record.length));
    if (record.length > records_end - next)
      return fail(Format("entry %zu at offset %zu: record of %u bytes at offset %u runs past the "
                         "padding at %zu",
                         i, entry_at, record.length, record.offset, records_end));
    record.bytes.assign(clear + next, clear + next + record.length);
    record.id = Get16(record.bytes.data());
    next += record.length;
    if (record.id == kPublicBlockId && !DecodePublicBlock(&record, i, error)) return false;
    if (record.id == kEventId && !DecodeEvent(&record, i, error)) return false;
    report->records.push_back(std::move(record));
  }
  if (next != records_end)
    return fail(Format("records end at offset %zu, the padding starts at %zu", next, records_end));
  return true;
}

bool DecodeReport(const uint8_t* bytes, size_t length, DecodedReport* report,
                  std::string* error) {
  return DecodeReport(bytes, length, ZReportKeyStore::Instance().GetKey(), report, error);
}

std::string JsonQuote(const std::string& text) {
  std::string out = "\"";
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char c = s[i];
    if (c < 0x80) {
      if (c == '"' || c == '\\') {
        out += '\\';
        out += static_cast<char>(c);
      } else if (c < 0x20 || c == 0x7F) {
        out += Format("\\u%04x", c);
      } else {
        out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    // A well-formed multi-byte sequence is copied; anything else is one U+FFFD.
    size_t len = 0;
    uint32_t code = 0;
    if (c >= 0xC2 && c <= 0xDF) len = 2, code = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF) len = 3, code = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4) len = 4, code = c & 0x07;
    bool valid = len > 0 && i + len <= n;
    for (size_t k = 1; valid && k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) valid = false;
      else code = code << 6 | (s[i + k] & 0x3F);
    }
    if (valid) {
      const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
      valid = code >= least[len] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    }
    if (valid) {
      out.append(text, i, len);
      i += len;
    } else {
      out += "\\ufffd";
      ++i;
    }
  }
  out += '"';
  return out;
}

namespace {

std::string Hex(const uint8_t* bytes, size_t count) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

std::string PublicJson(const ReportPublicBlock& b) {
  return Format("{\"uuid\":\"%s\",\"tid1\":%u,\"tid2\":%u,\"tod1\":%u,\"tod2\":%u,"
                "\"constant\":%u,\"tryno\":%u,\"iid\":%u,\"time\":%u,\"reserved\":%u,\"svrid\":",
                Hex(b.uuid.data(), b.uuid.size()).c_str(), b.tid1, b.tid2, b.tod1, b.tod2,
                b.constant, b.tryno, b.iid, b.time, b.reserved) +
         JsonQuote(b.svrid) + "}";
}

std::string EventJson(const ReportEvent& e) {
  return Format("{\"result\":%u,\"kind\":%u,\"install_days\":%u,\"parent_path\":", e.result,
                e.kind, e.install_days) +
         JsonQuote(e.parent_path) + Format(",\"pid\":%u,\"constant\":%u}", e.pid, e.constant);
}

}  // namespace

std::string ReportToJson(const DecodedReport& report) {
  std::string out = Format(
      "{\"length\":%u,\"checksum\":\"0x%08x\",\"version\":%u,\"key_index\":%u,\"format\":%u,"
      "\"record_count\":%u,\"padding\":%u,\"records\":[",
      report.length, report.checksum, report.version, report.key_index, report.format_flag,
      report.record_count, report.padding);
  const ReportPublicBlock* first_public = nullptr;
  const ReportEvent* first_event = nullptr;
  for (size_t i = 0; i < report.records.size(); ++i) {
    const ReportRecord& r = report.records[i];
    if (i > 0) out += ',';
    out += Format("{\"index\":%zu,\"offset\":%u,\"length\":%u,\"id\":%u,", i, r.offset, r.length,
                  r.id);
    if (r.public_block) {
      out += "\"type\":\"public\",\"fields\":" + PublicJson(*r.public_block) + "}";
      if (!first_public) first_public = &*r.public_block;
    } else if (r.event) {
      out += "\"type\":\"event\",\"fields\":" + EventJson(*r.event) + "}";
      if (!first_event) first_event = &*r.event;
    } else {
      out += "\"type\":\"raw\",\"hex\":\"" + Hex(r.bytes.data(), r.bytes.size()) + "\"}";
    }
  }
  out += "],\"public\":";
  out += first_public ? PublicJson(*first_public) : "null";
  out += ",\"event\":";
  out += first_event ? EventJson(*first_event) : "null";
  out += "}";
  return out;
}
