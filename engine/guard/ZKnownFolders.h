// The folders no removal may take away wholesale: the Windows folder, both
// program-files folders and their common files, ProgramData, the profiles
// folder, every profile on the machine and each profile's known folders, and
// the shell's folders wherever they were moved. Read from the system (shell,
// registry, the profile list), never from this process's environment.
#pragma once

#include <string>
#include <vector>

class ZKnownFolders {
 public:
  // Reads them now; the run keeps this one snapshot.
  static ZKnownFolders Read();

  // True when folder is one of them or holds one; which then names it.
  bool IsOrHolds(const std::u16string& folder, std::u16string* which = nullptr) const;
  // True when path lies in the Windows folder (or is it).
  bool IsInWindowsFolder(const std::u16string& path) const;
  // True when path is directly in a drive root, a profile or the profiles folder.
  bool IsInProfileOrDriveRoot(const std::u16string& path) const;

  const std::vector<std::u16string>& Folders() const { return folders_; }
  const std::u16string& WindowsFolder() const { return windows_; }

 private:
  void Add(const std::u16string& path);
  void AddProfile(const std::u16string& root);

  std::vector<std::u16string> folders_;  // full, no trailing "\"
  std::vector<std::u16string> profiles_;
  std::u16string windows_;
  std::u16string profiles_folder_;
};
