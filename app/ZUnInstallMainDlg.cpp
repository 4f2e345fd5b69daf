#include "app/ZUnInstallMainDlg.h"

#include <cstring>
#include <vector>

#include "app/AppWindow.h"
#include "app/cmdline/SilentRun.h"
#include "app/dialog/LayoutLoad.h"
#include "app/dialog/WorkAreaPlacement.h"
#include "app/log/ZLog.h"
#include "engine/ZRemoval.h"
#include "engine/ZToolSetExtInstaller.h"
#include "engine/guard/ZPathNames.h"
#include "engine/guard/ZPathResolver.h"
#include "packet_public/ZInstallConfigLoader.h"
#include "packet_public/ZText.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/shell.h"
#include "report/CSingletonReport.h"
#include "ui/dialog/VuFramework.h"

namespace {

constexpr DWORD kPathChars = MAX_PATH;

// Joins name to directory the way the shell does; empty when it does not fit.
std::u16string JoinPath(const std::u16string& directory, const std::u16string& name) {
  char16_t buffer[kPathChars] = {};
  if (directory.size() >= kPathChars) return std::u16string();
  std::memcpy(buffer, directory.c_str(), directory.size() * sizeof(char16_t));
  if (!PathAppendW(buffer, name.c_str())) return std::u16string();
  return buffer;
}

// A list of one path for SHFileOperationW: the path and two terminators.
std::vector<char16_t> DoubleZeroList(const std::u16string& path) {
  std::vector<char16_t> list(path.begin(), path.end());
  list.push_back(0);
  list.push_back(0);
  return list;
}

// The temporary folder's name must be one plain folder name: no separator,
// no drive, no "." or "..", nothing the file system would read otherwise.
bool IsPlainFolderName(const std::u16string& name) {
  if (name.empty() || name.size() > 255 || name == u"." || name == u"..") return false;
  for (char16_t c : name)
    if (c < 32 || c == u'\\' || c == u'/' || c == u':' || c == u'*' || c == u'?' || c == u'"' ||
        c == u'<' || c == u'>' || c == u'|')
      return false;
  return name.back() != u'.' && name.back() != u' ';
}

// The temporary folder as the file system will see it: full, with no link on
// the way; empty when it cannot be trusted.
std::u16string ResolvedTempFolder(const std::u16string& path) {
  ZResolvedPath resolved = ResolveTouchedPath(path);
  return resolved.ok() ? resolved.path : std::u16string();
}

}  // namespace

ZUnInstallMainDlg::ZUnInstallMainDlg(ZInstallConfigLoader* config)
    : CVuDialogViewEx(main_dlg::kLayoutId),
      config_(config ? config : ZInstallConfigLoader::GetInstance()) {}

std::u16string ZUnInstallMainDlg::Config(const char16_t* key) const { return config_->GetValue(key); }

ZUnInstallMainDlg::~ZUnInstallMainDlg() {
  StopWorker();
  if (instance_view_) UnmapViewOfFile(instance_view_);
  if (instance_mapping_) CloseHandle(instance_mapping_);
  instance_view_ = nullptr;
  instance_mapping_ = nullptr;
  file_list_.DestroyAll();
  // While this object's handlers still answer: WM_DESTROY removes the temp copy.
  DestroyImplWindow();
}

bool ZUnInstallMainDlg::Init() {
  std::u16string module_path = ProgramFilePath();
  size_t separator = module_path.find_last_of(u"\\/");
  program_dir_ = separator == std::u16string::npos ? std::u16string() : module_path.substr(0, separator + 1);
  config_file_path_ = program_dir_ + u"installConfig.dat";
  if (!config_->Load()) {
    ZLOG(kLogError) << u"init install config file failed";
    return false;
  }
  if (IsOtherInstanceRunning()) return false;
  if (!PrepareTempResources()) {
    ZLOG(kLogError) << u"copy uninstall resource to temp dir failed";
    return false;
  }
  ConfigureUiFramework();
  return true;
}

bool ZUnInstallMainDlg::IsSilentRun() const { return ::IsSilentRun(); }

bool ZUnInstallMainDlg::IsOtherInstanceRunning() {
  if (instance_mapping_) return true;
  std::u16string name = Config(u"uninstall_instance_name");
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4,
                                      name.c_str());
  DWORD created = GetLastError();
  if (!mapping) return false;
  instance_mapping_ = mapping;
  instance_view_ = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  return instance_view_ != nullptr && created == ERROR_ALREADY_EXISTS;
}

std::u16string ZUnInstallMainDlg::TempDirectory() {
  char16_t buffer[kPathChars] = {};
  DWORD needed = ExpandEnvironmentStringsW(u"%TEMP%", buffer, kPathChars - 1);
  if (needed == 0 || needed > kPathChars - 1) return std::u16string();
  return buffer;
}

