// Reads a whole file of the machine into memory, within a size bound.
#pragma once

#include <cstddef>
#include <string>

// No resource of a skin set comes anywhere near this; a bigger file is refused
// before anything is allocated for it.
constexpr size_t kVuMaxResourceFile = 32u * 1024 * 1024;

enum class VuReadResult { kRead, kMissing, kEmpty, kTooLarge, kShortRead };

VuReadResult VuReadWholeFile(const std::u16string& path, std::string* bytes,
                             size_t max_size = kVuMaxResourceFile);
const char* VuDescribeReadResult(VuReadResult result);
