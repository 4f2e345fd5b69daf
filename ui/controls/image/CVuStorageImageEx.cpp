#include "ui/controls/image/CVuStorageImageEx.h"

#include <algorithm>
#include <cstring>

#include "ui/style/VuValueParsers.h"

const char* CVuStorageImageEx::GetTag() const { return "storageimageex"; }

HRESULT CVuStorageImageEx::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuStorageImage::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "alpha") == 0) {
    alpha_ = static_cast<BYTE>(std::clamp(VuParseInt(value), 0, 255));
    return 1;
  }
  return E_FAIL;
}
