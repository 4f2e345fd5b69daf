// Starting programs for the product: in the interactive user's session with
// an administrator's token, with the session user's own token, or directly as
// the uninstaller itself. Callers try them in that order.
#pragma once

#include <string>

#include "platform/types.h"

// Every launcher runs "\"<program>\" <arguments>" (the blank stays when the
// arguments are empty), shown or hidden. With a wait time other than 0 it
// waits that long for the program to end and, when it did end, stores its
// exit code in *exit_code (if given); a wait that runs out leaves *exit_code
// as it was. The result is non-zero when the process was created.
int LaunchAsSessionAdmin(const std::u16string& program, const std::u16string& arguments, bool show,
                         DWORD wait_ms, DWORD* exit_code);
int LaunchAsSessionUser(const std::u16string& program, const std::u16string& arguments, bool show,
                        DWORD wait_ms, DWORD* exit_code);
int LaunchDirect(const std::u16string& program, const std::u16string& arguments, bool show,
                 DWORD wait_ms, DWORD* exit_code);

// Token sources. Each returns ERROR_SUCCESS with the result, or an error code.
// The id of the first active session; ERROR_NOT_FOUND when none is active,
// or the error of the session list (the id is then 0).
DWORD GetActiveSessionId(DWORD* session_id);
// The token of the first "explorer.exe" process.
DWORD GetExplorerToken(HANDLE* token);
// The active session's user token, or the explorer's when that is unavailable.
DWORD GetInteractiveUserToken(HANDLE* token);
