// The environment variables of a process inside the machine. A process
// normally sees the machine's environment table; one started with an
// environment block sees exactly that block, which travels in its Linux
// environment as SIMHOST_ENV_<name>=<value> entries (SIMHOST_ENVBLOCK marks it).
#pragma once

#include <string>
#include <utility>
#include <vector>

using SimEnvironmentList = std::vector<std::pair<std::u16string, std::u16string>>;

// Whether this process runs with an environment block of its own.
bool SimHasEnvironmentBlock();
// Looks a variable up in this process's block; false (with *found untouched)
// when the process has no block.
bool SimBlockLookup(const std::u16string& name, std::u16string* value, bool* found);
// Sets (value non-null) or removes a variable of this process's block; false
// when the process has no block.
bool SimBlockSet(const std::u16string& name, const std::u16string* value);
// Every variable this process sees, sorted by name regardless of case.
SimEnvironmentList SimProcessEnvironment();
// The machine's own table (the system and interactive user's variables).
SimEnvironmentList SimMachineEnvironment();
// Sorts by name regardless of case; a later entry of one name wins.
SimEnvironmentList SimSortedEnvironment(const SimEnvironmentList& list);
// The Linux environment entries that carry a block to a new process.
std::vector<std::string> SimBlockEntries(const SimEnvironmentList& list);
// Parses a Windows environment block (UTF-16, or 8-bit text when not unicode).
SimEnvironmentList SimParseEnvironmentBlock(const void* block, bool unicode);

// The stored variable that holds what a native program of a 64-bit machine
// sees under name (the stored values are the 32-bit programs' view); empty
// when a native program has no such variable.
std::u16string SimNativeVariableName(const std::u16string& name);
