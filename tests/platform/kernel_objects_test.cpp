// Named mappings, mutexes and events within a process and between processes
// of one machine.
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/text/SimUnicode.h"
#include "tests/support/SimTestSupport.h"

namespace {

HANDLE CreateMapping(const std::u16string& name, DWORD size = 4096) {
  return CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name.c_str());
}

class KernelObjectsTest : public MachineTest {
 protected:
  // Starts the helper inside the machine; it prints "ready" once set up.
  void StartHelper(ChildProcess* child, const std::vector<std::string>& args,
                   const std::string& first_line = "ready") {
    ASSERT_TRUE(StartInMachine(child, Helper(), args));
    ASSERT_EQ(child->ReadLine(), first_line);
  }
  const std::string& Helper() {
    if (helper_.empty()) helper_ = InstallHelper(u"C:\\Tools", "simproc.exe");
    return helper_;
  }
  static void KillAndReap(ChildProcess* child) {
    child->Kill(9);
    ASSERT_EQ(child->Wait(), 128 + 9);
  }

 private:
  std::string helper_;
};

TEST_F(KernelObjectsTest, NamedMappingExistsExactlyWhileAProcessHoldsIt) {
  ChildProcess holder;
  StartHelper(&holder, {"hold-mapping", "Local\\Guard", "4"});

  HANDLE same = CreateMapping(u"Local\\Guard", 4);
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  HANDLE unprefixed = CreateMapping(u"Guard", 4);  // no prefix means Local
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  HANDLE global = CreateMapping(u"Global\\Guard", 4);
  ASSERT_NE(global, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  for (HANDLE h : {same, unprefixed, global}) CloseHandle(h);

  KillAndReap(&holder);
  EXPECT_EQ(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, u"Local\\Guard"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  HANDLE fresh = CreateMapping(u"Local\\Guard", 4);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  CloseHandle(fresh);
}

TEST_F(KernelObjectsTest, MappedMemoryIsSharedBetweenProcesses) {
  HANDLE mapping = CreateMapping(u"Shared", 2 * 65536);
  ASSERT_NE(mapping, nullptr);
  auto* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  ASSERT_NE(view, nullptr);
  std::strcpy(view, "from test");

  ChildProcess reader;
  StartHelper(&reader, {"print-mapping", "Shared"}, "mapping from test");
  ChildProcess writer;
  StartHelper(&writer, {"write-mapping", "Shared", "from helper"});
  EXPECT_STREQ(view, "from helper");

  // A second view at an offset sees the same pages.
  auto* upper = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 65536, 16));
  ASSERT_NE(upper, nullptr);
  view[65536] = 'x';
  EXPECT_EQ(upper[0], 'x');
  EXPECT_TRUE(UnmapViewOfFile(upper));
  EXPECT_TRUE(UnmapViewOfFile(view));
  CloseHandle(mapping);
}

TEST_F(KernelObjectsTest, NewObjectDoesNotInheritWhatADeadHolderLeft) {
  ChildProcess holder;
  StartHelper(&holder, {"hold-mapping", "Stale", "write-mapping", "Stale", "left over"});
  KillAndReap(&holder);

  HANDLE mapping = CreateMapping(u"Stale");
  ASSERT_NE(mapping, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  auto* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view[0], 0);
  UnmapViewOfFile(view);
  CloseHandle(mapping);
}

TEST_F(KernelObjectsTest, NamesAreCaseSensitiveAndMayHoldAnyCharacter) {
  const std::u16string log_name = u"Global\\C:/Program Files/Maker/app.log";
  const std::u16string long_a = u"Global\\" + std::u16string(300, u'a') + u"1";
  const std::u16string long_b = u"Global\\" + std::u16string(300, u'a') + u"2";
  const std::vector<std::u16string> names = {u"Name", u"name", u"Local\\a\\b", u"Local\\a/b",
                                             log_name, long_a, long_b};
  std::vector<HANDLE> handles;
  for (const auto& name : names) {
    handles.push_back(CreateMutexW(nullptr, FALSE, name.c_str()));
    ASSERT_NE(handles.back(), nullptr);
    EXPECT_EQ(GetLastError(), 0u) << SimToUtf8(name);
  }
  for (const auto& name : names) {
    HANDLE again = CreateMutexW(nullptr, FALSE, name.c_str());
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS) << SimToUtf8(name);
    CloseHandle(again);
  }
  for (HANDLE h : handles) CloseHandle(h);
  EXPECT_EQ(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, long_a.c_str()), nullptr);
}

