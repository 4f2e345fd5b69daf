#include "app/log/ZLog.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/registry.h"

namespace {

enum EnableState : int32_t {
  kNotEnabled = 0,  // not tried yet, or the last try failed
  kEnabling = 1,
  kEnabled = 2,
};

constexpr DWORD kMaxLogFileSize = 0xA00000;  // 10 MiB; a larger file starts over
constexpr int kLevelWidth = 7;
constexpr size_t kIdWidth = 5;

constexpr char16_t kSettingsKey[] = u"Software\\Vantrell\\sentinor\\sysopt";
constexpr char16_t kLevelValueName[] = u"LogLevel";

struct LineOptions {
  bool process_id;
  bool thread_id;
  bool local_time;
  bool tick_count;
};
constexpr LineOptions kLineOptions = {false, true, true, false};

std::atomic<int32_t> g_threshold{kLogInfo};
std::atomic<int32_t> g_enable_state{kNotEnabled};

// The file is opened for each line and closed after it: a handle kept open
// between lines would keep the folder it lies in from being removed.
struct LogFile {
  std::mutex guard;  // this process's threads; the named mutex covers other processes
  std::u16string path;
  HANDLE mutex = nullptr;
};

// Never destroyed: static destructors and detached threads may still log.
LogFile& Shared() {
  static LogFile* const log_file = new LogFile;
  return *log_file;
}

std::u16string_view LevelName(int32_t level) {
  switch (level) {
    case kLogDebug: return u"DEBUG";
    case kLogInfo: return u"INFO";
    case kLogWarning: return u"WARNING";
    case kLogError: return u"ERROR";
    case kLogFatal: return u"FATAL";
    default: return u"UNKNOWN";
  }
}

void AppendAscii(std::u16string* out, std::string_view ascii) {
  for (char c : ascii) out->push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
}

void AppendUtf8(std::u16string* out, std::string_view utf8) {
  bool ascii = true;
  for (char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return AppendAscii(out, utf8);
  if (utf8.size() > 0x7FFFFFFF) return;
  const int in_size = static_cast<int>(utf8.size());
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in_size, nullptr, 0);
  if (n <= 0) return;
  size_t at = out->size();
  out->resize(at + static_cast<size_t>(n));
  n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in_size, out->data() + at, n);
  out->resize(at + static_cast<size_t>(n > 0 ? n : 0));
}

std::string ToUtf8(const std::u16string& text) {
  if (text.empty() || text.size() > 0x7FFFFFFF) return std::string();
  const int in_size = static_cast<int>(text.size());
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), in_size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string bytes(static_cast<size_t>(n), '\0');
  n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), in_size, bytes.data(), n, nullptr, nullptr);
  bytes.resize(static_cast<size_t>(n > 0 ? n : 0));
  return bytes;
}

// Left-aligned, padded with blanks to min_width.
void AppendNumberField(std::u16string* out, unsigned long long value, size_t min_width) {
  size_t start = out->size();
  AppendAscii(out, std::to_string(value));
  size_t written = out->size() - start;
  if (written < min_width) out->append(min_width - written, u' ');
}

void AppendTwoDigits(std::u16string* out, unsigned value) {
  out->push_back(static_cast<char16_t>(u'0' + value / 10 % 10));
  out->push_back(static_cast<char16_t>(u'0' + value % 10));
}

std::u16string ModuleFilePath() {
  std::vector<char16_t> buffer(MAX_PATH);
  while (true) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::u16string();
    if (n < buffer.size()) return std::u16string(buffer.data(), n);
    if (buffer.size() >= 32768) return std::u16string();
    buffer.resize(buffer.size() * 2);
  }
}

bool SplitModulePath(std::u16string* dir, std::u16string* name) {
  std::u16string path = ModuleFilePath();
  size_t cut = path.find_last_of(u"\\/");
  if (cut == std::u16string::npos) return false;
  *dir = path.substr(0, cut);
  *name = path.substr(cut + 1);
  return true;
}

