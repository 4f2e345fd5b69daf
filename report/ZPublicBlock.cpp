#include "report/ZPublicBlock.h"

#include <cstdint>

#include "packet_public/ZText.h"
#include "platform/kernel.h"
#include "report/ZHexId.h"

namespace {

// 100-ns intervals from 1601-01-01 (FILETIME) to 1970-01-01.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

uint32_t UnixTimeNow() {
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  if (ticks < kUnixEpochAsFileTime) return 0;
  return static_cast<uint32_t>((ticks - kUnixEpochAsFileTime) / 10000000ull);
}

uint32_t NumberOf(const std::u16string& text) {
  return static_cast<uint32_t>(ParseLenientInt(text));
}

}  // namespace

ZPublicBlock::~ZPublicBlock() = default;

void ZPublicBlock::Fill(const std::u16string& tid1, const std::u16string& tid2,
                        const std::u16string& tod1, const std::u16string& tod2,
                        const std::u16string& iid, const std::u16string& uuid,
                        const std::u16string& tryno, const std::u16string& svrid) {
  SetRecordId(kRecordId);
  const std::array<uint8_t, 16> uuid_bytes = ParseHexId(uuid);
  WriteBlob(uuid_bytes.data(), uuid_bytes.size());
  WriteDword(NumberOf(tid1));
  WriteDword(NumberOf(tid2));
  WriteDword(NumberOf(tod1));
  WriteDword(NumberOf(tod2));
  WriteByte(7);
  WriteWord(NumberOf(tryno));
  WriteDword(NumberOf(iid));
  WriteDword(UnixTimeNow());
  WriteDword(0);
  WriteString(svrid);
  Finish();
}
