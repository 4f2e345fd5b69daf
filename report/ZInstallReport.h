// One usage-report packet: its records, the encrypted packet built from them,
// and its delivery to the statistics service.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/ZByteBuffer.h"

class ZInstallSerialize;

class ZInstallReport {
 public:
  ZInstallReport();
  virtual ~ZInstallReport();
  ZInstallReport(const ZInstallReport&) = delete;
  ZInstallReport& operator=(const ZInstallReport&) = delete;

  // Appends a finished record; the report owns it from now on.
  void AddRecord(ZInstallSerialize* record);

  // Fills an empty buffer with the encrypted packet: 0, or -1 when there is
  // no record or the cipher fails.
  int BuildPacket(ZByteBuffer* out);

  // Builds the packet and posts it: 0 when the service accepted it, -1 when
  // not (or when nothing could be built or sent).
  int Send(const std::u16string& url, long timeout_s);

  // Posts a built packet and checks the reply: 0 accepted, -1 otherwise.
  int PostPacket(const std::u16string& url, const uint8_t* bytes, size_t length, long timeout_s);

  // The text of the last reply whose header was valid.
  const std::u16string& ResponseText() const { return response_text_; }

  uint8_t FormatFlag() const { return format_flag_; }
  size_t RecordCount() const { return records_.size(); }

 protected:
  uint8_t format_flag_ = 0;

 private:
  std::vector<ZInstallSerialize*> records_;
  std::u16string response_text_;
};

// The packet format the program builds (format flag 1).
class ZInstallReportV3 : public ZInstallReport {
 public:
  ZInstallReportV3() { format_flag_ = 1; }
  ~ZInstallReportV3() override = default;
};