TEST_F(KernelObjectsTest, ViewKeepsTheMappingAliveAfterItsHandleCloses) {
  HANDLE mapping = CreateMapping(u"Viewed");
  void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  ASSERT_NE(view, nullptr);
  CloseHandle(mapping);
  HANDLE reopened = OpenFileMappingW(FILE_MAP_READ, FALSE, u"Viewed");
  ASSERT_NE(reopened, nullptr);
  CloseHandle(reopened);
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_EQ(OpenFileMappingW(FILE_MAP_READ, FALSE, u"Viewed"), nullptr);
}

TEST_F(KernelObjectsTest, MappingArgumentsAndAccessAreChecked) {
  EXPECT_EQ(CreateMapping(u"Empty", 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  HANDLE mapping = CreateMapping(u"Small", 100);
  HANDLE reader = OpenFileMappingW(FILE_MAP_READ, FALSE, u"Small");
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(MapViewOfFile(reader, FILE_MAP_WRITE, 0, 0, 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 101), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 4096, 0), nullptr);  // not 64K aligned

  int local = 0;
  EXPECT_FALSE(UnmapViewOfFile(&local));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_ADDRESS);
  CloseHandle(reader);
  CloseHandle(mapping);
}

TEST_F(KernelObjectsTest, MutexIsRecursiveAndOnlyItsOwnerReleasesIt) {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, u"Local\\Owned");
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
  // Another handle of the same name shares the ownership count.
  HANDLE second = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, u"Local\\Owned");
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);

  DWORD other_wait = 0, other_error = 0;
  BOOL other_release = TRUE;
  std::thread([&] {
    other_wait = WaitForSingleObject(mutex, 50);
    other_release = ReleaseMutex(mutex);
    other_error = GetLastError();
  }).join();
  EXPECT_EQ(other_wait, WAIT_TIMEOUT);
  EXPECT_FALSE(other_release);
  EXPECT_EQ(other_error, ERROR_NOT_OWNER);

  EXPECT_TRUE(ReleaseMutex(second));
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_FALSE(ReleaseMutex(mutex));
  EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
  std::thread([&] {
    other_wait = WaitForSingleObject(mutex, 1000);
    ReleaseMutex(mutex);
  }).join();
  EXPECT_EQ(other_wait, WAIT_OBJECT_0);
  CloseHandle(second);
  CloseHandle(mutex);
}

TEST_F(KernelObjectsTest, MutexExcludesThreads) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, u"Local\\Counter");
  std::atomic<int> inside{0};
  std::atomic<bool> overlap{false};
  int counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
        if (inside.fetch_add(1) != 0) overlap = true;
        ++counter;
        inside.fetch_sub(1);
        ReleaseMutex(mutex);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_FALSE(overlap);
  EXPECT_EQ(counter, 800);
  CloseHandle(mutex);
}

TEST_F(KernelObjectsTest, MutexExcludesOtherProcesses) {
  ChildProcess holder;
  StartHelper(&holder, {"hold-mutex", "Global\\Shared Mutex"});
  // The name exists, so asking for initial ownership does not grant it.
  HANDLE mutex = CreateMutexW(nullptr, TRUE, u"Global\\Shared Mutex");
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(ReleaseMutex(mutex));
  EXPECT_EQ(WaitForSingleObject(mutex, 100), WAIT_TIMEOUT);

  ASSERT_TRUE(holder.WriteLine("release"));
  EXPECT_EQ(holder.ReadLine(), "released");
  EXPECT_EQ(WaitForSingleObject(mutex, 5000), WAIT_OBJECT_0);

  ChildProcess waiter;
  ASSERT_TRUE(StartInMachine(&waiter, Helper(),
                             {"hold-mutex", "Global\\Shared Mutex"}));
  EXPECT_EQ(waiter.ReadLine(300), "");  // blocked on the mutex we own
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_EQ(waiter.ReadLine(), "ready");
  CloseHandle(mutex);
}

