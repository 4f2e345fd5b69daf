// "startmenu": a link to the record's file in a start-menu folder.
#pragma once

#include <string>

#include "engine/ZFileActionBase.h"

class ZStartMenuAction : public ZFileActionBase {
 public:
  explicit ZStartMenuAction(const std::u16string& record_path);

  int LoadFromXml(const ZXmlElement& element) override;
  void Uninstall(int phase) override;
  const char* GetActionName() const override { return "startmenu"; }

  const std::u16string& Folder() const { return folder_; }
  const std::u16string& LinkFileName() const { return link_file_name_; }

 private:
  std::u16string folder_;
  std::u16string link_file_name_;
};
