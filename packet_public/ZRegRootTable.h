// Registry root names as the install configuration writes them ("hklm" ...),
// shared by the configuration loader and the registry action.
#pragma once

#include <string>

#include "platform/registry.h"

// The predefined key for name (exact, case-sensitive: "hkcr", "hkcu", "hklm",
// "hkus"); false for any other name, root left as it was.
bool LookupRootKey(const std::u16string& name, HKEY* root);
