// UTF-8 text of the skin documents as the framework's UTF-16.
#pragma once

#include <string>
#include <string_view>

// Malformed bytes become U+FFFD; text beyond 256 MB is cut (documents are
// bounded far below that).
std::u16string VuUtf8ToUtf16(std::string_view text);
