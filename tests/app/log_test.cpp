// The diagnostic log, end to end: each case runs logproc (tests/helpers) as
// C:\...\u.exe inside a fresh machine, so the process-wide log state starts
// clean and the log lands where a real program's would.
#include <time.h>
#include <unistd.h>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/log/ZLog.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "tests/support/SimTestSupport.h"

namespace {

const char* const kLogprocPath = UNINST_LOGPROC_PATH;
constexpr size_t kTenMiB = 0xA00000;

std::string LocalNow() {
  time_t now = time(nullptr);
  struct tm tm;
  localtime_r(&now, &tm);
  char text[32];
  strftime(text, sizeof(text), "%m-%d %H:%M:%S", &tm);
  return text;
}

std::string PaddedId(const std::string& id) {
  return id.size() < 5 ? id + std::string(5 - id.size(), ' ') : id;
}

// The lines of a log, each without its CR LF; a trailing fragment fails the test.
std::vector<std::string> Lines(const std::string& log) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < log.size()) {
    size_t end = log.find("\r\n", at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "unterminated line: " << log.substr(at);
      break;
    }
    lines.push_back(log.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

struct ParsedLine {
  std::string thread_field;  // with its padding
  std::string time;
  std::string level;  // with its padding
  std::string file;
  std::string text;
};

bool Parse(const std::string& line, ParsedLine* out) {
  static const std::regex kLayout(
      R"(\[([0-9]+ *)\|([0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2})\|( *[A-Z]+)\|([^\]]*)\] ([^]*))");
  std::smatch m;
  if (!std::regex_match(line, m, kLayout)) return false;
  *out = ParsedLine{m[1], m[2], m[3], m[4], m[5]};
  return true;
}

class LogTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    if (!HasFatalFailure()) Install("Tools");
  }

  // Puts the logging program at C:\<dir>\u.exe.
  void Install(const std::string& dir) {
    dir_ = dir;
    ASSERT_EQ(RunCommand({"/bin/mkdir", "-p", Real(dir)}).exit_code, 0);
    ASSERT_EQ(RunCommand({"/bin/cp", kLogprocPath, Program()}).exit_code, 0);
  }

  std::string Program() const { return Real(dir_ + "/u.exe"); }
  std::string LogDir() const { return Real(dir_ + "/log"); }
  std::string LogPath() const { return LogDir() + "/u.exe.log"; }
  std::string ReadLog() const { return ReadTextFile(LogPath()); }

  void Start(ChildProcess* child) { ASSERT_TRUE(StartInMachine(child, Program(), {})); }

  static std::string Ask(ChildProcess* child, const std::string& command) {
    EXPECT_TRUE(child->WriteLine(command));
    return child->ReadLine();
  }

  static void Finish(ChildProcess* child) {
    child->WriteLine("exit");
    EXPECT_EQ(child->Wait(), 0);
  }

  // "logged LINE TID" -> {LINE, TID}
  static std::pair<std::string, std::string> LoggedAt(const std::string& answer) {
    std::smatch m;
    static const std::regex kLogged("logged ([0-9]+) ([0-9]+)");
    if (!std::regex_match(answer, m, kLogged)) {
      ADD_FAILURE() << "unexpected answer: " << answer;
      return {};
    }
    return {m[1], m[2]};
  }

  // LogLevel under HKLM as a 32-bit program sees it; null data removes it.
  static void SetLogLevel(DWORD type, const BYTE* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Vantrell\\sentinor\\sysopt", 0,
                              nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    if (data)
      EXPECT_EQ(RegSetValueExW(key, u"LogLevel", 0, type, data, size), ERROR_SUCCESS);
    else
      RegDeleteValueW(key, u"LogLevel");
    RegCloseKey(key);
  }

 private:
  std::string dir_;
};

