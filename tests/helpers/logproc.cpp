// logproc: writes the diagnostic log from inside a machine, for the log's tests.
// It reads commands from standard input, one a line (text is UTF-8), carries
// each out and answers with one line; it ends with 0 when its input closes.
//
//   enabled               "enabled B threshold N": IsLogEnabled() (0/1), GetLogThreshold()
//   log LEVEL TEXT        ZLOG(LEVEL) << TEXT; "logged LINE TID" (LINE: that ZLOG's line)
//   mixed                 one ERROR line of every streamable kind; "logged LINE TID"
//   threads N COUNT       N threads each log COUNT ERROR lines "tTID nI xxx..."; "done"
//   lasterror LEVEL TEXT  "lasterror BEFORE AFTER" around ZLOG(LEVEL) << TEXT
//   direct LEVEL TEXT     the same around a LogLine that skips the enabled and level checks
//   packet CONFIG BASE    loads the install packet of the Windows path CONFIG (no blanks)
//                         for the base folder BASE; "records N"
//   exit                  ends with 0
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "app/log/ZLog.h"
#include "engine/ZInstallFileActionMgr.h"
#include "platform/kernel.h"

namespace {

void Answer(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

std::u16string FromUtf8(const std::string& text) {
  if (text.empty()) return std::u16string();
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

// Splits "WORD REST": the first word and what follows its blank.
std::string TakeWord(std::string* rest) {
  size_t blank = rest->find(' ');
  std::string word = rest->substr(0, blank);
  *rest = blank == std::string::npos ? std::string() : rest->substr(blank + 1);
  return word;
}

std::string Logged(int line) {
  return "logged " + std::to_string(line) + " " + std::to_string(GetCurrentThreadId());
}

void LogFromThread(int count) {
  const std::string tag = "t" + std::to_string(GetCurrentThreadId());
  const std::string filler(180, 'x');
  for (int i = 0; i < count; ++i)
    ZLOG(kLogError) << tag << " n" << i << " " << filler;
}

}  // namespace

int wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  std::string input;
  while (std::getline(std::cin, input)) {
    std::string rest = input;
    std::string command = TakeWord(&rest);
    if (command == "enabled") {
      bool enabled = IsLogEnabled();
      Answer("enabled " + std::to_string(enabled ? 1 : 0) + " threshold " +
             std::to_string(GetLogThreshold()));
    } else if (command == "log") {
      int32_t level = std::atoi(TakeWord(&rest).c_str());
      std::u16string text = FromUtf8(rest);
      const int line = __LINE__ + 1;
      ZLOG(level) << text;
      Answer(Logged(line));
    } else if (command == "mixed") {
      const int line = __LINE__ + 1;
      ZLOG(kLogError) << u"w" << std::u16string(u"-u16") << std::u16string_view(u"-view")
                      << u'!' << "-n\xC3\xA9" << std::string("-s") << ' ' << -7 << ' ' << 8u
                      << ' ' << -9L << ' ' << 10UL << ' ' << -11LL << ' '
                      << 18446744073709551615ULL << ' ' << static_cast<DWORD>(4000000000u);
      Answer(Logged(line));
    } else if (command == "threads") {
      int n = std::atoi(TakeWord(&rest).c_str());
      int count = std::atoi(TakeWord(&rest).c_str());
      std::vector<std::thread> threads;
      for (int i = 0; i < n; ++i) threads.emplace_back(LogFromThread, count);
      for (auto& t : threads) t.join();
      Answer("done");
    } else if (command == "lasterror" || command == "direct") {
      int32_t level = std::atoi(TakeWord(&rest).c_str());
      SetLastError(4242);
      DWORD before = GetLastError();
      if (command == "direct")
        LogLine(__FILE__, __LINE__, level) << FromUtf8(rest);
      else
        ZLOG(level) << FromUtf8(rest);
      DWORD after = GetLastError();
      Answer("lasterror " + std::to_string(before) + " " + std::to_string(after));
    } else if (command == "packet") {
      std::u16string config = FromUtf8(TakeWord(&rest));
      ZInstallFileActionMgr packet;
      packet.LoadPacket(config, FromUtf8(rest));
      Answer("records " + std::to_string(packet.size()));
    } else if (command == "exit") {
      return 0;
    } else {
      Answer("unknown " + command);
    }
  }
  return 0;
}
