// Folders that no removal may take away wholesale: drive roots, the Windows
// and program folders, the profile folders and the shell's special folders,
// and every folder that contains one of them.
#pragma once

#include <string>

// True when path (a full path) is such a folder; which then names the folder
// it stands for.
bool IsProtectedFolder(const std::u16string& path, std::u16string* which = nullptr);
