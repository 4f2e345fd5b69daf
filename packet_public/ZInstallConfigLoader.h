// The install configuration (installConfig.dat beside the program): the
// key/value items of the "installcfg" and "updockcfg" sections.
//
// The file is the magic ".tmp" followed by XML text with every byte XORed
// with 0xA7; the text ends at its first zero byte.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/registry.h"

class ZXmlDocument;

// Reads the body of a scrambled configuration file and unscrambles it. On
// success buffer holds length bytes followed by one zero byte. Fails for a
// missing path or file, an empty file, a wrong magic, a file with nothing after
// the magic and a file too large to be a configuration (over 64 MiB). When the
// body cannot be read, the zero-filled buffer is returned as it is.
bool ReadConfigBuffer(const char16_t* path, std::unique_ptr<char[]>* buffer, uint32_t* length);

class ZInstallConfigLoader {
 public:
  // Public so that tests can work on fresh instances; the program uses GetInstance().
  ZInstallConfigLoader();
  ~ZInstallConfigLoader();
  ZInstallConfigLoader(const ZInstallConfigLoader&) = delete;
  ZInstallConfigLoader& operator=(const ZInstallConfigLoader&) = delete;

  // The process-wide loader, created on first use.
  static ZInstallConfigLoader* GetInstance();

  // The configuration text of the file at path, up to its first zero byte.
  static bool DecryptConfigFile(const char16_t* path, std::string* text);

  // Reads the file (by default installConfig.dat in the program's folder) once;
  // later calls return true without reading, whatever path they name. A failed
  // load keeps the values read before the failure.
  bool Load(const char16_t* path = nullptr);
  bool IsLoaded() const;

  // Reads the items of one section ("packet\installcfg\item": the root name,
  // then child names) into the values: the element found and every sibling
  // element after it, whatever its name, with both "key" and "value" set one
  // entry; a later item replaces an earlier one. False when the path names
  // no element.
  bool ReadSection(const ZXmlDocument& document, const std::u16string& section_path);

  // The value of key (exact, case-sensitive), or empty.
  std::u16string GetValue(const std::u16string& key) const;
  // "checkbox_<n>" read as an integer (0 when absent).
  int32_t GetCheckboxValue(int n) const;
  // "tryno" read as an integer (0 when absent).
  int32_t GetTryNo() const;

  // Whole days since the install time the product recorded in the registry
  // (key "install_time_root_key"\"install_time_sub_key", DWORD value named by
  // "install_time_value", seconds since 1970); 0 when unknown.
  int32_t GetInstallDays() const;
  // The string value name under the install-time key; "0" when it cannot be read.
  std::u16string GetInstallIdValue(const std::u16string& name) const;

 private:
  bool ReadSectionLocked(const ZXmlDocument& document, const std::u16string& section_path);
  // Opens the install-time key; false when it is not configured or not there.
  bool OpenInstallTimeKey(HKEY* key) const;

  mutable std::mutex mutex_;
  bool loaded_ = false;
  std::map<std::u16string, std::u16string> values_;
};
