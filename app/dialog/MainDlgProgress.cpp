// The uninstall as the dialog runs it: the worker thread and the progress
// animation that ends on the finish or the error page.
#include <string>

#include "app/ZUnInstallMainDlg.h"
#include "app/log/ZLog.h"
#include "packet_public/ZText.h"
#include "platform/kernel.h"
#include "platform/threads.h"
#include "platform/window_messages.h"

using namespace main_dlg;

void ZUnInstallMainDlg::StartUninstall() {
  if (worker_thread_ || worker_start_failed_) return;  // one run per dialog
  ::SetTimer(hwnd_, kProgressTimer, kProgressPeriodMs, nullptr);
  // Elements belong to this thread: the worker never touches them.
  SetItemVisible(kConfirmPage, false);
  SetItemVisible(kProgressPage, true);
  SetItemAttribute(kBanner, "skin", "mainbg_banner_finish");
  worker_thread_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &WorkerProc, this, 0, nullptr));
  if (!worker_thread_) {
    // Nothing runs: the animation goes on to the error page.
    worker_start_failed_ = true;
    ZLOG(kLogError) << u"start uninstall thread failed";
  }
}

unsigned WINAPI ZUnInstallMainDlg::WorkerProc(void* dialog) {
  if (!dialog) return 1;
  static_cast<ZUnInstallMainDlg*>(dialog)->DoUninstall();
  return 0;
}

void ZUnInstallMainDlg::StopWorker() {
  if (!worker_thread_) return;
  if (WaitForSingleObject(worker_thread_, kWorkerGraceMs) != WAIT_OBJECT_0)
    TerminateThread(worker_thread_, 0);
  CloseHandle(worker_thread_);
  worker_thread_ = nullptr;
}

// A time-based animation: 1 % a tick, held at 99 % until the worker ends.
void ZUnInstallMainDlg::OnProgressTick() {
  ++progress_;
  const bool ended = worker_thread_ ? WaitForSingleObject(worker_thread_, 0) == WAIT_OBJECT_0
                                    : worker_start_failed_;
  if (ended && progress_ >= 100) {
    progress_ = 100;
    ::KillTimer(hwnd_, kProgressTimer);
    PostMessageW(hwnd_, Finished() ? kMsgFinish : kMsgError, 0, 0);
  } else if (!ended && progress_ >= 99) {
    progress_ = 99;
  }
  SetItemText(kProgressText, u"正在卸载 (" + Utf8ToUtf16(std::to_string(progress_)) + u"%)");
  SetItemIntAttribute(kProgressBar, "value", static_cast<int>(progress_));
}
