// "service": a Windows service whose program is the record's file.
#pragma once

#include <string>

#include "engine/ZFileActionBase.h"

class ZServiceAction : public ZFileActionBase {
 public:
  explicit ZServiceAction(const std::u16string& record_path);

  int LoadFromXml(const ZXmlElement& element) override;
  void Uninstall(int phase) override;
  const char* GetActionName() const override { return "service"; }

  const std::u16string& ServiceName() const { return service_name_; }
  const std::u16string& Description() const { return description_; }
  const std::u16string& DisplayName() const { return display_name_; }
  const std::u16string& Group() const { return group_; }
  const std::u16string& Arguments() const { return arguments_; }

 private:
  std::u16string service_name_;
  std::u16string description_;
  std::u16string display_name_;
  std::u16string group_;
  std::u16string arguments_;
};
