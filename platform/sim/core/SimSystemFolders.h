// Where the system records its own folders: SystemRoot and the profile list
// in the registry, never a process's environment (which the process can
// change). A machine without those values gets a standard installation's places.
#pragma once

#include <string>
#include <string_view>

struct SimSystemFolders {
  std::u16string system_root;      // "C:\Windows"
  std::u16string system_drive;     // "C:"
  std::u16string profiles;         // "C:\Users"
  std::u16string default_profile;  // "C:\Users\Default"
  std::u16string public_profile;   // "C:\Users\Public"
  std::u16string program_data;     // "C:\ProgramData"
};

SimSystemFolders SimReadSystemFolders();

// The Windows folder as the registry recorded it when this process first
// asked: like Windows, it does not move until the system starts again.
std::u16string SimSystemRoot();

// The profile folder of the account with this SID (ProfileImagePath under
// ProfileList); without an entry, the place Windows would give the machine's
// own user or the system account. False for any other account.
bool SimProfileOfSid(const std::string& sid, const SimSystemFolders& folders,
                     std::u16string* path);

// Expands %SystemRoot%, %windir%, %SystemDrive%, %ProgramData%,
// %ALLUSERSPROFILE%, %PUBLIC% and, when user_profile is given, %USERPROFILE%
// (names regardless of case). Any other variable is left as it is.
std::u16string SimExpandSystemVariables(std::u16string_view text, const SimSystemFolders& folders,
                                        const std::u16string* user_profile = nullptr);

// A value of HKLM in the 64-bit view, REG_SZ or REG_EXPAND_SZ, unexpanded.
bool SimReadMachineText(const char16_t* key, const char16_t* name, std::u16string* text);
