// The uninstaller's main object and its window: initialisation, the silent
// and interactive paths, the uninstall sequence and the main dialog's pages.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "engine/ZInstallFileActionMgr.h"
#include "platform/types.h"
#include "ui/dialog/CVuDialogViewEx.h"

class ZInstallConfigLoader;

// Element ids of the main dialog's layout.
namespace main_dlg {
constexpr int kLayoutId = 11001;
constexpr int kCloseButton = 1;
constexpr int kMinimizeButton = 2;
constexpr int kBanner = 3;
constexpr int kConfirmPage = 100;
constexpr int kStartButton = 101;
constexpr int kCancelButton = 104;
constexpr int kProgressPage = 200;
constexpr int kProgressText = 201;
constexpr int kProgressBar = 206;
// A failure page, shown with the error banner when the layout has one:
// without it the failure leaves an empty body with nothing to read.
constexpr int kErrorPage = 300;
constexpr int kFinishPage = 400;
constexpr int kFinishButton = 401;
// The worker ended with (without) the finished flag.
constexpr UINT kMsgFinish = 0x0470;
constexpr UINT kMsgError = 0x0471;
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressPeriodMs = 20;
constexpr WORD kIconId = 200;
// How long the destruction lets a running worker finish.
constexpr DWORD kWorkerGraceMs = 5000;
}  // namespace main_dlg

class ZUnInstallMainDlg : public CVuDialogViewEx {
 public:
  // The program uses the process-wide configuration; tests may pass their own.
  explicit ZUnInstallMainDlg(ZInstallConfigLoader* config = nullptr);
  ~ZUnInstallMainDlg() override;
  ZUnInstallMainDlg(const ZUnInstallMainDlg&) = delete;
  ZUnInstallMainDlg& operator=(const ZUnInstallMainDlg&) = delete;

  // Configuration, single-instance guard, temporary skin copy, UI set-up.
  bool Init();
  // Detects the running application and takes the silent or interactive path.
  void Run();
  // The uninstall sequence, in its fixed order; the worker thread's body in
  // an interactive run (virtual so that tests can put a slow or failing one).
  virtual void DoUninstall();
  bool IsSilentRun() const;

  // The dialog: the uninstall button's start (progress timer, pages, worker)
  // and every way of closing it.
  void StartUninstall();
  void OnCloseRequest();

  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                            LRESULT* result) override;
  // The grey border over the painted client of a top-level window.
  void OnPostPaint(ZCanvas* dc) override;

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
  uint32_t Progress() const { return progress_; }
  HANDLE WorkerThread() const { return worker_thread_; }

 protected:
  // Waits up to the grace time for the worker, then terminates it; closes the
  // handle. A derived class whose DoUninstall uses its own members calls it
  // from its destructor.
  void StopWorker();

 private:
  // The expanded %TEMP%, or empty when it does not fit a path buffer.
  static std::u16string TempDirectory();
  // Points the UI framework at the copied skins and loads the shared documents.
  void ConfigureUiFramework();
  void RunInteractive(bool application_running);
  // False (with an ERROR line naming what is missing) when the layout cannot load.
  bool LoadMainLayout();
  static unsigned WINAPI WorkerProc(void* dialog);

  // Window handlers.
  void OnInitDialog();
  bool OnViewNotify(LPARAM record);
  void OnProgressTick();
  void ShowFinishPage();
  void ShowErrorPage();

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
  uint32_t progress_ = 0;  // UI thread only
  HANDLE worker_thread_ = nullptr;
  bool worker_start_failed_ = false;
  HANDLE instance_mapping_ = nullptr;
  void* instance_view_ = nullptr;
  ZInstallFileActionMgr file_list_;
};
