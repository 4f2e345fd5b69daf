// "shortcut": a link to the record's file (desktop, and the quick-launch bar
// when asked for).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/ZFileActionBase.h"

class ZShortCutAction : public ZFileActionBase {
 public:
  explicit ZShortCutAction(const std::u16string& record_path);

  // Reads against this process's command line.
  int LoadFromXml(const ZXmlElement& element) override;
  void Uninstall(int phase) override;
  const char* GetActionName() const override { return "shortcut"; }

  // "/ico:0" on command_line means the installer made no shortcuts: nothing
  // is read and the result is 0.
  int LoadWithCommandLine(const ZXmlElement& element, std::u16string_view command_line);

  const std::u16string& Arguments() const { return arguments_; }
  const std::u16string& LinkName() const { return link_name_; }
  const std::u16string& Description() const { return description_; }
  int32_t QuickLaunchBar() const { return quick_launch_bar_; }

 private:
  std::u16string arguments_;
  std::u16string link_name_;
  std::u16string description_;
  int32_t quick_launch_bar_ = 0;
};
