// "icon": an icon the application sets through code (SetIcon), drawn
// "size" x "size" pixels (DPI-scaled; 0, the default, is the rectangle's
// smaller side) centred in the rectangle.
#pragma once

#include <memory>

#include "platform/image.h"
#include "ui/element/CVuWindow.h"

class CVuIconWnd : public CVuWindow {
 public:
  const char* GetTag() const override;  // "icon"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void PaintContent(ZCanvas* dc) override;

  void SetIcon(std::shared_ptr<const ZImage> icon) { icon_ = std::move(icon); }
  int GetIconSize() const { return size_; }

 protected:
  VuSize WantedSize(int cx, int cy) override;
  // The icon to draw: the one set through code here.
  virtual std::shared_ptr<const ZImage> Icon() const { return icon_; }

 private:
  std::shared_ptr<const ZImage> icon_;
  int size_ = 0;
};
