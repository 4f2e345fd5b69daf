// The current directory is held open, as Windows holds it: a folder that is
// some process's current directory can be neither removed nor renamed.
#pragma once

// Holds the folder behind dir_fd (a readable directory descriptor, taken over)
// as this process's current directory, letting go of the one held before.
// A negative fd only lets go.
void SimHoldCurrentDirectory(int dir_fd);

// Holds the Linux working directory when it lies inside the machine's drives
// (a program of the machine starts there).
void SimHoldStartDirectory();
