// Threads of the own process on the simulated host: POSIX threads behind
// waitable handles, and the forced end by a signal whose handler never returns.
#include "platform/threads.h"

#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"

namespace {

class SimThread : public SimObject {
 public:
  DWORD Wait(DWORD milliseconds) override {
    std::unique_lock<std::mutex> lock(mutex_);
    auto done = [this] { return ended_; };
    if (milliseconds == INFINITE) {
      ended_cv_.wait(lock, done);
    } else if (!ended_cv_.wait_for(lock, std::chrono::milliseconds(milliseconds), done)) {
      return WAIT_TIMEOUT;
    }
    return WAIT_OBJECT_0;
  }
  // The first end wins: a normal return racing a termination keeps its code.
  void End(DWORD code) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!ended_) {
      ended_ = true;
      exit_code_ = code;
    }
    ended_cv_.notify_all();
  }
  bool Ended() {
    std::lock_guard<std::mutex> guard(mutex_);
    return ended_;
  }
  DWORD ExitCode() {
    std::lock_guard<std::mutex> guard(mutex_);
    return ended_ ? exit_code_ : STILL_ACTIVE;
  }

  std::mutex mutex_;
  std::condition_variable ended_cv_;
  bool ended_ = false;
  bool started_ = false;
  bool terminating_ = false;
  DWORD exit_code_ = STILL_ACTIVE;
  pthread_t pthread_{};
  DWORD id_ = 0;
  // Set by the signal handler once the thread has stopped for good.
  std::atomic<bool> stopped_{false};
  _beginthreadex_proc_type start_ = nullptr;
  void* argument_ = nullptr;
};

thread_local SimThread* t_current = nullptr;

int TerminateSignal() { return SIGRTMIN + 3; }

[[noreturn]] void StopForever() {
  sigset_t all;
  sigfillset(&all);
  for (;;) sigsuspend(&all);
}

void OnTerminateSignal(int) {
  if (t_current) t_current->stopped_.store(true, std::memory_order_release);
  StopForever();
}

void InstallTerminateHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action = {};
    action.sa_handler = OnTerminateSignal;
    sigfillset(&action.sa_mask);
    sigaction(TerminateSignal(), &action, nullptr);
  });
}

void* RunThread(void* raw) {
  std::shared_ptr<SimThread> self = std::move(*static_cast<std::shared_ptr<SimThread>*>(raw));
  delete static_cast<std::shared_ptr<SimThread>*>(raw);
  t_current = self.get();
  {
    std::lock_guard<std::mutex> guard(self->mutex_);
    self->id_ = GetCurrentThreadId();
    self->started_ = true;
  }
  self->ended_cv_.notify_all();
  const unsigned code = self->start_(self->argument_);
  // From here on a termination finds the thread ended instead.
  sigset_t terminate;
  sigemptyset(&terminate);
  sigaddset(&terminate, TerminateSignal());
  pthread_sigmask(SIG_BLOCK, &terminate, nullptr);
  self->End(code);
  t_current = nullptr;
  return nullptr;
}

}  // namespace

uintptr_t _beginthreadex(void* security, unsigned stack_size, _beginthreadex_proc_type start,
                         void* argument, unsigned init_flag, unsigned* thread_id) {
  if (!start || security || stack_size || init_flag) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  InstallTerminateHandler();
  auto thread = std::make_shared<SimThread>();
  thread->start_ = start;
  thread->argument_ = argument;
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  auto* holder = new std::shared_ptr<SimThread>(thread);
  const int failed = pthread_create(&thread->pthread_, &attributes, RunThread, holder);
  pthread_attr_destroy(&attributes);
  if (failed) {
    delete holder;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  {
    std::unique_lock<std::mutex> lock(thread->mutex_);
    thread->ended_cv_.wait(lock, [&] { return thread->started_; });
    if (thread_id) *thread_id = thread->id_;
  }
  return reinterpret_cast<uintptr_t>(SimHandles::Add(thread));
}

BOOL TerminateThread(HANDLE handle, DWORD exit_code) {
  auto thread = SimHandles::GetAs<SimThread>(handle);
  if (!thread) return SimFail(ERROR_INVALID_HANDLE);
  if (t_current == thread.get()) {
    thread->End(exit_code);
    StopForever();
  }
  {
    std::lock_guard<std::mutex> guard(thread->mutex_);
    if (thread->ended_) return TRUE;
    if (!thread->terminating_) {
      thread->terminating_ = true;
      // Still before its end (which blocks the signal first): the thread exists.
      pthread_kill(thread->pthread_, TerminateSignal());
    }
  }
  while (!thread->stopped_.load(std::memory_order_acquire) && !thread->Ended())
    std::this_thread::sleep_for(std::chrono::microseconds(50));
  thread->End(exit_code);
  return TRUE;
}

BOOL GetExitCodeThread(HANDLE handle, LPDWORD exit_code) {
  auto thread = SimHandles::GetAs<SimThread>(handle);
  if (!thread) return SimFail(ERROR_INVALID_HANDLE);
  if (!exit_code) return SimFail(ERROR_INVALID_PARAMETER);
  *exit_code = thread->ExitCode();
  return TRUE;
}
