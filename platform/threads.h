// Threads of the own process: the C run-time's creation (its handle is
// waitable with WaitForSingleObject and closed with CloseHandle), the exit
// code and the forced end.
//
// On the simulated host TerminateThread stops the thread at once with a
// real-time signal whose handler never returns: the thread never runs again,
// its stack and every lock it held stay as they were (as on Windows, so a
// thread is only ever terminated when nothing else needs its locks), and its
// handle is signalled with the given exit code before TerminateThread returns.
#pragma once

#include "platform/types.h"

#if !defined(_WIN32)

#define STILL_ACTIVE 259
#define CREATE_SUSPENDED 0x00000004

typedef unsigned(WINAPI* _beginthreadex_proc_type)(void*);

// Starts start(argument) on a new thread at once (only init_flag 0 and the
// default stack and security). The thread's handle as a number, 0 on failure;
// *thread_id (when given) receives the id GetCurrentThreadId gives inside it.
uintptr_t _beginthreadex(void* security, unsigned stack_size, _beginthreadex_proc_type start,
                         void* argument, unsigned init_flag, unsigned* thread_id);

BOOL TerminateThread(HANDLE thread, DWORD exit_code);
// STILL_ACTIVE while the thread runs.
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exit_code);

#endif  // !_WIN32
