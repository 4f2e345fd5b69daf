// The main dialog in this process, on a machine with the sample product:
// its pages through a run, the progress animation (driven by sending the
// timer's messages), the ways of closing it and the reports they send, the
// worker's end at destruction and the border.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "app/ZUnInstallMainDlg.h"
#include "packet_public/ZInstallConfigLoader.h"
#include "platform/kernel.h"
#include "platform/sim/core/SimHost.h"
#include "platform/threads.h"
#include "platform/window_geometry.h"
#include "platform/window_messages.h"
#include "report/CSingletonReport.h"
#include "packet_public/ZText.h"
#include "tests/support/SimTestSupport.h"
#include "tests/ui/dialog/dialog_test_support.h"
#include "ui/controls/basic/CVuImageWnd.h"
#include "ui/controls/progress/CVuProgress.h"
#include "ui/element/CVuWindow.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/resource/VuStringTable.h"
#include "ui/skin/VuImagePools.h"
#include "ui/skin/VuSkinPool.h"
#include "ui/style/VuStyle.h"

namespace {

using namespace main_dlg;

const char* const kTempCopy = "Users/User/AppData/Local/Temp/SampleProductUninstall";

// A dialog whose worker body the test chooses (the real sequence when none).
class TestDialog : public ZUnInstallMainDlg {
 public:
  explicit TestDialog(ZInstallConfigLoader* config) : ZUnInstallMainDlg(config) {}
  ~TestDialog() override { StopWorker(); }
  std::function<void()> worker;
  void DoUninstall() override {
    if (worker)
      worker();
    else
      ZUnInstallMainDlg::DoUninstall();
  }
};

// A gate a worker waits at until the test opens it.
struct Gate {
  std::atomic<bool> open{false};
  void Wait() const {
    while (!open.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
};

class MainDialogFlowTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ResetFramework();
    ASSERT_EQ(RunCommand({kSimhostPath, "install-sample", MachineDir()}).exit_code, 0);
    SimHost::SetModulePath(u"C:\\Program Files\\Sample Product\\uninst.exe");
    out_ = temp_.Path() + "/reports.jsonl";
    ASSERT_TRUE(collector_.Start(UNINST_STATCOLLECTOR_PATH,
                                 {"--listen", "127.0.0.1:0", "--out", out_},
                                 // a tool here: its HTTP library is not under test
                                 {"TSAN_OPTIONS=report_bugs=0"}));
    const std::string line = collector_.ReadLine();
    ASSERT_EQ(line.rfind("listening ", 0), 0u) << line;
    ASSERT_EQ(RunCommand({kSimhostPath, "route", MachineDir(), "--statistics", line.substr(10)})
                  .exit_code,
              0);
  }
  void TearDown() override {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    collector_.Kill();
    collector_.Wait();
    ResetFramework();
    MachineTest::TearDown();
  }
  static void ResetFramework() { ResetVuFramework(); }

  // A dialog set up as the program sets it up, its window created (not modal).
  // config: the process-wide configuration when null, as the program has it.
  std::unique_ptr<TestDialog> Open(ZInstallConfigLoader* config) {
    auto dialog = std::make_unique<TestDialog>(config);
    EXPECT_TRUE(dialog->Init());
    EXPECT_NE(dialog->Create(nullptr), nullptr);
    return dialog;
  }
  std::unique_ptr<TestDialog> Open() { return Open(&config_); }

  static void Tick(TestDialog* dialog, int times, UINT_PTR id = kProgressTimer) {
    for (int i = 0; i < times; ++i) SendMessageW(dialog->GetHwnd(), WM_TIMER, id, 0);
  }
  // The end page the timer posted, if any; delivered to the dialog.
  static UINT DeliverEndPage(TestDialog* dialog) {
    MSG msg;
    UINT seen = 0;
    while (PeekMessageW(&msg, dialog->GetHwnd(), kMsgFinish, kMsgError, PM_REMOVE)) {
      seen = msg.message;
      DispatchMessageW(&msg);
    }
    return seen;
  }
  static void WaitForWorker(TestDialog* dialog) {
    ASSERT_EQ(WaitForSingleObject(dialog->WorkerThread(), 120000), WAIT_OBJECT_0);
  }
  static bool Shown(TestDialog* dialog, int id) {
    CVuWindow* element = dialog->FindItem(id);
    return element && element->IsVisible(false);
  }
  static std::string Banner(TestDialog* dialog) {
    auto* banner = dynamic_cast<CVuImageWnd*>(dialog->FindItem(kBanner));
    return banner ? banner->GetSkinName() : "";
  }
  std::vector<std::string> Reports() const { return ReadTextLines(out_); }
  // The (result, kind) of report i.
  std::string ReportKind(size_t i) const {
    auto lines = Reports();
    if (i >= lines.size()) return "none";
    return JsonField(lines[i], "event", "result") + "," + JsonField(lines[i], "event", "kind");
  }

