// The uninstaller's main object: initialisation, the silent and interactive
// paths, and the uninstall sequence.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "engine/ZInstallFileActionMgr.h"
#include "platform/types.h"

class ZInstallConfigLoader;

class ZUnInstallMainDlg {
 public:
  // The program uses the process-wide configuration; tests may pass their own.
  explicit ZUnInstallMainDlg(ZInstallConfigLoader* config = nullptr);
  ~ZUnInstallMainDlg();
  ZUnInstallMainDlg(const ZUnInstallMainDlg&) = delete;
  ZUnInstallMainDlg& operator=(const ZUnInstallMainDlg&) = delete;

  // Configuration, single-instance guard, temporary skin copy, UI set-up.
  bool Init();
  // Detects the running application and takes the silent or interactive path.
  void Run();
  // The uninstall sequence, in its fixed order.
  void DoUninstall();
  bool IsSilentRun() const;

  bool IsOtherInstanceRunning();
  bool PrepareTempResources();
  bool RemoveTempResources();

  // Creates path with all missing parents; an existing path is success.
  static bool CreateDirectoryPath(const std::u16string& path);
  // Deletes the content of dir and dir itself; with force every error is
  // ignored. True when the enumeration ran to its end.
  static bool DeleteDirectoryTree(const std::u16string& dir, bool force);

  const std::u16string& ProgramDir() const { return program_dir_; }
  const std::u16string& ConfigFilePath() const { return config_file_path_; }
  const std::u16string& TempResourceDir() const { return temp_resource_dir_; }
  bool Finished() const { return finished_.load() != 0; }

 private:
  // The expanded %TEMP%, or empty when it does not fit a path buffer.
  static std::u16string TempDirectory();
  // Points the UI framework at the copied skins and loads the shared documents.
  void ConfigureUiFramework();
  void RunInteractive(bool application_running);

  // Steps of the uninstall sequence.
  void RunToolSetExtensionUninstall();
  void CaptureInstallAge();
  void LoadInstallPacket();
  void UninstallInstalledFiles();
  void ScheduleProgramSelfDelete();
  void ScheduleLeftoversAtRestart();
  void ReportFinished();

  std::u16string Config(const char16_t* key) const;

  ZInstallConfigLoader* config_;
  std::u16string config_file_path_;
  std::u16string temp_resource_dir_;
  std::u16string program_dir_;
  std::u16string ui_resource_dir_;
  std::atomic<int32_t> finished_{0};
  HANDLE instance_mapping_ = nullptr;
  void* instance_view_ = nullptr;
  ZInstallFileActionMgr file_list_;
};
