#include "report/ZReportKey.h"

#include <cstring>

namespace {

constexpr char kKeyText[] = "Vq3!hZ8#Lw5$Nk2R";
static_assert(sizeof(kKeyText) == 17, "the key is 16 bytes");

// Obtains the store while the process is still single-threaded.
[[maybe_unused]] ZReportKeyStore& g_start_up_store = ZReportKeyStore::Instance();

}  // namespace

ZReportKeyStore::ZReportKeyStore() : key_() {
  std::memcpy(key_.key, kKeyText, 16);
  std::memcpy(key_.iv, kKeyText, 16);
  key_.key_index = 0;
}

ZReportKeyStore& ZReportKeyStore::Instance() {
  static ZReportKeyStore store;
  return store;
}

ZReportKey ZReportKeyStore::GetKey() const {
  std::lock_guard<std::mutex> hold(lock_);
  return key_;
}
