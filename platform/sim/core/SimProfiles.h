// The profiles and known folders of a fresh machine: the folders a new
// Windows 10 installation has on C: and the registry values that name them
// (SystemRoot, ProfileList, the Program Files values, User Shell Folders).
#pragma once

#include <string>

class SimDb;
struct SimMachineOptions;

// Writes both into a machine being created: folders under drive_c (the real
// path of C:\), registry rows into db, inside the caller's open transaction.
// user_sid is the interactive user's SID. False (with *error) on failure.
bool SimAddProfiles(SimDb& db, const std::string& drive_c, const SimMachineOptions& options,
                    const std::string& user_sid, std::string* error);
