#include "ui/controls/container/CVuListItem.h"

#include <algorithm>
#include <cstring>

#include "ui/style/VuValueParsers.h"

namespace {

// A row taller than any canvas shows nothing more.
constexpr int kMaxItemHeight = 1 << 16;

}  // namespace

// A row takes the width and height its list offers.
CVuListItem::CVuListItem() { size_modes_ = kVuWidthFull | kVuHeightFull; }

const char* CVuListItem::GetTag() const { return "listitem"; }

HRESULT CVuListItem::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuDialog::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "height") == 0) {
    const int height = VuParseInt(value);
    if (height < 0) return E_FAIL;
    item_height_ = std::min(ScaleForDpi(std::min(height, kMaxItemHeight)), kMaxItemHeight);
    return 1;
  }
  if (std::strcmp(name, "viewvisible") == 0) {
    view_visible_ = VuParseInt(value) != 0;
    return 1;
  }
  return E_FAIL;
}