// Derived from where the file belongs, whether or not its folder could be made,
// so that every process of the same program agrees on it.
std::u16string LogMutexName() {
  std::u16string dir, name, path;
  if (SplitModulePath(&dir, &name)) path = dir + u"\\log\\" + name + u".log";
  for (char16_t& c : path)
    if (c == u'\\') c = u'/';
  return u"Global\\" + path;
}

// Makes the log folder on the way; empty when it cannot be had.
std::u16string MakeLogFilePath() {
  std::u16string dir, name;
  if (!SplitModulePath(&dir, &name)) return std::u16string();
  std::u16string folder = dir + u"\\log\\";
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return std::u16string();
  return folder + name + u".log";
}

// Opens the file for one write, shared so that nobody is kept from reading,
// writing, renaming or deleting it. INVALID_HANDLE_VALUE when it cannot be had;
// the log folder is not made again here, so a line written after the folder
// went is dropped rather than leaving a new folder behind.
HANDLE OpenLogFile(const LogFile& log, bool start_over_when_large) {
  if (log.path.empty()) return INVALID_HANDLE_VALUE;
  HANDLE file = CreateFileW(log.path.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  bool size_known = low != INVALID_FILE_SIZE || GetLastError() == ERROR_SUCCESS;
  if (start_over_when_large && size_known && (high != 0 || low > kMaxLogFileSize)) {
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
  } else {
    SetFilePointer(file, 0, nullptr, FILE_END);
  }
  return file;
}

// Owns the named log mutex for a scope. When it cannot be created the scope
// runs unserialised against other processes and the next one tries again.
class NamedMutexHold {
 public:
  explicit NamedMutexHold(LogFile* log) {
    if (!log->mutex) log->mutex = CreateMutexW(nullptr, FALSE, LogMutexName().c_str());
    if (!log->mutex) return;
    DWORD wait = WaitForSingleObject(log->mutex, INFINITE);
    // An owner that died mid-write leaves the mutex abandoned; it is ours now.
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) mutex_ = log->mutex;
  }
  ~NamedMutexHold() {
    if (mutex_) ReleaseMutex(mutex_);
  }
  NamedMutexHold(const NamedMutexHold&) = delete;
  NamedMutexHold& operator=(const NamedMutexHold&) = delete;

 private:
  HANDLE mutex_ = nullptr;
};

void ReadLevelOverride() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegQueryValueExW(key, kLevelValueName, nullptr, nullptr, reinterpret_cast<LPBYTE>(&value),
                       &size) == ERROR_SUCCESS) {
    if (value > static_cast<DWORD>(kLogFatal)) value = kLogInfo;
    SetLogThreshold(static_cast<int32_t>(value));
  }
  RegCloseKey(key);
}

