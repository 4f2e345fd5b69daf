// ShellExecuteW on the simulated host: a program of the machine is started
// with its parameters and show flag; links and documents are only recorded;
// every call lands in the machine's record with its result.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "platform/sim/files/SimShellLog.h"
#include "tests/support/SimTestSupport.h"

namespace {

using ShellExecuteTest = MachineTest;

intptr_t Open(const char16_t* verb, const char16_t* file, const char16_t* parameters = nullptr,
              const char16_t* directory = nullptr) {
  return reinterpret_cast<intptr_t>(ShellExecuteW(nullptr, verb, file, parameters, directory, SW_SHOWNORMAL));
}

TEST_F(ShellExecuteTest, StartsProgramsRecordsEveryCallAndFailsAsWindowsDoes) {
  InstallHelper(u"C:\\Tools", "simproc.exe");
  ASSERT_GT(Open(u"open", u"C:\\Tools\\simproc.exe", u"identity C:\\shown.txt exit 0"), 32);
  // Relative to the directory given, and with no verb (the default, "open").
  ASSERT_GT(Open(nullptr, u"simproc.exe", u"identity C:\\second.txt exit 0", u"C:\\Tools"), 32);
  std::string first, second;
  for (int i = 0; i < 500 && (first.find("cmdline") == std::string::npos ||
                              second.find("cmdline") == std::string::npos); ++i) {
    usleep(10000);
    first = ReadTextFile(Real("shown.txt"));
    second = ReadTextFile(Real("second.txt"));
  }
  EXPECT_NE(first.find("show 1"), std::string::npos) << first;
  EXPECT_NE(first.find("cmdline \"C:\\Tools\\simproc.exe\" identity C:\\shown.txt exit 0"),
            std::string::npos) << first;
  EXPECT_NE(second.find("cmdline"), std::string::npos) << second;

  EXPECT_GT(Open(u"open", u"https://example.invalid/page?a=1"), 32);
  EXPECT_EQ(Open(u"open", u"C:\\Tools\\missing.exe"), SE_ERR_FNF);
  EXPECT_EQ(Open(u"open", u"C:\\NoFolder\\missing.exe"), SE_ERR_PNF);
  EXPECT_EQ(Open(u"print", u"C:\\Tools\\simproc.exe"), SE_ERR_NOASSOC);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
  EXPECT_EQ(Open(u"open", u""), SE_ERR_FNF);

  const std::vector<SimShellCall> calls = SimReadShellCalls();
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[0].verb, "open");
  EXPECT_EQ(calls[0].file, "C:\\Tools\\simproc.exe");
  EXPECT_EQ(calls[0].parameters, "identity C:\\shown.txt exit 0");
  EXPECT_EQ(calls[0].show, SW_SHOWNORMAL);
  EXPECT_EQ(calls[1].verb, "");
  EXPECT_EQ(calls[1].directory, "C:\\Tools");
  EXPECT_EQ(calls[2].file, "https://example.invalid/page?a=1");
  EXPECT_EQ(calls[3].result, SE_ERR_FNF);
  EXPECT_EQ(calls[5].result, SE_ERR_NOASSOC);
}

}  // namespace
