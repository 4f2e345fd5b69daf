// Text of the skin documents (UTF-8) and the framework's UTF-16, both ways,
// through the system's conversion.
#pragma once

#include <string>
#include <string_view>

// Malformed bytes become U+FFFD; text beyond 256 MB is cut (documents are
// bounded far below that).
std::u16string VuUtf8ToUtf16(std::string_view text);
// A null pointer gives empty text.
std::u16string VuUtf8ToUtf16(const char* text);
// Lone surrogates become U+FFFD.
std::string VuUtf16ToUtf8(std::u16string_view text);
