// The simulated host of this process: which machine it belongs to and the few
// per-process facts the layer needs (program bitness, current directory).
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/sim/core/SimDb.h"

class SimMachine {
 public:
  static std::shared_ptr<SimMachine> Open(const std::string& dir, std::string* error);

  const std::string& Dir() const { return dir_; }
  std::string RunDir() const { return dir_ + "/run"; }
  std::string DrivesDir() const { return dir_ + "/drives"; }
  // "<machine>/drives/c" for C or c; empty for anything but a letter.
  std::string DriveDir(char16_t letter) const;
  SimDb& Db() { return *db_; }
  std::string Fact(const std::string& name, const std::string& fallback = "");
  bool SetFact(const std::string& name, const std::string& value);
  bool Is64Bit() const { return is64_; }
  // The Windows folder, read once for the life of this process: as on
  // Windows, it is fixed when the system starts.
  std::u16string BootSystemRoot(std::u16string (*read)());

 private:
  std::mutex boot_mutex_;
  std::u16string boot_system_root_;
  std::string dir_;
  std::unique_ptr<SimDb> db_;
  bool is64_ = false;
};

class SimHost {
 public:
  // The machine of this process: the one given to UseMachine, else the one
  // named by SIMHOST_MACHINE, else the first directory holding machine.db on the
  // way up from the running executable. Null when there is none.
  static std::shared_ptr<SimMachine> Machine();
  // Selects the machine explicitly (tools once, tests once per test).
  static bool UseMachine(const std::string& dir, std::string* error = nullptr);
  static void ForgetMachine();

  // Programs run as 32-bit programs unless marked native (the tools are).
  static void SetNativeProcess(bool native);
  // A 32-bit program on a 64-bit machine: its registry calls see the 32-bit view.
  static bool IsWow64Process();

  // The Windows path GetModuleFileNameW reports: the executable's own path,
  // or the one set here (tests that run product code in-process).
  static std::u16string ModulePath();
  static void SetModulePath(const std::u16string& path);

  static std::u16string CurrentDirectory();
  static void SetCurrentDirectory(const std::u16string& path);

  // Real path the running executable was started from.
  static std::string ExecutablePath();

 private:
  static SimHost& Instance();
  std::mutex mutex_;
  std::shared_ptr<SimMachine> machine_;
  bool searched_ = false;
  bool native_ = false;
  std::u16string module_path_;
  std::u16string current_dir_;
};
