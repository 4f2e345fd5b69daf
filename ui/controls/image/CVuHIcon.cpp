#include "ui/controls/image/CVuHIcon.h"

#include <cstring>

#include "ui/controls/image/VuMemoryImages.h"
#include "ui/style/VuValueParsers.h"

CVuHIcon::~CVuHIcon() {
  if (auto_delete_ && !key_.empty()) VuMemoryImages::Instance().Remove(key_);
}

const char* CVuHIcon::GetTag() const { return "hicon"; }

HRESULT CVuHIcon::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "handle") == 0) {
    key_ = value;
    return 1;
  }
  if (std::strcmp(name, "autodel") == 0) {
    auto_delete_ = VuParseInt(value) != 0;
    return 1;
  }
  return E_FAIL;
}

std::shared_ptr<const ZImage> CVuHIcon::Icon() const {
  if (icon_) return icon_;
  return key_.empty() ? nullptr : VuMemoryImages::Instance().Find(key_);
}

void CVuHIcon::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  // A rectangle beyond the int range shows nothing (and is not handed to the canvas).
  if (!VuDrawableRect(rect_)) return;
  const std::shared_ptr<const ZImage> icon = Icon();
  if (icon && !icon->Empty())
    dc->DrawImage(*icon, ZRect{0, 0, icon->Width(), icon->Height()}, rect_, IsEnabled(true) ? 255 : 128);
  CVuWindow::PaintContent(dc);
}