  ZInstallConfigLoader config_;
  TempDir temp_;
  ChildProcess collector_;
  std::string out_;
};

TEST_F(MainDialogFlowTest, ARunGoesFromConfirmationThroughProgressToTheFinishPage) {
  auto dialog = Open();
  EXPECT_TRUE(Shown(dialog.get(), kConfirmPage));
  EXPECT_FALSE(Shown(dialog.get(), kProgressPage));
  EXPECT_FALSE(Shown(dialog.get(), kFinishPage));
  char16_t title[64] = {};
  GetWindowTextW(dialog->GetHwnd(), title, 64);
  EXPECT_EQ(std::u16string(title), Utf8ToUtf16(SampleTitle()));
  EXPECT_NE(SendMessageW(dialog->GetHwnd(), WM_GETICON, ICON_BIG, 0), 0);

  // The start button, pressed as a click would press it.
  Gate gate;
  dialog->worker = [&] {
    gate.Wait();
    dialog->ZUnInstallMainDlg::DoUninstall();
  };
  ASSERT_TRUE(dialog->ActivateElement(dialog->FindItem(kStartButton)));
  ASSERT_NE(dialog->WorkerThread(), nullptr);
  EXPECT_FALSE(Shown(dialog.get(), kConfirmPage));
  EXPECT_TRUE(Shown(dialog.get(), kProgressPage));
  EXPECT_EQ(Banner(dialog.get()), "mainbg_banner_finish");

  Tick(dialog.get(), 42);
  EXPECT_EQ(dialog->FindItem(kProgressText)->GetText(), u"正在卸载 (42%)");
  EXPECT_EQ(dynamic_cast<CVuProgress*>(dialog->FindItem(kProgressBar))->Value(), 42u);
  // A worker still running holds the progress at 99.
  Tick(dialog.get(), 200);
  EXPECT_EQ(dialog->Progress(), 99u);
  EXPECT_EQ(dialog->FindItem(kProgressText)->GetText(), u"正在卸载 (99%)");
  EXPECT_EQ(DeliverEndPage(dialog.get()), 0u);

  gate.open = true;
  WaitForWorker(dialog.get());
  EXPECT_TRUE(dialog->Finished());
  Tick(dialog.get(), 1);
  EXPECT_EQ(dialog->Progress(), 100u);
  EXPECT_EQ(dynamic_cast<CVuProgress*>(dialog->FindItem(kProgressBar))->Value(), 100u);
  EXPECT_EQ(DeliverEndPage(dialog.get()), kMsgFinish);
  EXPECT_FALSE(Shown(dialog.get(), kConfirmPage));
  EXPECT_FALSE(Shown(dialog.get(), kProgressPage));
  EXPECT_TRUE(Shown(dialog.get(), kFinishPage));
  EXPECT_EQ(Banner(dialog.get()), "mainbg_banner_finish");
  EXPECT_FALSE(PathExists(Real("Program Files/Sample Product/SampleCore.dll")));
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(ReportKind(0), "1,1");

  // The finish button ends the dialog without a report of its own; the
  // window's end takes the temporary skin copy with it.
  ASSERT_TRUE(dialog->ActivateElement(dialog->FindItem(kFinishButton)));
  EXPECT_TRUE(dialog->IsEnding());
  EXPECT_EQ(Reports().size(), 1u);
  EXPECT_TRUE(PathExists(Real(kTempCopy)));
  DestroyWindow(dialog->GetHwnd());
  EXPECT_FALSE(PathExists(Real(kTempCopy)));
}

TEST_F(MainDialogFlowTest, AWorkerEndingEarlyRunsTheProgressOnTo100AndAFailedOneShowsTheErrorPage) {
  auto dialog = Open();
  dialog->worker = [] {};  // ends at once, without the finished flag
  dialog->StartUninstall();
  WaitForWorker(dialog.get());
  Tick(dialog.get(), 99);
  EXPECT_EQ(dialog->Progress(), 99u);
  EXPECT_EQ(DeliverEndPage(dialog.get()), 0u) << "an end page before 100 %";
  Tick(dialog.get(), 1);
  EXPECT_EQ(DeliverEndPage(dialog.get()), kMsgError);
  EXPECT_EQ(Banner(dialog.get()), "mainbg_error");
  for (int page : {kConfirmPage, kProgressPage, kFinishPage})
    EXPECT_FALSE(Shown(dialog.get(), page)) << page;
  EXPECT_TRUE(Shown(dialog.get(), kErrorPage)) << "the failure page says what to do next";
  // The timer stopped: later ticks (already queued ones) change nothing visible.
  Tick(dialog.get(), 3);
  EXPECT_EQ(dialog->Progress(), 100u);
  // A close from the error page reports the run as not finished.
  SendMessageW(dialog->GetHwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(ReportKind(0), "0,2");
  // Without the finished flag the window's end keeps the temporary copy.
  DestroyWindow(dialog->GetHwnd());
  EXPECT_TRUE(PathExists(Real(std::string(kTempCopy) + "/uninstall/11001.xml")));
}

TEST_F(MainDialogFlowTest, OnlyTheProgressTimerTicksAndEveryTimerIsSwallowed) {
  auto dialog = Open();
  const std::u16string before = dialog->FindItem(kProgressText)->GetText();
  EXPECT_EQ(SendMessageW(dialog->GetHwnd(), WM_TIMER, 7, 0), 0);
  EXPECT_EQ(dialog->Progress(), 0u);
  EXPECT_EQ(dialog->FindItem(kProgressText)->GetText(), before);
  // Before a start there is no worker: the progress holds at 99.
  Tick(dialog.get(), 120);
  EXPECT_EQ(dialog->Progress(), 99u);
  EXPECT_EQ(DeliverEndPage(dialog.get()), 0u);
}

TEST_F(MainDialogFlowTest, CloseCommandsEndTheDialogWithAReportAndWmCloseOnlyMinimises) {
  {
    auto dialog = Open();
    EXPECT_EQ(SendMessageW(dialog->GetHwnd(), WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsIconic(dialog->GetHwnd()));
    EXPECT_FALSE(dialog->IsEnding());
    ShowWindow(dialog->GetHwnd(), SW_RESTORE);
    // A minimise from the taskbar is the system's own.
    SendMessageW(dialog->GetHwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(dialog->GetHwnd()));
    EXPECT_FALSE(dialog->IsEnding());
    EXPECT_TRUE(IsWindow(dialog->GetHwnd()));
  }
  EXPECT_EQ(Reports().size(), 0u);

  // The system close (with low bits too), the close button and the cancel button.
  size_t expected = 0;
  for (WPARAM command : {WPARAM{SC_CLOSE}, WPARAM{0xF061}, WPARAM{0xF06F}}) {
    auto dialog = Open();
    EXPECT_EQ(SendMessageW(dialog->GetHwnd(), WM_SYSCOMMAND, command, 0), 0);
    EXPECT_TRUE(dialog->IsEnding()) << command;
    EXPECT_EQ(Reports().size(), ++expected) << command;
    EXPECT_EQ(ReportKind(expected - 1), "0,2");
  }
  for (int id : {kCloseButton, kCancelButton}) {
    auto dialog = Open();
    ASSERT_TRUE(dialog->ActivateElement(dialog->FindItem(id)));
    EXPECT_TRUE(dialog->IsEnding()) << id;
    EXPECT_EQ(Reports().size(), ++expected) << id;
  }
  // Nothing was removed by any of them.
  EXPECT_TRUE(PathExists(Real("Program Files/Sample Product/SampleCore.dll")));
}

TEST_F(MainDialogFlowTest, DestructionEndsAStuckWorkerAfterItsGraceTime) {
  static std::atomic<bool> resumed{false};
  static Gate never;  // outlives the dialog: the stopped thread keeps waiting in it
  resumed = false;
  const auto started = std::chrono::steady_clock::now();
  {
    auto dialog = Open();
    dialog->worker = [] {
      never.Wait();
      resumed = true;
    };
    dialog->StartUninstall();
    // A second press does not start a second worker.
    HANDLE first = dialog->WorkerThread();
    dialog->StartUninstall();
    EXPECT_EQ(dialog->WorkerThread(), first);
  }
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_GE(took, std::chrono::milliseconds(4900));
  EXPECT_LT(took, std::chrono::seconds(30));
  never.open = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(resumed.load()) << "the terminated worker ran on";
}

TEST_F(MainDialogFlowTest, ALayoutWithoutTheExpectedElementsStillRuns) {
  auto dialog = std::make_unique<TestDialog>(&config_);
  ASSERT_TRUE(dialog->Init());
  ASSERT_TRUE(WriteTextFile(Real(std::string(kTempCopy) + "/uninstall/11001.xml"),
                            "<layer width=\"300\" height=\"200\"><body>"
                            "<button id=\"101\" pos=\"10,10,90,40\">go</button></body></layer>"));
  ASSERT_NE(dialog->Create(nullptr), nullptr);
  dialog->worker = [] {};
  ASSERT_TRUE(dialog->ActivateElement(dialog->FindItem(kStartButton)));
  WaitForWorker(dialog.get());
  Tick(dialog.get(), 100);
  EXPECT_EQ(DeliverEndPage(dialog.get()), kMsgError);
  SendMessageW(dialog->GetHwnd(), WM_CLOSE, 0, 0);  // no element 2 to press
  EXPECT_FALSE(dialog->IsEnding());
  SendMessageW(dialog->GetHwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(dialog->IsEnding());
}

TEST_F(MainDialogFlowTest, TheBorderIsATwoPixelTranslucentGreyOutline) {
  auto dialog = Open();
  RECT client;
  GetClientRect(dialog->GetHwnd(), &client);
  const int w = client.right, h = client.bottom;
  ZCanvas canvas;
  ASSERT_TRUE(canvas.Create(w, h));
  dialog->OnPostPaint(&canvas);
  // Premultiplied: alpha 100, each channel 138 * 100 / 255.
  for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {w - 1, h - 1}, {0, h - 1}, {w / 2, 0},
                      {0, h / 2}, {w - 1, h / 2}, {w / 2, h - 1}}) {
    const uint32_t pixel = canvas.PixelAt(x, y);
    SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
    EXPECT_NEAR(static_cast<int>(pixel >> 24), 100, 2);
    EXPECT_NEAR(static_cast<int>((pixel >> 16) & 0xFF), 54, 2);
    EXPECT_NEAR(static_cast<int>(pixel & 0xFF), 54, 2);
  }
  // One pixel in from the edge nothing is drawn.
  EXPECT_EQ(canvas.PixelAt(1, 1), 0u);
  EXPECT_EQ(canvas.PixelAt(w - 2, h - 2), 0u);
  EXPECT_EQ(canvas.PixelAt(w / 2, h / 2), 0u);
}

// Run under ThreadSanitizer too (scripts/test tsan): the close reports on this
// thread while the worker runs the real sequence, capturing the install age
// and sending its own report.
class MainDialogConcurrentTest : public MainDialogFlowTest {};

TEST_F(MainDialogConcurrentTest, ACloseWhileTheWorkerRunsAndReportsIsSound) {
  // The configuration the report reads as well.
  auto dialog = Open(nullptr);
  // The close waits until the worker has taken the age once; the flag is
  // relaxed so that it orders nothing the sanitizer would otherwise miss.
  std::atomic<bool> captured{false};
  dialog->worker = [&] {
    CSingletonReport::GetInstance()->CaptureInstallDays();
    captured.store(true, std::memory_order_relaxed);
    dialog->ZUnInstallMainDlg::DoUninstall();
  };
  dialog->StartUninstall();
  while (!captured.load(std::memory_order_relaxed))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  Tick(dialog.get(), 5);
  dialog->OnCloseRequest();
  EXPECT_TRUE(dialog->IsEnding());
  WaitForWorker(dialog.get());
  EXPECT_TRUE(dialog->Finished());
  // The close came first (the run takes far longer than five ticks); the
  // worker went on to its own report.
  ASSERT_EQ(Reports().size(), 2u);
  EXPECT_EQ(ReportKind(0), "0,2");
  EXPECT_EQ(ReportKind(1), "1,1");
  EXPECT_EQ(JsonField(Reports()[1], "event", "install_days"), "3") << "the age taken before the removal";
}

}  // namespace
