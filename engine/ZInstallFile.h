// One record of the install packet: an installed file or folder and the
// actions to undo for it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/ZFileActionBase.h"

class ZXmlCursor;

class ZInstallFile {
 public:
  ZInstallFile();
  // The actions go with ClearActions; whatever is left is released here too.
  virtual ~ZInstallFile();
  ZInstallFile(const ZInstallFile&) = delete;
  ZInstallFile& operator=(const ZInstallFile&) = delete;

  // Reads the item under the cursor: its "path" joined to Path(), then, when
  // that names an existing file or folder, one action per "config" element
  // (and per later sibling element) with a known "mode". 0 when the path names
  // nothing; the cursor is left where it was.
  virtual int LoadFromXml(ZXmlCursor& cursor);
  virtual void Install(int phase);
  // Every action in order, then the file or folder itself.
  virtual void Uninstall(int phase);
  void ClearActions();

  // At most MAX_PATH - 1 characters; longer text is cut.
  void SetPath(const std::u16string& path);
  const std::u16string& Path() const { return path_; }
  int IsDirectory() const { return is_directory_; }
  const std::vector<std::unique_ptr<ZFileActionBase>>& Actions() const { return actions_; }

  void RemovePath();
  // The run's deletion guard, for the record and its actions.
  void SetDeletionGuard(ZDeletionGuard* guard);

 private:
  int is_directory_ = 0;
  std::u16string path_;
  std::vector<std::unique_ptr<ZFileActionBase>> actions_;
  ZDeletionGuard* guard_ = nullptr;
};
