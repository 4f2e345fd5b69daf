#include "ui/controls/image/CVuMemoryImage.h"

#include <cstring>

#include "ui/controls/image/VuMemoryImages.h"

const char* CVuMemoryImage::GetTag() const { return "memimage"; }

HRESULT CVuMemoryImage::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "mempointer") == 0) {
    key_ = value;
    return 1;
  }
  return E_FAIL;
}

VuSize CVuMemoryImage::WantedSize(int cx, int cy) {
  if (pos_.count != 4)
    if (auto image = VuMemoryImages::Instance().Find(key_)) return {image->Width(), image->Height()};
  return CVuWindow::WantedSize(cx, cy);
}

void CVuMemoryImage::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  // A rectangle beyond the int range shows nothing (and is not handed to the canvas).
  if (!VuDrawableRect(rect_)) return;
  if (auto image = VuMemoryImages::Instance().Find(key_))
    if (!image->Empty()) dc->DrawImage(*image, ZRect{0, 0, image->Width(), image->Height()}, rect_, 255);
  CVuWindow::PaintContent(dc);
}
