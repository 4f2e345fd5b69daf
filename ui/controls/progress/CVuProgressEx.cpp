#include "ui/controls/progress/CVuProgressEx.h"

#include <algorithm>
#include <cstring>

#include "ui/controls/VuControlUtil.h"
#include "ui/element/VuPosition.h"
#include "ui/resource/VuUtf8.h"

const char* CVuProgressEx::GetTag() const { return "progressex"; }

HRESULT CVuProgressEx::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuProgress::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "extendtext") == 0) {
    extend_text_ = VuUtf8ToUtf16(value);
    return 1;
  }
  if (std::strcmp(name, "posimg_left") == 0) {
    int left = 0;
    if (!VuParseIntIn(value, 0, 1 << 20, &left)) return E_FAIL;
    posimg_left_ = left;
    return 1;
  }
  return E_FAIL;
}

std::u16string CVuProgressEx::PercentText(int percent) const {
  // "%d%%%s": the extension text follows the percentage as it is.
  return CVuProgress::PercentText(percent) + extend_text_;
}

ZRect CVuProgressEx::BarArea() const {
  ZRect area = rect_;
  area.left = std::min(area.right, VuSaturate(int64_t{area.left} + PosImageLeft()));
  return area;
}
