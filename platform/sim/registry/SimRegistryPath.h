// Where a registry path lives in machine.db: predefined roots and the
// redirection of the 32-bit view on a 64-bit machine (WOW6432Node).
#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"

// A key as the program names it: a stored hive ("HKEY_LOCAL_MACHINE" or
// "HKEY_USERS", or "HKEY_CLASSES_ROOT" for the merged classes) and the
// components below it.
struct SimRegPath {
  std::u16string hive;
  std::vector<std::u16string> parts;
};

// The hive and path a predefined root stands for (HKEY_CURRENT_USER is the
// calling token's user's key under HKEY_USERS; HKEY_CLASSES_ROOT is the
// merged view of SimClassesRoot.h). False for anything else.
bool SimRegRootPath(HKEY root, SimRegPath* out);

// The name under HKEY_USERS of a user's key: the SID, ".DEFAULT" for the
// system account (HKEY_USERS\S-1-5-18 is the same key).
std::u16string SimUserHiveName(const std::string& sid);

// Splits a subkey at "\" (empty components are skipped) and appends it.
void SimRegAppend(SimRegPath* path, const char16_t* sub_key);

// Applies the 32-bit view's redirection when wow32 is true.
SimRegPath SimRegRedirect(const SimRegPath& logical, bool wow32);

// "HKEY_LOCAL_MACHINE\SOFTWARE\..." as text.
std::u16string SimRegPathText(const SimRegPath& path);