bool InitialiseLog() {
  ReadLevelOverride();
  LogFile& log = Shared();
  std::lock_guard<std::mutex> guard(log.guard);
  NamedMutexHold hold(&log);
  log.path = MakeLogFilePath();
  // The size check belongs to this first opening only: one run may grow the
  // file past the limit, the next one starts it over.
  HANDLE file = OpenLogFile(log, true);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace

bool IsLogEnabled() {
  if (g_enable_state.load(std::memory_order_acquire) == kEnabled) return true;
  int32_t expected = kNotEnabled;
  if (!g_enable_state.compare_exchange_strong(expected, kEnabling, std::memory_order_acq_rel)) {
    while (g_enable_state.load(std::memory_order_acquire) == kEnabling) Sleep(0);
    return g_enable_state.load(std::memory_order_acquire) == kEnabled;
  }
  // The first ZLOG of a program runs this before its LogLine saves the error.
  DWORD saved_error = GetLastError();
  SetLogThreshold(kLogInfo);
  bool enabled = InitialiseLog();
  g_enable_state.store(enabled ? kEnabled : kNotEnabled, std::memory_order_release);
  SetLastError(saved_error);
  return enabled;
}

std::u16string LogFilePath() {
  std::u16string dir, name;
  if (!SplitModulePath(&dir, &name)) return std::u16string();
  return dir + u"\\log\\" + name + u".log";
}

int32_t GetLogThreshold() { return g_threshold.load(std::memory_order_relaxed); }

void SetLogThreshold(int32_t level) {
  g_threshold.store(level > kLogError ? kLogError : level, std::memory_order_relaxed);
}

LogLine::LogLine(const char* source_file, int line, int32_t level)
    : level_(level), saved_last_error_(static_cast<uint32_t>(GetLastError())) {
  text_.reserve(160);
  text_.push_back(u'[');
  if (kLineOptions.process_id) {
    AppendNumberField(&text_, GetCurrentProcessId(), kIdWidth);
    text_.push_back(u'|');
  }
  if (kLineOptions.thread_id) {
    AppendNumberField(&text_, GetCurrentThreadId(), kIdWidth);
    text_.push_back(u'|');
  }
  if (kLineOptions.local_time) {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    AppendTwoDigits(&text_, now.wMonth);
    text_.push_back(u'-');
    AppendTwoDigits(&text_, now.wDay);
    text_.push_back(u' ');
    AppendTwoDigits(&text_, now.wHour);
    text_.push_back(u':');
    AppendTwoDigits(&text_, now.wMinute);
    text_.push_back(u':');
    AppendTwoDigits(&text_, now.wSecond);
    text_.push_back(u'|');
  }
  if (kLineOptions.tick_count) {
    AppendNumberField(&text_, GetTickCount(), 0);
    text_.push_back(u'|');
  }
  std::u16string_view name = LevelName(level);
  if (name.size() < kLevelWidth) text_.append(kLevelWidth - name.size(), u' ');
  text_.append(name);
  text_.push_back(u'|');
  std::string_view file = source_file ? source_file : "";
  size_t cut = file.find_last_of("\\/");
  if (cut != std::string_view::npos) file.remove_prefix(cut + 1);
  AppendUtf8(&text_, file);
  text_.push_back(u':');
  AppendAscii(&text_, std::to_string(line));
  text_.append(u"] ");
}

LogLine::~LogLine() {
  text_.append(u"\r\n");
  std::string bytes = ToUtf8(text_);
  {
    LogFile& log = Shared();
    std::lock_guard<std::mutex> guard(log.guard);
    NamedMutexHold hold(&log);
    if (log.path.empty()) log.path = MakeLogFilePath();
    HANDLE file = OpenLogFile(log, false);
    if (file != INVALID_HANDLE_VALUE) {
      // One WriteFile at the end keeps the line whole against other writers.
      DWORD written = 0;
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
      CloseHandle(file);
    }
  }
  if (level_ == kLogFatal) {
    DebugBreak();
    ExitProcess(1);
  }
  SetLastError(saved_last_error_);
}

LogLine& LogLine::operator<<(std::u16string_view text) {
  text_.append(text);
  return *this;
}

LogLine& LogLine::operator<<(const char16_t* text) {
  if (text) text_.append(text);
  return *this;
}

LogLine& LogLine::operator<<(const std::u16string& text) {
  text_.append(text);
  return *this;
}

LogLine& LogLine::operator<<(std::string_view ascii) {
  AppendUtf8(&text_, ascii);
  return *this;
}

LogLine& LogLine::operator<<(const char* ascii) {
  if (ascii) AppendUtf8(&text_, ascii);
  return *this;
}

LogLine& LogLine::operator<<(char16_t c) {
  text_.push_back(c);
  return *this;
}

LogLine& LogLine::operator<<(char c) {
  AppendUtf8(&text_, std::string_view(&c, 1));
  return *this;
}

LogLine& LogLine::operator<<(int value) {
  AppendAscii(&text_, std::to_string(value));
  return *this;
}

LogLine& LogLine::operator<<(unsigned value) {
  AppendAscii(&text_, std::to_string(value));
  return *this;
}

LogLine& LogLine::operator<<(long value) {
  AppendAscii(&text_, std::to_string(value));
  return *this;
}

LogLine& LogLine::operator<<(unsigned long value) {
  AppendAscii(&text_, std::to_string(value));
  return *this;
}

LogLine& LogLine::operator<<(long long value) {
  AppendAscii(&text_, std::to_string(value));
  return *this;
}

LogLine& LogLine::operator<<(unsigned long long value) {
  AppendAscii(&text_, std::to_string(value));
  return *this;
}
