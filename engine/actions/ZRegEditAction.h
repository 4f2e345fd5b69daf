// "reg": a registry value the installer wrote.
#pragma once

#include <cstdint>
#include <string>

#include "engine/ZFileActionBase.h"

class ZRegEditAction : public ZFileActionBase {
 public:
  explicit ZRegEditAction(const std::u16string& record_path);

  // 0 when a text field is empty or the root is not one of the table's names;
  // the fields are kept as read either way.
  int LoadFromXml(const ZXmlElement& element) override;
  void Uninstall(int phase) override;
  const char* GetActionName() const override { return "reg"; }

  const std::u16string& MainKey() const { return main_key_; }
  const std::u16string& SubKey() const { return sub_key_; }
  const std::u16string& KeyName() const { return key_name_; }
  const std::u16string& Value() const { return value_; }
  int32_t KeyType() const { return key_type_; }
  int32_t Wow64() const { return wow64_; }

 private:
  std::u16string main_key_;
  std::u16string sub_key_;
  std::u16string key_name_;
  std::u16string value_;
  int32_t key_type_ = 0;
  int32_t wow64_ = 0;
};
