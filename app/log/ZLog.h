// The diagnostic log: one line per message in <program dir>\log\<program>.log,
// serialised across threads and processes by a named mutex.
//
// Writing sites use ZLOG so that each line carries its own file and line:
//   ZLOG(kLogError) << u"init install config file failed";
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum ZLogLevel : int32_t {
  kLogDebug = 0,
  kLogInfo = 1,
  kLogWarning = 2,
  kLogError = 3,
  kLogFatal = 4,
};

// Initialises the facility on first use; false while the file cannot be opened
// (a later call tries again).
bool IsLogEnabled();
int32_t GetLogThreshold();
// Where this program's log file is (or would be), whether or not it exists.
std::u16string LogFilePath();
// Stores level, or 3 when level is larger than 3.
void SetLogThreshold(int32_t level);

// One message under construction; written when it goes out of scope.
class LogLine {
 public:
  LogLine(const char* source_file, int line, int32_t level);
  ~LogLine();
  LogLine(const LogLine&) = delete;
  LogLine& operator=(const LogLine&) = delete;

  LogLine& Stream() { return *this; }
  LogLine& operator<<(std::u16string_view text);
  LogLine& operator<<(const char16_t* text);
  LogLine& operator<<(const std::u16string& text);
  LogLine& operator<<(std::string_view ascii);  // narrow text is taken as UTF-8
  LogLine& operator<<(const char* ascii);
  LogLine& operator<<(char16_t c);
  LogLine& operator<<(char c);
  // Every integer width by its own type: DWORD and LONG are long on Windows
  // and int on the simulated host, int64_t is long on one and long long on the other.
  LogLine& operator<<(int value);
  LogLine& operator<<(unsigned value);
  LogLine& operator<<(long value);
  LogLine& operator<<(unsigned long value);
  LogLine& operator<<(long long value);
  LogLine& operator<<(unsigned long long value);

 private:
  int32_t level_;
  uint32_t saved_last_error_;
  std::u16string text_;
};

struct LogVoidify {
  void operator&(LogLine&) {}
};

#define ZLOG(level)                                                   \
  !(IsLogEnabled() && GetLogThreshold() <= static_cast<int32_t>(level)) \
      ? (void)0                                                       \
      : LogVoidify() & LogLine(__FILE__, __LINE__, (level)).Stream()
