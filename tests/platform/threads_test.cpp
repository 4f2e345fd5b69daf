// Threads of the own process: creation, waiting, exit codes and the forced end.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/kernel.h"
#include "platform/threads.h"

namespace {

struct Work {
  std::atomic<bool> release{false};
  std::atomic<bool> after{false};
  std::atomic<DWORD> id{0};
};

unsigned WINAPI ReturnSeven(void* raw) {
  static_cast<Work*>(raw)->id = GetCurrentThreadId();
  return 7;
}

unsigned WINAPI WaitForRelease(void* raw) {
  auto* work = static_cast<Work*>(raw);
  while (!work->release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  work->after = true;
  return 5;
}

TEST(Threads, AThreadRunsAtOnceAndItsHandleTellsItsEndAndCode) {
  Work work;
  unsigned id = 0;
  HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ReturnSeven, &work, 0, &id));
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "stays signalled";
  EXPECT_EQ(work.id.load(), id);
  EXPECT_NE(id, GetCurrentThreadId());
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 7u);
  // Terminating an ended thread changes nothing.
  EXPECT_TRUE(TerminateThread(thread, 1));
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_TRUE(CloseHandle(thread));
  EXPECT_FALSE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(_beginthreadex(nullptr, 0, nullptr, nullptr, 0, nullptr), 0u);
}

TEST(Threads, ATerminatedThreadStopsForGoodWithTheGivenCode) {
  static Work work;  // the stopped thread keeps its pointer to it
  HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, WaitForRelease, &work, 0, nullptr));
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 20), static_cast<DWORD>(WAIT_TIMEOUT));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_TRUE(TerminateThread(thread, 3));
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 3u);
  work.release = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(work.after.load()) << "the thread ran on after its end";
  EXPECT_TRUE(CloseHandle(thread));
}

}  // namespace
