// Who may write where: the default access rules of a Windows installation for
// a token that is not elevated (a limited administrator's or a standard
// user's). Elevated and LocalSystem tokens are never refused here.
//
// Not elevated, a program may not create, change or delete anything under the
// Windows folder (but for new entries in its Temp), either Program Files, the shared start menu and templates,
// the public desktop, other users' profiles or what an administrator put in
// ProgramData; it may not open HKEY_LOCAL_MACHINE keys for writing nor ask
// the service control manager for more than reading. Its own profile,
// HKEY_CURRENT_USER, new entries of its own in ProgramData and what was given
// to its user (SimGiveToUser) stay writable.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

struct SimWinPath;

// True when this process's token is held to the rules.
bool SimAccessRulesApply();

// Makes this process the machine's own tool (it writes as the machine's
// maker, never through the rules); for simhost.
void SimActAsHost();

// While alive, this thread writes as the machine's maker (machine creation).
class SimHostAccessScope {
 public:
  SimHostAccessScope();
  ~SimHostAccessScope();
  SimHostAccessScope(const SimHostAccessScope&) = delete;
  SimHostAccessScope& operator=(const SimHostAccessScope&) = delete;
};

// ERROR_ACCESS_DENIED when the entry at path may not be changed (written,
// deleted, renamed, given attributes) or, when exists is false, created;
// 0 otherwise and whenever change is false. directory: a new entry is a folder.
DWORD SimFileChangeDenied(const SimWinPath& path, bool exists, bool change,
                          bool directory = false);

// The access a key of the stored hive ("HKEY_LOCAL_MACHINE", "HKEY_USERS")
// may be opened with: desired, less what MAXIMUM_ALLOWED asked beyond
// reading; ERROR_ACCESS_DENIED when an explicit right is refused.
LSTATUS SimKeyAccessDenied(const std::u16string& hive, REGSAM desired, bool maximum_allowed,
                           REGSAM* granted);

// ERROR_ACCESS_DENIED when keys of the stored hive may not be created or
// deleted by this token, else ERROR_SUCCESS.
LSTATUS SimKeyChangeDenied(const std::u16string& hive);

// ERROR_ACCESS_DENIED when the service control manager or a service refuses
// the (generic-mapped) access to this token, else 0.
DWORD SimManagerAccessDenied(DWORD access);
DWORD SimServiceAccessDenied(DWORD access);

// Records that this process's token created the entry (a new folder or file
// in ProgramData or C:\Windows\Temp, which its creator may change later).
void SimNoteCreator(const SimWinPath& path);

// Makes an existing entry the user's own, as an ACL granting that user full
// control of it and everything below it would; false when it is missing.
bool SimGiveToUser(const SimWinPath& path, const std::string& sid);
