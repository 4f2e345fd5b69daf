// "completerun": a program the installer ran when it finished. Nothing to undo.
#pragma once

#include <cstdint>
#include <string>

#include "engine/ZFileActionBase.h"

class ZCompleteRunAction : public ZFileActionBase {
 public:
  explicit ZCompleteRunAction(const std::u16string& record_path);

  int LoadFromXml(const ZXmlElement& element) override;
  void Uninstall(int phase) override;
  const char* GetActionName() const override { return "completerun"; }

  int32_t Show() const { return show_; }
  int32_t Switch() const { return switch_; }
  int32_t Silent() const { return silent_; }
  const std::u16string& Arguments() const { return arguments_; }
  int32_t WaitTime() const { return wait_time_; }
  bool NeedCheck() const { return need_check_; }
  int32_t CheckboxId() const { return checkbox_id_; }

 private:
  int32_t show_ = 0;
  int32_t switch_ = 0;
  int32_t silent_ = 0;
  std::u16string arguments_;
  int32_t wait_time_ = 0;  // milliseconds
  bool need_check_ = false;
  int32_t checkbox_id_ = 0;
};
