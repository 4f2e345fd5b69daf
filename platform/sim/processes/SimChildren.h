// Handles to a process this program has just started.
#pragma once

#include <sys/types.h>

#include "platform/types.h"

// A full-access process handle and a thread handle (waitable, signalled at
// the end) for a child; the pidfd belongs to them from now on.
void SimAdoptChild(pid_t pid, int pidfd, HANDLE* process, HANDLE* thread);
