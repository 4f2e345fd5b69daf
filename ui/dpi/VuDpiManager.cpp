#include "ui/dpi/VuDpiManager.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/common/system_library.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/private_profile.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "platform/window_paint.h"

namespace {

constexpr int kDefaultDpi = 96;
constexpr DWORD kTextChars = 260;
constexpr REGSAM kDpiKeyAccess = 0x2001F;
// Rates are read from text as floats: differences this small are equal.
constexpr float kRateTolerance = 1e-4f;
const char16_t kSection[] = u"basesetting";
const char16_t kSettingsFile[] = u"ressrc\\chs\\dpisetting.ini";
const char16_t kImageFolder[] = u"ressrc\\chs\\dpiimg";
const char16_t kDpiKeyParent[] = u"Software\\Vantrell\\Sentinor";
const char16_t kDpiKeyName[] = u"PexorReport";
const char16_t kDpiValue[] = u"DpiAware";
const char16_t kHiddenClassSuffix[] = u"hiddenDpiAwarenessWindow";

// One user32 entry point, the library loaded for as long as this lives, so
// that systems without the function still run.
class User32Entry {
 public:
  explicit User32Entry(const char* name) : module_(LoadSystemLibrary(u"user32.dll")) {
    if (module_) entry_ = GetProcAddress(module_, name);
  }
  ~User32Entry() {
    if (module_) FreeLibrary(module_);
  }
  User32Entry(const User32Entry&) = delete;
  User32Entry& operator=(const User32Entry&) = delete;

  explicit operator bool() const { return entry_ != nullptr; }
  template <class Fn>
  Fn As() const {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(entry_));
  }

 private:
  HMODULE module_ = nullptr;
  FARPROC entry_ = nullptr;
};

bool HasUser32Entry(const char* name) { return static_cast<bool>(User32Entry(name)); }

// "1.0|1.2|1.5": each piece read as a decimal number (what it starts with).
std::vector<float> ParseRates(const std::u16string& text) {
  std::vector<float> rates;
  size_t start = 0;
  while (start <= text.size()) {
    size_t bar = text.find(u'|', start);
    if (bar == std::u16string::npos) bar = text.size();
    std::string piece;
    for (size_t i = start; i < bar; ++i)
      piece += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    start = bar + 1;
    size_t first = piece.find_first_not_of(" \t");
    if (first == std::string::npos) continue;
    rates.push_back(std::strtof(piece.c_str(), nullptr));
  }
  return rates;
}

std::u16string Ascii(const char* text) {
  std::u16string out;
  for (; *text; ++text) out += static_cast<char16_t>(static_cast<unsigned char>(*text));
  return out;
}

std::u16string OneDecimal(float value) {
  char text[64];
  std::snprintf(text, sizeof(text), "%.1f", static_cast<double>(value));
  return Ascii(text);
}

