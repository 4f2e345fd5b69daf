// The install packet: every installed file and folder the configuration
// lists, in its order, with the actions to undo for each.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "engine/ZInstallFile.h"
#include "engine/guard/ZDeletionGuard.h"

class ZInstallFileActionMgr {
 public:
  using Records = std::vector<std::unique_ptr<ZInstallFile>>;

  ZInstallFileActionMgr();
  ~ZInstallFileActionMgr();
  ZInstallFileActionMgr(const ZInstallFileActionMgr&) = delete;
  ZInstallFileActionMgr& operator=(const ZInstallFileActionMgr&) = delete;

  // Appends the records of the four lists of the configuration file (files and
  // folders installed, then files and folders made later), paths relative to base_dir.
  void LoadPacket(const std::u16string& config_file_path, const std::u16string& base_dir);
  // Every record's Uninstall, first to last, under one deletion guard.
  void UninstallAll(int phase);
  // What UninstallAll could not remove now goes at the next restart: the
  // remaining entries of each such folder, then the folder. Called after the
  // program has scheduled its own file, so that it is gone before its folder.
  void ScheduleLeftoversAtRestart();
  // The guard of the last UninstallAll; null before it.
  ZDeletionGuard* DeletionGuard() const { return guard_.get(); }
  void DestroyAll();

  size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  const ZInstallFile& operator[](size_t index) const { return *records_[index]; }
  Records::const_iterator begin() const { return records_.begin(); }
  Records::const_iterator end() const { return records_.end(); }

 private:
  void LoadSection(const std::string& text, const std::u16string& section_path,
                   const std::u16string& base_dir);

  Records records_;
  std::unique_ptr<ZDeletionGuard> guard_;
};
