// The cipher material of report packets, held once per process.
#pragma once

#include <cstdint>
#include <mutex>

struct ZReportKey {
  uint8_t key[16];
  uint8_t iv[16];
  uint32_t key_index;
};

// Created during start-up, before any thread runs, and alive until exit.
// Reports built on two threads at once each take their own copy.
class ZReportKeyStore {
 public:
  static ZReportKeyStore& Instance();

  // A copy of the whole key, taken under the lock.
  ZReportKey GetKey() const;

  ZReportKeyStore(const ZReportKeyStore&) = delete;
  ZReportKeyStore& operator=(const ZReportKeyStore&) = delete;

 private:
  ZReportKeyStore();
  ~ZReportKeyStore() = default;

  mutable std::mutex lock_;
  ZReportKey key_;
};