bool IsFile(const std::u16string& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

VuDpiManager& VuDpiManager::Instance() {
  static VuDpiManager* instance = new VuDpiManager;  // lives until the process ends
  instance->EnsureInitialised();
  return *instance;
}

VuDpiManager::VuDpiManager() = default;

VuDpiManager::~VuDpiManager() {
  if (hidden_window_) DestroyWindow(hidden_window_);
}

void VuDpiManager::EnsureInitialised() {
  // The exchange lets exactly one caller initialise; later ones do nothing.
  if (initialised_.load() == 0 && initialised_.exchange(1) == 0) Initialise();
}

void VuDpiManager::LoadPaths() {
  if (paths_loaded_) return;
  paths_loaded_ = true;
  char16_t module[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  std::u16string path(module, length);
  size_t slash = path.find_last_of(u"\\/");
  std::u16string file = slash == std::u16string::npos ? path : path.substr(slash + 1);
  size_t dot = file.find_last_of(u'.');
  process_name_ = dot == std::u16string::npos ? file : file.substr(0, dot);
  if (slash == std::u16string::npos) return;
  program_dir_ = path.substr(0, slash + 1);
  settings_path_ = program_dir_ + kSettingsFile;
}

int VuDpiManager::ReadInt(const char16_t* key, int default_value) {
  LoadPaths();
  if (settings_path_.empty()) return default_value;
  return static_cast<int>(
      GetPrivateProfileIntW(kSection, key, default_value, settings_path_.c_str()));
}

std::u16string VuDpiManager::ReadText(const char16_t* key, const char16_t* default_value) {
  LoadPaths();
  if (settings_path_.empty()) return default_value;
  char16_t text[kTextChars] = {};
  DWORD length = GetPrivateProfileStringW(kSection, key, default_value, text, kTextChars,
                                          settings_path_.c_str());
  return std::u16string(text, length < kTextChars ? length : kTextChars - 1);
}

int VuDpiManager::ReadDebug() {
  if (debug_ == -1) debug_ = ReadInt(u"debug", 0);
  return debug_;
}

int VuDpiManager::ReadDebugDpi() {
  if (debug_dpi_ == -1) debug_dpi_ = ReadInt(u"debugdpi", kDefaultDpi);
  return debug_dpi_;
}

int VuDpiManager::ReadMode() {
  if (mode_ == 0) mode_ = ReadInt(u"mode", 2);
  return mode_;
}

std::u16string VuDpiManager::HiddenWindowClass() {
  LoadPaths();
  return process_name_ + u"_" + kHiddenClassSuffix;
}

bool VuDpiManager::IsSupportedProcess() {
  LoadPaths();
  if (support_processes_.empty()) support_processes_ = ReadText(u"supportprocess", u"nuvotray");
  // A process without a name is nobody's.
  return !process_name_.empty() && support_processes_.find(process_name_) != std::u16string::npos;
}

bool VuDpiManager::RegistryAllows() {
  const bool process_context = HasUser32Entry("SetProcessDpiAwarenessContext");
  const bool process_aware = HasUser32Entry("SetProcessDPIAware");
  const bool thread_context = HasUser32Entry("SetThreadDpiAwarenessContext");
  if (!process_context && !process_aware && !thread_context) return false;
  const int mode = ReadMode();
  if (mode == 1 && !process_context && !process_aware) return false;
  if (mode == 2 && !thread_context) return false;

  const std::u16string key_path = std::u16string(kDpiKeyParent) + u"\\" + kDpiKeyName;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path.c_str(), 0, kDpiKeyAccess, &key) !=
      ERROR_SUCCESS)
    return false;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof(value);
  LSTATUS status =
      RegQueryValueExW(key, kDpiValue, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(value) && value != 0;
}

bool VuDpiManager::IsEnabled() {
  EnsureInitialised();
  if (enabled_ == -1) {
    const bool switched_on = ReadInt(u"switch", 0) != 0 && RegistryAllows();
    enabled_ = switched_on || ReadDebug() != 0 ? 1 : 0;
  }
  return enabled_ == 1;
}

void VuDpiManager::Initialise() {
  if (!IsSupportedProcess()) return;
  if (ReadMode() == 1 && IsEnabled()) {
    User32Entry set_context("SetProcessDpiAwarenessContext");
    if (set_context) {
      set_context.As<SetProcessDpiAwarenessContextFn>()(
          DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    } else {
      User32Entry set_aware("SetProcessDPIAware");
      if (set_aware) set_aware.As<SetProcessDPIAwareFn>()();
    }
  }
  const std::u16string class_name = HiddenWindowClass();
  // Another instance already stands for the screen.
  if (FindWindowW(class_name.c_str(), nullptr)) return;

  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<decltype(window_class.hbrBackground)>(
      static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
  window_class.lpszClassName = AsWide(class_name.c_str());
  RegisterClassExW(&window_class);  // may be registered already by an earlier manager

  // Top level, hidden: other instances find it, and its DPI is the screen's.
  DPI_AWARENESS_CONTEXT previous = EnterThreadContext();
  hidden_window_ = CreateWindowExW(0, class_name.c_str(), u"", WS_POPUPWINDOW, CW_USEDEFAULT,
                                   CW_USEDEFAULT, 0, 0, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
  LeaveThreadContext(previous);
}

int VuDpiManager::MeasureDpi() {
  const std::u16string class_name = HiddenWindowClass();
  HWND window = FindWindowW(class_name.c_str(), nullptr);
  if (!window) return kDefaultDpi;
  {
    User32Entry get_dpi("GetDpiForWindow");
    if (get_dpi) {
      UINT dpi = get_dpi.As<GetDpiForWindowFn>()(window);
      return dpi ? static_cast<int>(dpi) : kDefaultDpi;
    }
  }
  if (ReadMode() == 1) {
    HDC dc = GetDC(window);
    if (dc) {
      int dpi = GetDeviceCaps(dc, LOGPIXELSX);
      ReleaseDC(window, dc);
      if (dpi > 0) return dpi;
    }
  }
  return kDefaultDpi;
}

int VuDpiManager::GetDpi() {
  EnsureInitialised();
  if (ReadDebug() != 0) return IsSupportedProcess() ? ReadDebugDpi() : kDefaultDpi;
  if (cached_dpi_ == 0) cached_dpi_ = MeasureDpi();
  return cached_dpi_;
}

const std::vector<float>& VuDpiManager::GetSupportedRates() {
  if (supported_rates_.empty()) supported_rates_ = ParseRates(ReadText(u"supportrate", u"1.0|1.2|1.5"));
  return supported_rates_;
}

float VuDpiManager::GetScale() {
  const float factor = static_cast<float>(GetDpi()) / static_cast<float>(kDefaultDpi);
  const std::vector<float>& rates = GetSupportedRates();
  // Meant to be ascending: the last rate not above the factor wins.
  for (auto rate = rates.rbegin(); rate != rates.rend(); ++rate)
    if (*rate <= factor) return *rate >= 1.0f ? *rate : 1.0f;
  return 1.0f;
}

int VuDpiManager::Scale(int value) {
  if (!IsEnabled()) return value;
  return static_cast<int>(GetScale() * static_cast<float>(value));
}

DPI_AWARENESS_CONTEXT VuDpiManager::EnterThreadContext() {
  EnsureInitialised();
  if (ReadMode() != 2 || !IsEnabled()) return nullptr;
  User32Entry set_context("SetThreadDpiAwarenessContext");
  if (!set_context) return nullptr;
  return set_context.As<SetThreadDpiAwarenessContextFn>()(
      DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}

void VuDpiManager::LeaveThreadContext(DPI_AWARENESS_CONTEXT previous) {
  if (!previous || ReadMode() != 2 || !IsEnabled()) return;
  User32Entry set_context("SetThreadDpiAwarenessContext");
  if (set_context) set_context.As<SetThreadDpiAwarenessContextFn>()(previous);
}

std::u16string VuDpiManager::DpiImagePath(const std::u16string& image_dir, int id,
                                          const std::u16string& type,
                                          const std::u16string& sub_dir, float scale) {
  const std::u16string rate = OneDecimal(scale);
  return image_dir + u"\\" + rate + u"\\" + sub_dir + u"\\" + Ascii(std::to_string(id).c_str()) +
         u"_" + rate + u"." + type;
}

bool VuDpiManager::ChooseDpiImage(const std::u16string& image_dir, int id,
                                  const std::u16string& type, const std::u16string& sub_dir,
                                  float scale, const std::vector<float>& rates,
                                  const std::function<bool(const std::u16string&)>& exists,
                                  std::u16string* path, float* image_scale) {
  if (std::fabs(scale - 1.0f) <= kRateTolerance) return false;
  std::u16string candidate = DpiImagePath(image_dir, id, type, sub_dir, scale);
  if (exists(candidate)) {
    *path = candidate;
    *image_scale = scale;
    return true;
  }
  bool found = false;
  float best = 0.0f;
  std::u16string best_path;
  for (float rate : rates) {
    if (rate <= 1.0f + kRateTolerance || std::fabs(rate - scale) <= kRateTolerance) continue;
    std::u16string other = DpiImagePath(image_dir, id, type, sub_dir, rate);
    if (!exists(other)) continue;
    const float distance = std::fabs(rate - scale);
    const float best_distance = std::fabs(best - scale);
    // Nearer wins; of two as near, the larger (it is scaled down, not up).
    const bool as_near = std::fabs(distance - best_distance) <= kRateTolerance;
    if (!found || (!as_near && distance < best_distance) || (as_near && rate > best)) {
      found = true;
      best = rate;
      best_path = other;
    }
  }
  // Too far from the wanted scale: the normal image scaled does better.
  if (!found || std::fabs(best - scale) > std::fabs(scale - 1.0f) + kRateTolerance) return false;
  *path = best_path;
  *image_scale = best;
  return true;
}

bool VuDpiManager::GetDpiImage(int id, const std::u16string& type, const std::u16string& sub_dir,
                               float scale, std::u16string* path, float* image_scale) {
  LoadPaths();
  if (program_dir_.empty()) return false;
  return ChooseDpiImage(program_dir_ + kImageFolder, id, type, sub_dir, scale,
                        GetSupportedRates(), IsFile, path, image_scale);
}
