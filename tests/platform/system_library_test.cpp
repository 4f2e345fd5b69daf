// Libraries from the system folder only: the layer's loading calls, the
// helper every caller goes through, and the search restriction at start.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/common/system_library.h"
#include "platform/kernel.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/system_info.h"
#include "tests/support/SimTestSupport.h"

namespace {

class SystemLibraryTest : public MachineTest {
 protected:
  void SetFact(const std::string& name, const std::string& value) {
    ASSERT_TRUE(SimHost::Machine()->SetFact(name, value));
  }
};

TEST_F(SystemLibraryTest, PathsNameLibrariesInTheSystemFolderOnly) {
  HMODULE kernel = LoadLibraryW(u"kernel32.dll");
  ASSERT_NE(kernel, nullptr);
  EXPECT_EQ(LoadLibraryW(u"c:/windows/SYSTEM32/kernel32.dll"), kernel);
  for (const char16_t* planted : {u"C:\\Program Files\\App\\kernel32.dll",
                                  u"C:\\Windows\\kernel32.dll", u".\\kernel32.dll",
                                  u"C:\\Windows\\System32\\sub\\kernel32.dll"}) {
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(planted), nullptr) << SimToUtf8(planted);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryExW(planted, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH), nullptr);
  }
}

TEST_F(SystemLibraryTest, LoadLibraryExTakesTheFlagsWindowsSevenKnows) {
  const DWORD bare = SimBareNameLibraryLoads();
  const DWORD system = SimSystemPathLibraryLoads();
  HMODULE kernel = LoadLibraryW(u"kernel32.dll");
  EXPECT_EQ(SimBareNameLibraryLoads(), bare + 1);
  EXPECT_EQ(LoadLibraryExW(u"kernel32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), kernel);
  EXPECT_EQ(LoadLibraryExW(u"C:\\Windows\\System32\\kernel32.dll", nullptr,
                           LOAD_WITH_ALTERED_SEARCH_PATH),
            kernel);
  EXPECT_EQ(SimBareNameLibraryLoads(), bare + 1) << "the system-folder search is no bare load";
  EXPECT_EQ(SimSystemPathLibraryLoads(), system + 2);

  for (DWORD flags : {DWORD{0x2}, DWORD{0x100}, DWORD{LOAD_WITH_ALTERED_SEARCH_PATH | LOAD_LIBRARY_SEARCH_SYSTEM32}}) {
    SetLastError(0);
    EXPECT_EQ(LoadLibraryExW(u"kernel32.dll", nullptr, flags), nullptr) << flags;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  int file = 0;
  EXPECT_EQ(LoadLibraryExW(u"kernel32.dll", &file, 0), nullptr);

  // Windows 7 SP1 without KB2533623: no SetDefaultDllDirectories, and the
  // search flags it brought are refused.
  SetFact("missing_entry_points", "kernel32.dll!SetDefaultDllDirectories");
  SetLastError(0);
  EXPECT_EQ(LoadLibraryExW(u"kernel32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(LoadLibraryExW(u"C:\\Windows\\System32\\kernel32.dll", nullptr,
                           LOAD_WITH_ALTERED_SEARCH_PATH),
            kernel);
}

TEST_F(SystemLibraryTest, TheHelperLoadsByFullPathAndRefusesPaths) {
  const DWORD bare = SimBareNameLibraryLoads();
  const DWORD system = SimSystemPathLibraryLoads();
  HMODULE wtsapi = LoadSystemLibrary(u"WTSAPI32.DLL");
  ASSERT_NE(wtsapi, nullptr);
  EXPECT_NE(GetProcAddress(wtsapi, "WTSQueryUserToken"), nullptr);
  EXPECT_EQ(SimSystemPathLibraryLoads(), system + 1);
  EXPECT_EQ(SimBareNameLibraryLoads(), bare);
  // Still works where the search flags are refused.
  SetFact("missing_entry_points", "kernel32.dll!SetDefaultDllDirectories");
  EXPECT_NE(LoadSystemLibrary(u"userenv.dll"), nullptr);

  for (const char16_t* name : {u"", u"..\\kernel32.dll", u"sub/kernel32.dll", u"C:kernel32.dll",
                               u"nosuch.dll"}) {
    SetLastError(0);
    EXPECT_EQ(LoadSystemLibrary(name), nullptr) << SimToUtf8(name);
    EXPECT_NE(GetLastError(), 0u);
  }
  EXPECT_EQ(LoadSystemLibrary(nullptr), nullptr);
  EXPECT_EQ(SimBareNameLibraryLoads(), bare);
}

// The process-wide settings are checked in a child, a fresh process.
constexpr char kChildVariable[] = "UNINST_LIBRARY_SEARCH_CHILD";

TEST(SystemLibraryChild, RestrictsTheSearch) {
  if (!std::getenv(kChildVariable)) return;
  const bool before = SimDefaultDllDirectories() == 0 && !SimCurrentFolderOutOfDllSearch();
  const bool restricted = RestrictLibrarySearch();
  std::printf("before %d restricted %d default 0x%x current-out %d bare %u\n", before ? 1 : 0,
              restricted ? 1 : 0, static_cast<unsigned>(SimDefaultDllDirectories()),
              SimCurrentFolderOutOfDllSearch() ? 1 : 0,
              static_cast<unsigned>(SimBareNameLibraryLoads()));
}

TEST_F(SystemLibraryTest, StartRestrictsTheSearchWhereTheSystemCan) {
  auto run = [this] {
    CommandResult child = RunCommand({SimHost::ExecutablePath(),
                                      "--gtest_filter=SystemLibraryChild.*"},
                                     {std::string(kChildVariable) + "=1",
                                      "SIMHOST_MACHINE=" + MachineDir()});
    EXPECT_EQ(child.exit_code, 0) << child.err;
    return child.out;
  };
  EXPECT_NE(run().find("before 1 restricted 1 default 0x800 current-out 1 bare 0"),
            std::string::npos);
  SetFact("missing_entry_points", "kernel32.dll!SetDefaultDllDirectories");
  EXPECT_NE(run().find("before 1 restricted 0 default 0x0 current-out 1 bare 0"),
            std::string::npos)
      << "without the update only the current folder goes";
}

}  // namespace
