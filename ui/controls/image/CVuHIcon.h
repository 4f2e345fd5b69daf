// "hicon": an icon the application hands over. "handle" is the key of a
// VuMemoryImages entry (never a handle value from the document); code may
// also set the image directly. With "autodel" set, the entry is removed
// from the registry when the element goes, as an owned icon is destroyed.
#pragma once

#include <memory>
#include <string>

#include "platform/image.h"
#include "ui/element/CVuWindow.h"

class CVuHIcon : public CVuWindow {
 public:
  ~CVuHIcon() override;
  const char* GetTag() const override;  // "hicon"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void PaintContent(ZCanvas* dc) override;

  void SetIcon(std::shared_ptr<const ZImage> icon) { icon_ = std::move(icon); }
  const std::string& GetKey() const { return key_; }
  bool AutoDelete() const { return auto_delete_; }

 private:
  std::shared_ptr<const ZImage> Icon() const;

  std::shared_ptr<const ZImage> icon_;
  std::string key_;
  bool auto_delete_ = false;
};
