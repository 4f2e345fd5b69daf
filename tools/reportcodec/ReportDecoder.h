// Reads report packets back: checks the header, the checksum and the padding,
// decrypts, walks the entry table and decodes the public block (record 4) and
// the uninstall event (record 6570). Shared by reportdump and statcollector.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/ZReportKey.h"

struct ReportPublicBlock {
  std::array<uint8_t, 16> uuid{};
  uint32_t tid1 = 0, tid2 = 0, tod1 = 0, tod2 = 0;
  uint8_t constant = 0;
  uint16_t tryno = 0;
  uint32_t iid = 0;
  uint32_t time = 0;
  uint32_t reserved = 0;
  std::string svrid;  // UTF-8, unscrambled
};

struct ReportEvent {
  uint8_t result = 0;
  uint32_t kind = 0;
  uint32_t install_days = 0;
  std::string parent_path;  // UTF-8, unscrambled
  uint32_t pid = 0;
  uint8_t constant = 0;
};

struct ReportRecord {
  uint32_t offset = 0;
  uint32_t length = 0;
  uint16_t id = 0;
  std::vector<uint8_t> bytes;  // the whole record, id included
  std::optional<ReportPublicBlock> public_block;
  std::optional<ReportEvent> event;
};

struct DecodedReport {
  uint16_t length = 0;
  uint32_t checksum = 0;
  uint8_t version = 0;
  uint32_t key_index = 0;
  uint8_t format_flag = 0;
  uint16_t record_count = 0;
  uint8_t padding = 0;
  std::vector<ReportRecord> records;
  std::vector<uint8_t> clear;  // the packet with its encrypted part decrypted
};

// False with *error naming the failed check and its packet offset.
bool DecodeReport(const uint8_t* bytes, size_t length, const ZReportKey& key,
                  DecodedReport* report, std::string* error);
// With the program's own key.
bool DecodeReport(const uint8_t* bytes, size_t length, DecodedReport* report,
                  std::string* error);

// One line of JSON, no newline. Field names:
//   length checksum ("0x%08x") version key_index format record_count padding
//   records: [{index offset length id type ("public", "event" or "raw")
//              fields (public/event) | hex (raw)}]
//   public: fields of the first record 4, or null
//   event:  fields of the first record 6570, or null
// public fields: uuid (32 upper-case hex digits) tid1 tid2 tod1 tod2 constant
//   tryno iid time reserved svrid
// event fields: result kind install_days parent_path pid constant
std::string ReportToJson(const DecodedReport& report);

// text as a JSON string literal; bytes that are not UTF-8 become U+FFFD.
std::string JsonQuote(const std::string& text);
