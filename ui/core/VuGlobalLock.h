// The framework's one process-wide lock for state shared between elements
// (check-box groups); re-entrant, so a holder may call back into elements.
#pragma once

#include <mutex>

std::recursive_mutex& VuGlobalLock();
