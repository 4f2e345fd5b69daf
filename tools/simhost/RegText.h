// Registry keys and values written as text on the command line and in dumps.
#pragma once

#include <string>

#include "platform/registry.h"

// "HKLM\SOFTWARE\X" or "HKEY_LOCAL_MACHINE\SOFTWARE\X" (HKCU, HKCR, HKU too).
bool ParseRegKey(const std::string& text, HKEY* root, std::u16string* sub_key);

// Type names as Windows spells them; data as text: strings as they are,
// numbers decimal or 0x-hex, REG_MULTI_SZ items separated by "|", REG_BINARY hex.
bool EncodeRegValue(const std::string& type_name, const std::string& data, DWORD* type,
                    std::string* bytes);

std::string RegTypeName(DWORD type);
// The value as the JSON pair ["TYPE", data] of a dump.
std::string RegValueJson(DWORD type, const std::string& bytes);