TEST_F(KernelObjectsTest, KilledOwnerAbandonsTheMutex) {
  ChildProcess holder;
  StartHelper(&holder, {"hold-mutex", "Local\\Abandoned"});
  HANDLE mutex = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, u"Local\\Abandoned");
  ASSERT_NE(mutex, nullptr);
  KillAndReap(&holder);
  EXPECT_EQ(WaitForSingleObject(mutex, 5000), WAIT_ABANDONED);
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(mutex));
  CloseHandle(mutex);
}

TEST_F(KernelObjectsTest, ManualResetEventStaysSetUntilReset) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, u"Local\\Manual");
  ASSERT_NE(event, nullptr);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(event, 100), WAIT_TIMEOUT);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(95));
  EXPECT_TRUE(SetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ResetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);

  // The initial state applies only to the creator.
  HANDLE again = CreateEventW(nullptr, TRUE, TRUE, u"Local\\Manual");
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(WaitForSingleObject(again, 0), WAIT_TIMEOUT);
  CloseHandle(again);
  CloseHandle(event);
}

TEST_F(KernelObjectsTest, AutoResetEventReleasesOneWaiterPerSet) {
  HANDLE event = CreateEventW(nullptr, FALSE, TRUE, u"Local\\Auto");
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);

  std::atomic<int> woken{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 2; ++i)
    waiters.emplace_back([&] {
      if (WaitForSingleObject(event, 10000) == WAIT_OBJECT_0) ++woken;
    });
  SetEvent(event);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(woken.load(), 1);
  SetEvent(event);
  for (auto& t : waiters) t.join();
  EXPECT_EQ(woken.load(), 2);
  CloseHandle(event);
}

TEST_F(KernelObjectsTest, EventsSignalAcrossProcesses) {
  EXPECT_EQ(OpenEventW(EVENT_ALL_ACCESS, FALSE, u"Local\\Exit"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  ChildProcess listener;
  StartHelper(&listener, {"wait-event", "Local\\Exit"});
  HANDLE exit_event = OpenEventW(EVENT_ALL_ACCESS, FALSE, u"Local\\Exit");
  ASSERT_NE(exit_event, nullptr);
  EXPECT_TRUE(SetEvent(exit_event));
  EXPECT_EQ(listener.ReadLine(), "event");
  EXPECT_EQ(listener.Wait(), 0);
  CloseHandle(exit_event);

  HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, u"Global\\Wake");
  DWORD result = WAIT_FAILED;
  std::thread waiter([&] { result = WaitForSingleObject(wake, INFINITE); });
  ChildProcess setter;
  StartHelper(&setter, {"set-event", "Global\\Wake"});
  waiter.join();
  EXPECT_EQ(result, WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(wake, 0), WAIT_TIMEOUT);  // consumed by the waiter
  CloseHandle(wake);
}

TEST_F(KernelObjectsTest, ObjectsOfDifferentKindsShareOneNameSpace) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, u"Local\\Taken");
  EXPECT_EQ(CreateMutexW(nullptr, FALSE, u"Local\\Taken"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, u"Local\\Taken"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(ReleaseMutex(event));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  CloseHandle(event);

  ChildProcess holder;
  StartHelper(&holder, {"hold-event", "Local\\Theirs"});
  EXPECT_EQ(CreateMapping(u"Local\\Theirs"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  KillAndReap(&holder);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, u"Local\\Theirs");
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  CloseHandle(mutex);
}

}  // namespace