bool ZUnInstallMainDlg::CreateDirectoryPath(const std::u16string& path) {
  if (PathFileExistsW(path.c_str())) return true;
  if (CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
  size_t separator = path.rfind(u'\\');
  if (separator == std::u16string::npos) return false;
  if (!CreateDirectoryPath(path.substr(0, separator))) return false;
  return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool ZUnInstallMainDlg::PrepareTempResources() {
  std::u16string source = JoinPath(program_dir_, u"res\\uninstall");
  std::u16string target = TempDirectory();
  if (target.empty()) {
    ZLOG(kLogError) << u"temp resource path is empty";
    return false;
  }
  const std::u16string dir_name = Config(u"install_dir_name");
  target = IsPlainFolderName(dir_name) ? ResolvedTempFolder(JoinPath(target, dir_name)) : u"";
  if (target.empty() || !CreateDirectoryPath(target) ||
      !PathEqualNoCase(ResolvedTempFolder(target), target)) {
    ZLOG(kLogError) << u"create temp resource path dir failed";
    return false;
  }
  temp_resource_dir_ = target;
  std::vector<char16_t> from = DoubleZeroList(source);
  std::vector<char16_t> to = DoubleZeroList(target);
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_COPY;
  operation.pFrom = AsWide(from.data());
  operation.pTo = AsWide(to.data());
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
  return SHFileOperationW(&operation) == 0;
}

bool ZUnInstallMainDlg::RemoveTempResources() {
  std::u16string dir_name = Config(u"install_dir_name");
  if (dir_name.empty()) return false;
  if (temp_resource_dir_.find(dir_name) == std::u16string::npos) return false;
  std::u16string temp = TempDirectory();
  if (temp.empty() || temp_resource_dir_.find(temp) == std::u16string::npos) return false;
  // Only the folder made for this run goes, exactly one name below %TEMP%,
  // judged as the file system sees it now (no link on the way).
  const std::u16string own = ResolvedTempFolder(temp_resource_dir_);
  const std::u16string base = ResolvedTempFolder(temp);
  if (!IsPlainFolderName(dir_name) || own.empty() || base.empty() ||
      !PathEqualNoCase(ParentPath(own), base))
    return false;
  return DeleteDirectoryTree(own, true);
}

bool ZUnInstallMainDlg::DeleteDirectoryTree(const std::u16string& dir, bool force) {
  std::u16string base = dir;
  if (base.empty() || (base.back() != u'\\' && base.back() != u'/')) base += u'\\';
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((base + u"*.*").c_str(), &data);
  bool completed = true;
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::u16string name = AsU16(data.cFileName);
      if (name == u"." || name == u"..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link goes; what it points at stays.
        const std::u16string link = base + name;
        if (!((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(link.c_str())
                                                                 : DeleteFileW(link.c_str())) &&
            !force) {
          completed = false;
          break;
        }
      } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!DeleteDirectoryTree(base + name + u"\\", force) && !force) {
          completed = false;
          break;
        }
      } else if (!DeleteFileW((base + name).c_str()) && !force) {
        completed = false;
        break;
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(base.c_str());
  base.pop_back();
  RemoveDirectoryW(base.c_str());
  return completed;
}

void ZUnInstallMainDlg::ConfigureUiFramework() {
  std::u16string ui_dir = temp_resource_dir_ + u"\\uninstall";
  if (PathFileExistsW(ui_dir.c_str())) {
    ui_resource_dir_ = ui_dir;
    // Primary directory, an empty PNG pool, then the three shared documents.
    VuFramework::Initialize(ui_resource_dir_);
    return;
  }
  // Whatever other sources hold them.
  VuFramework::LoadSharedDocument(kVuSkinDocumentId);
  VuFramework::LoadSharedDocument(kVuStyleDocumentId);
  VuFramework::LoadSharedDocument(kVuStringDocumentId);
}

void ZUnInstallMainDlg::Run() {
  std::u16string window_class = Config(u"main_window_class");
  bool running = AppWindow::IsRunning(window_class);
  if (IsSilentRun()) {
    if (running) AppWindow::RequestClose(window_class);
    DoUninstall();
    return;
  }
  RunInteractive(running);
}

void ZUnInstallMainDlg::RunInteractive(bool application_running) {
  if (application_running) {
    if (!AppWindow::ShowTips(Config(u"uninstall_tips"), config_)) return;
    AppWindow::RequestClose(Config(u"main_window_class"));
  }
  // Without the dialog nothing is removed: the run ends as a failed
  // initialisation does.
  if (!LoadMainLayout()) return;
  const VuLayoutAttributes& a = Layout().Attributes();
  const RECT placement = main_dlg::WorkAreaPlacement(a.width, a.height);
  DoModal(nullptr, &placement);
}

bool ZUnInstallMainDlg::LoadMainLayout() {
  std::u16string problems;
  const bool loaded = LoadLayoutWithProblems(this, &problems);
  if (!loaded)
    ZLOG(kLogError) << u"main dialog layout cannot be loaded from \"" << ui_resource_dir_
                    << u"\": " << problems;
  return loaded;
}

void ZUnInstallMainDlg::DoUninstall() {
  RunToolSetExtensionUninstall();
  CaptureInstallAge();
  LoadInstallPacket();
  UninstallInstalledFiles();
  ScheduleProgramSelfDelete();
  ScheduleLeftoversAtRestart();
  finished_.store(1);
  ReportFinished();
}

void ZUnInstallMainDlg::LoadInstallPacket() { file_list_.LoadPacket(config_file_path_, program_dir_); }
void ZUnInstallMainDlg::UninstallInstalledFiles() { file_list_.UninstallAll(kUninstallPhase); }
void ZUnInstallMainDlg::ScheduleProgramSelfDelete() { ScheduleSelfDelete(file_list_.DeletionGuard()); }
// After the program's own file: a listed folder that holds it goes after it.
void ZUnInstallMainDlg::ScheduleLeftoversAtRestart() { file_list_.ScheduleLeftoversAtRestart(); }

// The tool-set extension and the usage report are connected here as they land.
void ZUnInstallMainDlg::RunToolSetExtensionUninstall() {
  ZToolSetExtInstaller extension(config_);
  extension.SignalExitEvent();
  extension.RunUninstallCommand(program_dir_);
}
void ZUnInstallMainDlg::CaptureInstallAge() { CSingletonReport::GetInstance()->CaptureInstallDays(); }
void ZUnInstallMainDlg::ReportFinished() { CSingletonReport::GetInstance()->Report(1, 1); }
