// Reading a string value of an open registry key.
#pragma once

#include <string>

#include "platform/types.h"

// The value's text when it is REG_SZ or REG_EXPAND_SZ (not expanded), up to
// its first zero character: its type and size are queried first, then the
// value is read into size / 2 + 1 characters. False (text empty) otherwise.
bool ReadRegistryString(HKEY key, const std::u16string& name, std::u16string* text);
