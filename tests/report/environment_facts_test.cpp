// Environment facts: the kind of Windows from the version the machine reports,
// 64-bit detection, device-to-drive path conversion and the parent process chain.
// GetOsKind, IsNative64Bit and the process-wide device map are cached for the
// whole process, so the tests of those run in a fresh copy of this program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/text/SimUnicode.h"
#include "report/ZEnvironmentFacts.h"
#include "tests/support/SimTestSupport.h"

namespace {

class EnvironmentFactsTest : public MachineTest {
 protected:
  void SetFact(const std::string& name, const std::string& value) {
    ASSERT_TRUE(SimHost::Machine()->SetFact(name, value));
  }
  // Declares what GetVersionExW reports and, when nt_major >= 0, the kernel's own version.
  void Declare(int platform, int major, int minor, int product_type, int nt_major = -1,
               int nt_minor = -1) {
    SetFact("os_platform", std::to_string(platform));
    SetFact("os_major", std::to_string(major));
    SetFact("os_minor", std::to_string(minor));
    SetFact("os_product_type", std::to_string(product_type));
    if (nt_major >= 0) {
      SetFact("os_nt_major", std::to_string(nt_major));
      SetFact("os_nt_minor", std::to_string(nt_minor));
    }
  }
  void AddVolume(const std::string& letter, const std::string& device) {
    auto result = RunCommand({kSimhostPath, "volume", MachineDir(), letter, device});
    ASSERT_EQ(result.exit_code, 0) << result.err;
  }
  static std::string Utf8(const std::u16string& text) { return SimToUtf8(text); }

