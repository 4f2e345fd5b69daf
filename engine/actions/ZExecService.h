// Calls to the service control manager for one service, one operation a Run.
#pragma once

#include <cstdint>
#include <string>

class ZExecService {
 public:
  enum Mode : int32_t {
    kCreate = 1,  // installer side; not carried out here
    kDelete = 2,
    kStart = 3,   // installer side; not carried out here
    kStop = 4,
  };

  // How long a stop may take before the wait gives up on the service.
  static constexpr uint32_t kStopWaitLimitMs = 30000;
  static constexpr uint32_t kStopPollMs = 100;

  ZExecService() = default;
  virtual ~ZExecService() = default;
  ZExecService(const ZExecService&) = delete;
  ZExecService& operator=(const ZExecService&) = delete;

  void SetService(const std::u16string& name, const std::u16string& program_path,
                  const std::u16string& arguments, const std::u16string& display_name,
                  const std::u16string& description, const std::u16string& group);

  // True when the installed service of that name runs a program of the
  // operating system (what the service control manager says, not the packet).
  static bool RunsOperatingSystemFile(const std::u16string& name);

  // 1 when the operation that ExecMode names succeeded, else 0.
  virtual int Run();

  int32_t ExecMode = 1;

 private:
  int RunStop();
  int RunDelete();
  // Logs a refusal of the service control manager for lack of rights; 0.
  int NoRight(const char16_t* what) const;

  std::u16string program_path_;
  std::u16string arguments_;
  std::u16string service_name_;
  std::u16string display_name_;
  std::u16string description_;
  std::u16string group_;
};
