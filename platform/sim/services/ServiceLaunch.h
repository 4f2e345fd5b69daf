// Starting a service's program: where its image path points, and a process
// that outlives whoever started it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace sim_services {

// The program of an image path (its real file) and the arguments after it. An
// unquoted program path with blanks is tried word by word, shortest first, as
// Windows does. 0 or ERROR_FILE_NOT_FOUND.
DWORD ResolveProgram(const std::u16string& image, std::string* real,
                     std::vector<std::u16string>* args);

// Starts the program detached, inside the machine at machine_dir; 0 and its pid, or an error.
DWORD SpawnDetached(const std::string& real, const std::vector<std::string>& arguments,
                    const std::string& machine_dir, int64_t* pid_out);

}  // namespace sim_services
