// The public block (record 4): who installed what, from where, and when.
#pragma once

#include <string>

#include "report/ZInstallSerialize.h"

class ZPublicBlock : public ZInstallSerialize {
 public:
  static constexpr uint16_t kRecordId = 4;

  ZPublicBlock() = default;
  ~ZPublicBlock() override;

  // Writes and finishes the whole record; the numbers are read leniently
  // from their texts (no digits give 0), the uuid through ParseHexId, and the
  // time is the current Unix time.
  void Fill(const std::u16string& tid1, const std::u16string& tid2, const std::u16string& tod1,
            const std::u16string& tod2, const std::u16string& iid, const std::u16string& uuid,
            const std::u16string& tryno, const std::u16string& svrid);
};