TEST_F(LogTest, LineLayoutAndText) {
  ChildProcess child;
  Start(&child);
  EXPECT_EQ(Ask(&child, "enabled"), "enabled 1 threshold 1");
  std::string before = LocalNow();
  auto [line, tid] = LoggedAt(Ask(&child, "log 3 hello world"));
  std::string after = LocalNow();
  const std::string unicode = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80";
  LoggedAt(Ask(&child, "log 2 " + unicode));
  auto [mixed_line, mixed_tid] = LoggedAt(Ask(&child, "mixed"));
  Finish(&child);

  std::string log = ReadLog();
  std::vector<std::string> lines = Lines(log);
  ASSERT_EQ(lines.size(), 3u) << log;

  ParsedLine first;
  ASSERT_TRUE(Parse(lines[0], &first)) << lines[0];
  EXPECT_EQ(lines[0], "[" + PaddedId(tid) + "|" + first.time + "|  ERROR|logproc.cpp:" + line +
                          "] hello world");
  EXPECT_LE(before, first.time);
  EXPECT_GE(after, first.time);

  ParsedLine second;
  ASSERT_TRUE(Parse(lines[1], &second)) << lines[1];
  EXPECT_EQ(second.level, "WARNING");
  EXPECT_EQ(second.text, unicode);

  EXPECT_EQ(lines[2], "[" + PaddedId(mixed_tid) + "|" + lines[2].substr(7, 14) +
                          "|  ERROR|logproc.cpp:" + mixed_line +
                          "] w-u16-view!-n\xC3\xA9-s -7 8 -9 10 -11 18446744073709551615 4000000000");
}

TEST_F(LogTest, LogLevelSettingChoosesWhatIsWritten) {
  struct Case {
    const char* name;
    DWORD type;
    std::vector<BYTE> data;  // empty: no value
    int threshold;
  };
  const std::vector<Case> cases = {
      {"missing", REG_DWORD, {}, 1},           {"0", REG_DWORD, {0, 0, 0, 0}, 0},
      {"1", REG_DWORD, {1, 0, 0, 0}, 1},       {"2", REG_DWORD, {2, 0, 0, 0}, 2},
      {"3", REG_DWORD, {3, 0, 0, 0}, 3},       {"4", REG_DWORD, {4, 0, 0, 0}, 3},
      {"5", REG_DWORD, {5, 0, 0, 0}, 1},       {"7", REG_DWORD, {7, 0, 0, 0}, 1},
      {"binary 2", REG_BINARY, {2, 0, 0, 0}, 2},
  };
  const char* const names[] = {"  DEBUG", "   INFO", "WARNING", "  ERROR"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetLogLevel(c.type, c.data.empty() ? nullptr : c.data.data(),
                static_cast<DWORD>(c.data.size()));
    unlink(LogPath().c_str());
    ChildProcess child;
    Start(&child);
    EXPECT_EQ(Ask(&child, "enabled"), "enabled 1 threshold " + std::to_string(c.threshold));
    for (int level = 0; level <= 3; ++level)
      Ask(&child, "log " + std::to_string(level) + " level" + std::to_string(level));
    Finish(&child);

    std::set<int> written;
    for (const std::string& text : Lines(ReadLog())) {
      ParsedLine parsed;
      ASSERT_TRUE(Parse(text, &parsed)) << text;
      int level = parsed.text.back() - '0';
      EXPECT_EQ(parsed.level, names[level]);
      written.insert(level);
    }
    std::set<int> expected;
    for (int level = c.threshold; level <= 3; ++level) expected.insert(level);
    EXPECT_EQ(written, expected);
  }
}

TEST_F(LogTest, UnknownAndFatalLevels) {
  ChildProcess child;
  Start(&child);
  LoggedAt(Ask(&child, "log 9 odd"));
  // A fatal line is written, then the program ends with 1 before it answers.
  EXPECT_TRUE(child.WriteLine("log 4 the end"));
  EXPECT_EQ(child.Wait(), 1);

  std::vector<std::string> lines = Lines(ReadLog());
  ASSERT_EQ(lines.size(), 2u);
  ParsedLine odd, fatal;
  ASSERT_TRUE(Parse(lines[0], &odd)) << lines[0];
  ASSERT_TRUE(Parse(lines[1], &fatal)) << lines[1];
  EXPECT_EQ(odd.level, "UNKNOWN");
  EXPECT_EQ(odd.text, "odd");
  EXPECT_EQ(fatal.level, "  FATAL");
  EXPECT_EQ(fatal.text, "the end");
}

