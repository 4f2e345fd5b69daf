// The one place that decides what to report and when: the uninstall finished
// (result 1, kind 1) or the dialog was closed before it finished (0, 2).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

class ZInstallConfigLoader;

// Deletes the instance it guards at process exit.
template <typename T>
class Destoryer {
 public:
  explicit Destoryer(T** instance) : instance_(instance) {}
  ~Destoryer() {
    delete *instance_;
    *instance_ = nullptr;
  }
  Destoryer(const Destoryer&) = delete;
  Destoryer& operator=(const Destoryer&) = delete;

 private:
  T** instance_;
};

class CSingletonReport {
 public:
  // Created on the first call (from whichever thread comes first), deleted at exit.
  static CSingletonReport* GetInstance();

  // Public so that tests can use fresh instances with a configuration of their own.
  explicit CSingletonReport(ZInstallConfigLoader* config = nullptr);
  virtual ~CSingletonReport();
  CSingletonReport(const CSingletonReport&) = delete;
  CSingletonReport& operator=(const CSingletonReport&) = delete;

  // The five install-source numbers, read once when the dialog opens.
  void LoadIds();
  // The installation's age in days, taken before anything is removed (on the
  // worker thread, while a close on the UI thread may report at once).
  void CaptureInstallDays();
  // Builds and sends one report; the outcome is not reported back.
  void Report(uint8_t result, uint32_t kind);

  // Where reports go (the statistics URL unless a test says otherwise).
  void SetUrl(const std::u16string& url) { url_ = url; }
  // Seconds a send may take.
  static constexpr long kSendTimeoutSeconds = 10;

  int32_t InstallDays() const;
  bool InstallDaysCaptured() const;

 private:
  ZInstallConfigLoader* config_;
  std::u16string url_;
  // The captured age and whether it was captured, stored together so that a
  // reader on another thread never sees one without the other.
  static constexpr int64_t kInstallDaysCaptured = int64_t{1} << 32;
  std::atomic<int64_t> install_age_{0};
  std::u16string tid1_, tid2_, tod1_, tod2_, iid_;
};
