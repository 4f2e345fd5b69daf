// Whether the uninstaller was started to run without its dialog ("/at").
#pragma once

#include <string_view>

// "/at" alone or with a non-zero leading number ("/at:1", "/AT:2") asks for a
// silent run; "/at:0", "/at:x" or no such switch does not.
bool IsSilentCommandLine(std::u16string_view command_line);

// The same test applied to this process's own command line.
bool IsSilentRun();