  // Runs body in a fresh process (this program, started again for this test
  // alone, with its own machine); body's checks report on standard error.
  // The child never returns to the fixture: it removes its machine itself.
  void InFreshProcess(const std::function<void()>& body) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
          body();
          std::fflush(stderr);
          ExitRemovingTempDirs(g_child_failures == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
  }
  static inline int g_child_failures = 0;
};

// For checks inside InFreshProcess: gtest's own assertions do not reach the parent.
#define CHILD_CHECK_EQ(actual, expected)                                             \
  do {                                                                               \
    auto a_ = (actual);                                                              \
    auto e_ = (expected);                                                            \
    if (!(a_ == e_)) {                                                               \
      std::fprintf(stderr, "%s:%d: %s is %lld, expected %lld\n", __FILE__, __LINE__, \
                   #actual, static_cast<long long>(a_), static_cast<long long>(e_)); \
      ++g_child_failures;                                                            \
    }                                                                                \
  } while (0)
#define CHILD_CHECK(condition)                                                         \
  do {                                                                                 \
    if (!(condition)) {                                                                \
      std::fprintf(stderr, "%s:%d: %s is false\n", __FILE__, __LINE__, #condition);   \
      ++g_child_failures;                                                              \
    }                                                                                  \
  } while (0)

struct OsRow {
  int platform, major, minor, product_type, nt_major, nt_minor;
  int kind;
};

TEST_F(EnvironmentFactsTest, OsKindFollowsTheReportedVersion) {
  const OsRow rows[] = {
      // Windows NT by version and product type (1 workstation, 2 domain controller, 3 server).
      {2, 6, 1, 1, -1, -1, kOsWin7},
      {2, 6, 1, 3, -1, -1, kOsWinServer2008},
      {2, 6, 1, 2, -1, -1, kOsWinServer2008},
      {2, 6, 0, 1, -1, -1, kOsWinVista},
      {2, 6, 0, 3, -1, -1, kOsWinServer2008},
      {2, 5, 2, 1, -1, -1, kOsWin2003},
      {2, 5, 2, 3, -1, -1, kOsWin2003},
      {2, 5, 1, 1, -1, -1, kOsWinXp},
      {2, 5, 0, 1, -1, -1, kOsWin2000},
      {2, 5, 0, 3, -1, -1, kOsWin2000},
      {2, 4, 0, 1, -1, -1, kOsWinNt4},
      {2, 3, 51, 3, -1, -1, kOsWinNt4},
      {2, 5, 3, 1, -1, -1, kOsUnknown},
      // 6.2 and later: the kernel's own version decides.
      {2, 6, 2, 1, -1, -1, kOsWin8},
      {2, 6, 2, 1, 6, 3, kOsWin81},
      {2, 6, 2, 1, 6, 4, kOsWin10},
      {2, 6, 2, 1, 10, 0, kOsWin10},
      {2, 6, 3, 1, -1, -1, kOsWin81},
      {2, 10, 0, 1, -1, -1, kOsWin10},
      {2, 6, 2, 1, 6, 5, kOsWin8},
      {2, 6, 2, 1, 10, 1, kOsWin8},
      {2, 7, 0, 1, -1, -1, kOsWin8},
      {2, 6, 9, 1, 11, 0, kOsWin8},
      // Servers of 6.2 and later are not told apart.
      {2, 6, 2, 3, -1, -1, kOsUnknown},
      {2, 6, 3, 2, -1, -1, kOsUnknown},
      {2, 10, 0, 3, 10, 0, kOsUnknown},
      // Neither NT nor 9x.
      {0, 3, 10, 1, -1, -1, kOsUnknown},
      {3, 10, 0, 1, -1, -1, kOsUnknown},
  };
  for (const auto& row : rows) {
    SetFact("os_nt_major", std::to_string(row.major));
    SetFact("os_nt_minor", std::to_string(row.minor));
    Declare(row.platform, row.major, row.minor, row.product_type, row.nt_major, row.nt_minor);
    EXPECT_EQ(ComputeOsKind(), row.kind)
        << "platform " << row.platform << " " << row.major << "." << row.minor << " type "
        << row.product_type << " kernel " << row.nt_major << "." << row.nt_minor;
  }
}

TEST_F(EnvironmentFactsTest, OsKindOfWindows9xFromTheBuildNumber) {
  const std::pair<const char*, int> builds[] = {
      {"950", kOsWin9x},          // 95: 4.0 in the high word
      {"0x040A07CE", kOsWin9x},   // 98
      {"0x0459FFFF", kOsWin9x},   // the last value of the lower kind
      {"0x045A0000", kOsWinMe},
      {"0x045A0BB8", kOsWinMe},   // Me
  };
  SetFact("os_platform", "1");
  SetFact("os_major", "4");
  SetFact("os_minor", "0");
  for (const auto& [build, kind] : builds) {
    SetFact("os_build", build);
    EXPECT_EQ(ComputeOsKind(), kind) << build;
  }
  SetFact("os_build", "3000");
  SetFact("os_minor", "90");
  EXPECT_EQ(ComputeOsKind(), kOsWinMe);
}

TEST_F(EnvironmentFactsTest, OsKindOfMachinesMadeBySimhost) {
  struct Made {
    std::vector<std::string> options;
    int kind;
  };
  const Made machines[] = {
      {{"--windows", "6.1"}, kOsWin7},
      {{"--windows", "6.1.7600", "--server"}, kOsWinServer2008},
      {{"--windows", "5.1", "--arch", "x86"}, kOsWinXp},
      {{"--windows", "6.3"}, kOsWin81},
      {{"--windows", "10.0", "--server"}, kOsUnknown},
      {{"--platform", "1", "--windows", "4.90"}, kOsWinMe},
      {{"--platform", "1", "--windows", "4.10"}, kOsWin9x},
      {{}, kOsWin10},
  };
  TempDir dir;
  int n = 0;
  for (const auto& made : machines) {
    std::string machine = dir.Path() + "/m" + std::to_string(n++);
    std::vector<std::string> argv = {kSimhostPath, "new", machine};
    argv.insert(argv.end(), made.options.begin(), made.options.end());
    auto result = RunCommand(argv);
    ASSERT_EQ(result.exit_code, 0) << result.err;
    ASSERT_TRUE(SimHost::UseMachine(machine));
    EXPECT_EQ(ComputeOsKind(), made.kind) << machine;
  }
}

TEST_F(EnvironmentFactsTest, OsKindWhenGetVersionExFails) {
  Declare(2, 6, 1, 1);
  SetFact("getversionex_fails", "extended");
  // The basic structure has no product type: not a workstation.
  EXPECT_EQ(ComputeOsKind(), kOsWinServer2008);
  Declare(2, 5, 1, 1);
  EXPECT_EQ(ComputeOsKind(), kOsWinXp);
  Declare(2, 10, 0, 1);
  EXPECT_EQ(ComputeOsKind(), kOsUnknown);
  SetFact("getversionex_fails", "all");
  Declare(2, 5, 1, 1);
  EXPECT_EQ(ComputeOsKind(), kOsUnknown);
}

TEST_F(EnvironmentFactsTest, KernelVersionFallsBackToTheKernelImage) {
  Declare(2, 6, 2, 1, 6, 3);
  EXPECT_EQ(ComputeOsKind(), kOsWin81);
  SetFact("missing_entry_points", "ntdll.dll!RtlGetNtVersionNumbers");
  EXPECT_EQ(ComputeOsKind(), kOsWin81);  // from ntoskrnl.exe's version resource
  Declare(2, 6, 2, 1, 10, 0);
  EXPECT_EQ(ComputeOsKind(), kOsWin10);
  // Neither source: the plain 6.2 answer.
  ASSERT_EQ(unlink(Real("Windows/System32/ntoskrnl.exe").c_str()), 0);
  EXPECT_EQ(ComputeOsKind(), kOsWin8);
  // With the export there the missing image does not matter.
  SetFact("missing_entry_points", "");
  EXPECT_EQ(ComputeOsKind(), kOsWin10);
  SetFact("missing_libraries", "ntdll.dll");
  EXPECT_EQ(ComputeOsKind(), kOsWin8);
}

TEST_F(EnvironmentFactsTest, Native64BitFromTheNativeProcessor) {
  EXPECT_EQ(ComputeNative64Bit(), 2);  // x64, though this program is 32-bit
  const std::pair<const char*, int> architectures[] = {{"6", 2}, {"7", 2}, {"9", 2},
                                                       {"0", 1}, {"12", 1}, {"5", 1}};
  for (const auto& [architecture, expected] : architectures) {
    SetFact("processor_architecture", architecture);
    EXPECT_EQ(ComputeNative64Bit(), expected) << architecture;
  }
  SetFact("processor_architecture", "9");
  SetFact("missing_entry_points", "kernel32.dll!GetNativeSystemInfo");
  EXPECT_EQ(ComputeNative64Bit(), 1);
  RecreateMachine(false);
  EXPECT_EQ(ComputeNative64Bit(), 1);
}

TEST_F(EnvironmentFactsTest, CachedFactsAreFilledOnceAndUnknownIsRetried) {
  InFreshProcess([this] {
    SetFact("getversionex_fails", "all");
    CHILD_CHECK_EQ(GetOsKind(), kOsUnknown);
    CHILD_CHECK_EQ(OsKindCacheFills(), 0);
    SetFact("getversionex_fails", "");
    Declare(2, 6, 1, 1);
    CHILD_CHECK_EQ(GetOsKind(), kOsWin7);  // tried again
    Declare(2, 5, 1, 1);
    CHILD_CHECK_EQ(GetOsKind(), kOsWin7);  // kept
    CHILD_CHECK_EQ(ComputeOsKind(), kOsWinXp);
    CHILD_CHECK_EQ(OsKindCacheFills(), 1);

    CHILD_CHECK_EQ(IsNative64Bit(), 2);
    SetFact("processor_architecture", "0");
    CHILD_CHECK_EQ(IsNative64Bit(), 2);
    CHILD_CHECK_EQ(ComputeNative64Bit(), 1);
  });
}

TEST_F(EnvironmentFactsTest, ThreadsAskingAtOnceFillTheCacheOnce) {
  InFreshProcess([] {
    constexpr int kThreads = 8;
    std::atomic<int> waiting{kThreads};
    std::vector<int> kinds(kThreads, -1);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
      threads.emplace_back([&, i] {
        waiting.fetch_sub(1);
        while (waiting.load() > 0) {
        }
        kinds[i] = GetOsKind();
      });
    for (auto& t : threads) t.join();
    for (int kind : kinds) CHILD_CHECK_EQ(kind, kOsWin10);
    CHILD_CHECK_EQ(OsKindCacheFills(), 1);
  });
}

TEST_F(EnvironmentFactsTest, DevicePathsBecomeDrivePaths) {
  AddVolume("C", "\\Device\\HarddiskVolume1");
  AddVolume("K", "\\Device\\HarddiskVolume10");
  AddVolume("E", "");  // a drive without a device
  DevicePathMap map;
  EXPECT_EQ(map.Status(), DevicePathMap::kNotBuilt);
  map.Build();
  ASSERT_EQ(map.Status(), DevicePathMap::kBuilt);
  ASSERT_EQ(map.Pairs().size(), 2u);
  EXPECT_EQ(map.Pairs()[0].first, u"\\Device\\HarddiskVolume1");
  EXPECT_EQ(map.Pairs()[0].second, u"C:");
  EXPECT_EQ(map.Pairs()[1].second, u"K:");

  struct Case {
    std::u16string in;
    bool converted;
    std::u16string out;
  };
  const Case cases[] = {
      // Volume1 comes first, but is only a prefix of Volume10's name.
      {u"\\Device\\HarddiskVolume10\\Data\\a.exe", true, u"K:\\Data\\a.exe"},
      {u"\\Device\\HarddiskVolume1\\Windows\\b.exe", true, u"C:\\Windows\\b.exe"},
      {u"\\device\\HARDDISKVOLUME1\\x", true, u"C:\\x"},
      {u"\\Device\\HarddiskVolume1", true, u"C:"},
      {u"\\Device\\HarddiskVolume10", true, u"K:"},
      {u"\\Device\\HarddiskVolume2\\x.exe", false, u"\\Device\\HarddiskVolume2\\x.exe"},
      {u"\\Device\\HarddiskVolume1x\\y", false, u"\\Device\\HarddiskVolume1x\\y"},
      {u"\\Device\\HarddiskVolume", false, u"\\Device\\HarddiskVolume"},
      {u"C:\\already", false, u"C:\\already"},
      {u"", false, u""},
  };
  for (const auto& c : cases) {
    std::u16string path = c.in;
    EXPECT_EQ(map.ToDrivePath(&path), c.converted) << Utf8(c.in);
    EXPECT_EQ(path, c.out) << Utf8(c.in);
  }
  EXPECT_FALSE(map.ToDrivePath(nullptr));
}

TEST_F(EnvironmentFactsTest, DeviceMapIsReadOnceAndCanFail) {
  AddVolume("D", "\\Device\\HarddiskVolume3");
  DevicePathMap early;
  std::u16string path = u"\\Device\\HarddiskVolume3\\a";
  EXPECT_TRUE(early.ToDrivePath(&path));  // builds itself
  EXPECT_EQ(path, u"D:\\a");
  EXPECT_EQ(early.Status(), DevicePathMap::kBuilt);

  AddVolume("F", "\\Device\\HarddiskVolume4");
  early.Build();
  path = u"\\Device\\HarddiskVolume4\\a";
  EXPECT_FALSE(early.ToDrivePath(&path));  // built before F came
  DevicePathMap late;
  EXPECT_TRUE(late.ToDrivePath(&path));
  EXPECT_EQ(path, u"F:\\a");

  // No drives at all: listing them fails and so does the map.
  for (const char* letter : {"C", "D", "F"}) AddVolume(letter, "--remove");
  DevicePathMap failed;
  path = u"\\Device\\HarddiskVolume2\\a";
  EXPECT_FALSE(failed.ToDrivePath(&path));
  EXPECT_EQ(failed.Status(), DevicePathMap::kFailed);
  EXPECT_EQ(path, u"\\Device\\HarddiskVolume2\\a");
}

TEST_F(EnvironmentFactsTest, ProcessDeviceMapIsSharedAndBuiltOnce) {
  InFreshProcess([this] {
    DevicePathMap& map = ProcessDevicePathMap();
    CHILD_CHECK(&map == &ProcessDevicePathMap());
    CHILD_CHECK_EQ(static_cast<int>(map.Status()), static_cast<int>(DevicePathMap::kNotBuilt));
    std::vector<std::thread> threads;
    std::atomic<int> converted{0};
    for (int i = 0; i < 4; ++i)
      threads.emplace_back([&] {
        std::u16string path = u"\\Device\\HarddiskVolume2\\Users";
        if (ProcessDevicePathMap().ToDrivePath(&path) && path == u"C:\\Users") ++converted;
      });
    for (auto& t : threads) t.join();
    CHILD_CHECK_EQ(converted.load(), 4);
    AddVolume("G", "\\Device\\HarddiskVolume7");
    std::u16string path = u"\\Device\\HarddiskVolume7\\x";
    CHILD_CHECK(!map.ToDrivePath(&path));
    CHILD_CHECK_EQ(map.Pairs().size(), 1u);
  });
}

// A chain of programs inside the machine: outer.exe starts middle.exe, which
// starts inner.exe; inner prints its process id and waits for its input to close.
class ParentChainTest : public EnvironmentFactsTest {
 protected:
  DWORD StartChain(ChildProcess* child) {
    for (const char* name : {"outer.exe", "middle.exe", "inner.exe"})
      RunCommand({"/bin/cp", "/bin/sh", Real("Tools/" + std::string(name))});
    WriteTextFile(MachineDir() + "/../outer.sh", "\"$MIDDLE\" \"$MIDDLE_SCRIPT\"\nexit 0\n");
    WriteTextFile(MachineDir() + "/../middle.sh", "\"$INNER\" -c 'echo $$; read x'\nexit 0\n");
    if (!child->Start(Real("Tools/outer.exe"), {MachineDir() + "/../outer.sh"},
                      {"SIMHOST_MACHINE=" + MachineDir(), "MIDDLE=" + Real("Tools/middle.exe"),
                       "INNER=" + Real("Tools/inner.exe"),
                       "MIDDLE_SCRIPT=" + MachineDir() + "/../middle.sh"}))
      return 0;
    return static_cast<DWORD>(std::atol(child->ReadLine().c_str()));
  }
  void SetUp() override {
    EnvironmentFactsTest::SetUp();
    RunCommand({"/bin/mkdir", "-p", Real("Tools")});
  }
  void CheckChain() {
    ChildProcess chain;
    DWORD inner = StartChain(&chain);
    CHILD_CHECK(inner != 0);
    std::vector<std::u16string> list = {u"left over"};
    CHILD_CHECK(GetParentProcessPath(inner, 0, &list));
    CHILD_CHECK_EQ(list.size(), 1u);
    CHILD_CHECK(!list.empty() && list[0] == u"C:\\Tools\\middle.exe");
    CHILD_CHECK(GetParentProcessPath(inner, 1, &list));
    CHILD_CHECK_EQ(list.size(), 2u);
    CHILD_CHECK(list.size() == 2 && list[1] == u"C:\\Tools\\outer.exe");
    // outer.exe was started by this program, which may open itself; the chain
    // ends with this program's parent, which is no process of the machine.
    CHILD_CHECK(GetParentProcessPath(inner, 5, &list));
    CHILD_CHECK_EQ(list.size(), 3u);
    CHILD_CHECK(list.size() == 3 && !list[2].empty() &&
                list[2] == GetProcessImagePath(static_cast<DWORD>(getpid())));
    CHILD_CHECK(!GetParentProcessPath(static_cast<DWORD>(getpid()), 3, &list));
    CHILD_CHECK(list.empty());
    CHILD_CHECK_EQ(GetParentProcessId(0x7FFFFFF0u), 0xFFFFFFFFu);
    CHILD_CHECK(GetProcessImagePath(inner) == u"C:\\Tools\\inner.exe");
  }
};

TEST_F(ParentChainTest, AncestorsThroughTheImageFileName) {
  InFreshProcess([this] {
    CHILD_CHECK_EQ(GetOsKind(), kOsWin10);
    CheckChain();
  });
}

TEST_F(ParentChainTest, AncestorsThroughTheMainModuleBeforeVista) {
  InFreshProcess([this] {
    Declare(2, 5, 1, 1);
    // Only the older way works: the newer one cannot be what found the paths.
    SetFact("missing_entry_points", "psapi.dll!GetProcessImageFileNameW");
    CHILD_CHECK_EQ(GetOsKind(), kOsWinXp);
    CheckChain();
  });
}

TEST_F(ParentChainTest, NoAncestorsWithoutTheImageFunction) {
  InFreshProcess([this] {
    SetFact("missing_entry_points", "psapi.dll!GetProcessImageFileNameW");
    ChildProcess chain;
    DWORD inner = StartChain(&chain);
    std::vector<std::u16string> list;
    CHILD_CHECK(!GetParentProcessPath(inner, 2, &list));
    CHILD_CHECK(list.empty());
    SetFact("missing_entry_points", "ntdll.dll!NtQueryInformationProcess");
    CHILD_CHECK_EQ(GetParentProcessId(inner), 0xFFFFFFFFu);
    CHILD_CHECK(!GetParentProcessPath(inner, 0, &list));
  });
}

}  // namespace
