// A 32-bit program on 64-bit Windows sees the system folder through the WOW64
// redirector, while process images and service programs are named as native
// programs name them. These helpers translate between the two views.
#pragma once

#include <string>

// The file this program reaches under the full path `path`, named as native
// programs name it ("...\System32\x.dll" is "...\SysWOW64\x.dll" for a 32-bit
// program on 64-bit Windows, but for the folders both kinds share; Sysnative
// is System32). Unchanged where there is no redirector.
std::u16string NativePathOf(const std::u16string& path);

// The other way: the path by which this program reaches the file that native
// programs name `native_path` (System32 through Sysnative).
std::u16string PathReachingNative(const std::u16string& native_path);