TEST_F(LogTest, OversizedFileIsEmptiedWhenOpened) {
  ASSERT_EQ(RunCommand({"/bin/mkdir", "-p", LogDir()}).exit_code, 0);
  for (size_t size : {kTenMiB + 1, kTenMiB}) {
    SCOPED_TRACE(size);
    ASSERT_TRUE(WriteTextFile(LogPath(), std::string(size, 'a')));
    ChildProcess child;
    Start(&child);
    LoggedAt(Ask(&child, "log 3 fresh"));
    Finish(&child);
    std::string log = ReadLog();
    std::string kept = size > kTenMiB ? std::string() : std::string(size, 'a');
    ASSERT_GT(log.size(), kept.size());
    EXPECT_TRUE(log.compare(0, kept.size(), kept) == 0);
    std::string added = log.substr(kept.size());
    EXPECT_EQ(added.front(), '[');
    EXPECT_EQ(added.substr(added.size() - 9), "] fresh\r\n");
    EXPECT_EQ(Lines(added).size(), 1u);
  }
}

TEST_F(LogTest, UnwritableFolderKeepsLoggingOffAndRetries) {
  // A file where the log folder belongs.
  ASSERT_TRUE(WriteTextFile(LogDir(), "in the way"));
  ChildProcess child;
  Start(&child);
  EXPECT_EQ(Ask(&child, "enabled"), "enabled 0 threshold 1");
  LoggedAt(Ask(&child, "log 3 lost"));
  EXPECT_EQ(Ask(&child, "lasterror 3 lost too"), "lasterror 4242 4242");
  // Written regardless of the enabled state: the failed open must not leak its error.
  EXPECT_EQ(Ask(&child, "direct 3 lost as well"), "lasterror 4242 4242");
  EXPECT_EQ(Ask(&child, "enabled"), "enabled 0 threshold 1");
  EXPECT_EQ(ReadTextFile(LogDir()), "in the way");

  ASSERT_EQ(unlink(LogDir().c_str()), 0);
  EXPECT_EQ(Ask(&child, "enabled"), "enabled 1 threshold 1");
  LoggedAt(Ask(&child, "log 3 kept"));
  Finish(&child);
  std::vector<std::string> lines = Lines(ReadLog());
  ASSERT_EQ(lines.size(), 1u);
  ParsedLine parsed;
  ASSERT_TRUE(Parse(lines[0], &parsed)) << lines[0];
  EXPECT_EQ(parsed.text, "kept");
}

TEST_F(LogTest, LastErrorSurvivesLogging) {
  ChildProcess child;
  Start(&child);
  // The first message also enables the log.
  EXPECT_EQ(Ask(&child, "lasterror 3 first"), "lasterror 4242 4242");
  EXPECT_EQ(Ask(&child, "lasterror 3 second"), "lasterror 4242 4242");
  EXPECT_EQ(Ask(&child, "lasterror 0 filtered"), "lasterror 4242 4242");
  Finish(&child);
  EXPECT_EQ(Lines(ReadLog()).size(), 2u);
}

TEST_F(LogTest, ProcessesAndThreadsNeverInterleaveLines) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 150;
  ChildProcess children[2];
  for (auto& child : children) {
    Start(&child);
    ASSERT_EQ(Ask(&child, "enabled"), "enabled 1 threshold 1");
  }
  const std::string command =
      "threads " + std::to_string(kThreads) + " " + std::to_string(kPerThread);
  for (auto& child : children) child.WriteLine(command);
  for (auto& child : children) EXPECT_EQ(child.ReadLine(30000), "done");
  for (auto& child : children) Finish(&child);

  static const std::regex kText("t([0-9]+) n([0-9]+) x{180}");
  std::map<std::string, int> next_by_thread;
  std::vector<std::string> lines = Lines(ReadLog());
  EXPECT_EQ(lines.size(), 2u * kThreads * kPerThread);
  for (const std::string& line : lines) {
    ParsedLine parsed;
    std::smatch m;
    ASSERT_TRUE(Parse(line, &parsed)) << line;
    ASSERT_TRUE(std::regex_match(parsed.text, m, kText)) << line;
    EXPECT_EQ(parsed.level, "  ERROR");
    EXPECT_EQ(parsed.thread_field, PaddedId(m[1])) << line;
    int& next = next_by_thread[m[1]];
    EXPECT_EQ(std::stoi(m[2]), next) << line;
    ++next;
  }
  EXPECT_EQ(next_by_thread.size(), 2u * kThreads);
  for (const auto& [thread, count] : next_by_thread) EXPECT_EQ(count, kPerThread) << thread;
}

