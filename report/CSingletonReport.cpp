#include "report/CSingletonReport.h"

#include <mutex>
#include <string>
#include <vector>

#include "packet_public/ZInstallConfigLoader.h"
#include "packet_public/ZText.h"
#include "platform/kernel.h"
#include "report/ZEnvironmentFacts.h"
#include "report/ZInstallIdentity.h"
#include "report/ZInstallReport.h"
#include "report/ZInstallSerialize.h"
#include "report/ZPublicBlock.h"
#include "report/ZStatisticsUrl.h"

namespace {

constexpr uint16_t kUninstallEventRecord = 6570;

CSingletonReport* g_instance = nullptr;
Destoryer<CSingletonReport> g_destroyer(&g_instance);

}  // namespace

CSingletonReport* CSingletonReport::GetInstance() {
  // The worker's finished report and a close on the UI thread may be first.
  static std::once_flag once;
  std::call_once(once, [] { g_instance = new CSingletonReport(); });
  return g_instance;
}

CSingletonReport::CSingletonReport(ZInstallConfigLoader* config)
    : config_(config ? config : ZInstallConfigLoader::GetInstance()), url_(StatisticsUrl()) {}

CSingletonReport::~CSingletonReport() = default;

void CSingletonReport::LoadIds() {
  tid1_ = config_->GetInstallIdValue(u"tid1");
  tid2_ = config_->GetInstallIdValue(u"tid2");
  tod1_ = config_->GetInstallIdValue(u"tod1");
  tod2_ = config_->GetInstallIdValue(u"tod2");
  iid_ = config_->GetInstallIdValue(u"iid");
}

void CSingletonReport::CaptureInstallDays() {
  const uint32_t days = static_cast<uint32_t>(config_->GetInstallDays());
  install_age_.store(kInstallDaysCaptured | days, std::memory_order_release);
}

int32_t CSingletonReport::InstallDays() const {
  return static_cast<int32_t>(static_cast<uint32_t>(install_age_.load(std::memory_order_acquire)));
}

bool CSingletonReport::InstallDaysCaptured() const {
  return (install_age_.load(std::memory_order_acquire) & kInstallDaysCaptured) != 0;
}

void CSingletonReport::Report(uint8_t result, uint32_t kind) {
  const std::u16string tryno = Utf8ToUtf16(std::to_string(config_->GetTryNo()));
  const std::u16string server_id = ReadServerId(config_);

  auto* block = new ZPublicBlock();
  block->Fill(tid1_, tid2_, tod1_, tod2_, iid_, ZUUIDGenerator::GetInstance()->GetUuid(config_),
              tryno, server_id);

  // The age taken before the removal started: the uninstall's own registry
  // actions may have removed the install time by now. A report before any
  // capture (the dialog closed early) reads it now.
  const int64_t age = install_age_.load(std::memory_order_acquire);
  const int32_t install_days = (age & kInstallDaysCaptured)
                                   ? static_cast<int32_t>(static_cast<uint32_t>(age))
                                   : config_->GetInstallDays();
  std::vector<std::u16string> parents;
  std::u16string parent_path;
  if (GetParentProcessPath(GetCurrentProcessId(), 0, &parents) && !parents.empty())
    parent_path = parents.front();

  auto* event = new ZInstallSerialize();
  event->SetRecordId(kUninstallEventRecord);
  event->WriteByte(result);
  event->WriteDword(kind);
  event->WriteDword(static_cast<uint32_t>(install_days));
  event->WriteString(parent_path.c_str());
  event->WriteDword(static_cast<uint32_t>(ParseLenientInt(config_->GetValue(u"pid"))));
  event->WriteByte(1);
  event->Finish();

  ZInstallReportV3 report;
  report.AddRecord(block);
  report.AddRecord(event);
  report.Send(url_, kSendTimeoutSeconds);
}
