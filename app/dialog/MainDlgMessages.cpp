// The main dialog's window handlers: initialisation, clicks, the close
// commands, the end pages and the border.
#include "app/ZUnInstallMainDlg.h"
#include "app/dialog/WorkAreaPlacement.h"
#include "platform/kernel.h"
#include "platform/window_geometry.h"
#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "report/CSingletonReport.h"
#include "ui/element/VuNotify.h"

using namespace main_dlg;

namespace {

// SC_CLOSE with any of the low four bits the system may add.
bool IsCloseCommand(WPARAM command) { return command >= SC_CLOSE && command <= (SC_CLOSE | 0xF); }

}  // namespace

bool ZUnInstallMainDlg::ProcessWindowMessage(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_TIMER:
      // Every timer of this window is ours; only the progress timer ticks.
      if (wparam == kProgressTimer) OnProgressTick();
      *result = 0;
      return true;
    case WM_NOTIFY:
      if (wparam == static_cast<WPARAM>(-1) && OnViewNotify(lparam)) {
        *result = 0;
        return true;
      }
      break;
    case kVuWmInitDialog:
      OnInitDialog();
      *result = 0;
      return true;
    case WM_CLOSE:
      // The view turns IDCANCEL into a click of element 2: minimise.
      SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
      *result = 0;
      return true;
    case WM_DESTROY:
      if (Finished()) RemoveTempResources();
      break;
    case WM_SYSCOMMAND:
      if (IsCloseCommand(wparam)) {
        OnCloseRequest();
        *result = 0;
        return true;
      }
      break;
    case kMsgFinish:
      ShowFinishPage();
      *result = 0;
      return true;
    case kMsgError:
      ShowErrorPage();
      *result = 0;
      return true;
  }
  return CVuDialogViewEx::ProcessWindowMessage(window, message, wparam, lparam, result);
}

void ZUnInstallMainDlg::OnInitDialog() {
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconId));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  SetWindowTextW(hwnd_, Config(u"title").c_str());
  CSingletonReport::GetInstance()->LoadIds();
  CentreInWorkArea(hwnd_);
}

bool ZUnInstallMainDlg::OnViewNotify(LPARAM lparam) {
  const auto* record = reinterpret_cast<const VuNotifyRecord*>(lparam);
  if (!record || !hwnd_ || record->window != hwnd_ || record->code != kVuNotifyCommand)
    return false;
  switch (record->item_id) {
    case kCloseButton:
    case kCancelButton:
    case kFinishButton:
      OnCloseRequest();
      return true;
    case kMinimizeButton:
      ShowWindow(hwnd_, SW_MINIMIZE);
      return true;
    case kStartButton:
      StartUninstall();
      return true;
  }
  return false;
}

void ZUnInstallMainDlg::OnCloseRequest() {
  if (!Finished()) CSingletonReport::GetInstance()->Report(0, 2);
  EndDialog(0);
}

void ZUnInstallMainDlg::ShowFinishPage() {
  SetItemAttribute(kBanner, "skin", "mainbg_banner_finish");
  SetItemVisible(kConfirmPage, false);
  SetItemVisible(kProgressPage, false);
  SetItemVisible(kFinishPage, true);
}

void ZUnInstallMainDlg::ShowErrorPage() {
  SetItemAttribute(kBanner, "skin", "mainbg_error");
  SetItemVisible(kConfirmPage, false);
  SetItemVisible(kProgressPage, false);
  SetItemVisible(kErrorPage, true);
}

void ZUnInstallMainDlg::OnPostPaint(ZCanvas* dc) {
  if (!dc || layout_.Attributes().child) return;
  RECT client = {0, 0, dc->Width(), dc->Height()};
  if (hwnd_) GetClientRect(hwnd_, &client);
  const int w = client.right, h = client.bottom;
  const ZPoint outline[5] = {{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}};
  dc->DrawPolyline(outline, 5, 2, ZColor{138, 138, 138, 100});
}
