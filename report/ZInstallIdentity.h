// Where a usage report's identity comes from: the install uuid and the
// server id, read from the keys the install configuration names.
#pragma once

#include <string>

class ZInstallConfigLoader;

// The process-wide uuid reader (created on first use, destroyed at exit).
class ZUUIDGenerator {
 public:
  static ZUUIDGenerator* GetInstance();

  // HKEY_CLASSES_ROOT\<uuid_reg_path>, value <uuid_reg_key>, upper-cased;
  // empty when it cannot be read. config: the process-wide loader by default.
  std::u16string GetUuid(const ZInstallConfigLoader* config = nullptr) const;
};

// HKEY_CLASSES_ROOT\<svrid_reg_path>, value <svrid_reg_key>, in the 32-bit
// registry view; kept only when exactly 32 characters long, else empty.
std::u16string ReadServerId(const ZInstallConfigLoader* config = nullptr);
