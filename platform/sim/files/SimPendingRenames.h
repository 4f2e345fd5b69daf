// Renames and deletions that MoveFileExW put off until the next restart.
#pragma once

// Carries out the operations recorded in PendingFileRenameOperations the way
// the system does at restart (a failing one is skipped) and removes the value.
// False only when the registry could not be read or updated.
bool SimRunPendingRenames();