// The log mutex's name follows the log file's path; other programs that hold
// it keep the writer waiting.
TEST_F(LogTest, WritesWaitForTheNamedMutex) {
  Install("Program Files/Sample Product");
  ChildProcess child;
  Start(&child);
  ASSERT_EQ(Ask(&child, "enabled"), "enabled 1 threshold 1");

  HANDLE mutex =
      OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE,
                 u"Global\\C:/Program Files/Sample Product/log/u.exe.log");
  ASSERT_NE(mutex, nullptr) << GetLastError();
  ASSERT_EQ(WaitForSingleObject(mutex, 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(child.WriteLine("log 3 waited"));
  EXPECT_EQ(child.ReadLine(400), "");
  EXPECT_EQ(ReadLog(), "");
  ReleaseMutex(mutex);
  LoggedAt(child.ReadLine());
  CloseHandle(mutex);
  Finish(&child);
  std::vector<std::string> lines = Lines(ReadLog());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("] waited"), std::string::npos);
}

// ---- The install packet loader's lines ----

// {level, text} of each line of a log, in order.
std::vector<std::pair<std::string, std::string>> LevelsAndTexts(const std::string& log) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const std::string& line : Lines(log)) {
    ParsedLine parsed;
    EXPECT_TRUE(Parse(line, &parsed)) << line;
    out.push_back({parsed.level, parsed.text});
  }
  return out;
}

std::string Scrambled(const std::string& xml) {
  std::string out = ".tmp";
  for (char c : xml) out += static_cast<char>(c ^ 0xA7);
  return out;
}

TEST_F(LogTest, PacketLoaderWritesItsFixedLinesAtTheirLevels) {
  using Expected = std::vector<std::pair<std::string, std::string>>;
  struct Case {
    const char* what;
    std::string file;  // empty: no file at all
    std::string records;
    Expected expected;
  };
  const std::vector<Case> cases = {
      {"no file", "", "records 0",
       {{"  ERROR", "decrypt install config file failed, lpDecryptBuffer = null"},
        {"  ERROR", "decrypt install config file failed"}}},
      {"wrong magic", "XXXX<packet/>", "records 0",
       {{"  ERROR", "decrypt install config file failed, lpDecryptBuffer = null"},
        {"  ERROR", "decrypt install config file failed"}}},
      // Each of the four sections parses the text anew, and says so each time.
      {"not XML", Scrambled("this is <not xml"), "records 0",
       Expected(4, {"   INFO", "parse xml data failed, wrong format"})},
      {"one list of four",
       Scrambled("<packet><installfile><filelist><item path=\"a\"/><item path=\"b\"/>"
                 "</filelist></installfile></packet>"),
       "records 2",
       {{"   INFO", "not found relative submode : packet\\installfile\\dirlist\\item"},
        {"   INFO", "not found relative submode : packet\\uninstallfile\\filelist\\item"},
        {"   INFO", "not found relative submode : packet\\uninstallfile\\dirlist\\item"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    unlink(LogPath().c_str());
    unlink(Real("Tools/installConfig.dat").c_str());
    if (!c.file.empty()) {
      ASSERT_TRUE(WriteTextFile(Real("Tools/installConfig.dat"), c.file));
    }
    ChildProcess child;
    Start(&child);
    EXPECT_EQ(Ask(&child, "packet C:\\Tools\\installConfig.dat C:\\Tools\\"), c.records);
    Finish(&child);
    EXPECT_EQ(LevelsAndTexts(ReadLog()), c.expected);
  }
}

TEST(LogThresholdTest, ClampsAtError) {
  const int32_t saved = GetLogThreshold();
  for (auto [given, kept] : {std::pair{0, 0}, {2, 2}, {3, 3}, {4, 3}, {100, 3}}) {
    SetLogThreshold(given);
    EXPECT_EQ(GetLogThreshold(), kept) << given;
  }
  SetLogThreshold(saved);
}

}  // namespace
