// Registry keys no packet entry may touch: the system's own hives and the
// keys Windows itself needs to start, log on and run programs. An entry that
// names one is skipped with a WARNING, like a protected folder.
#pragma once

#include <string>

// root_name is the entry's "mainkey" ("hklm", "hkcu", "hkcr", "hkus"),
// sub_key its "subkey". True when the entry must be left alone.
bool IsProtectedRegistryKey(const std::u16string& root_name, const std::u16string& sub_key);
