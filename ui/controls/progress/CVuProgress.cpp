#include "ui/controls/progress/CVuProgress.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ui/controls/VuControlUtil.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/skin/VuSkinPool.h"
#include "ui/style/VuValueParsers.h"

namespace {

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

constexpr int kBlockStep = 10;
constexpr int kBlockGrowUntil = 30;
constexpr int kPercentFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;  // 0x25

}  // namespace

const char* CVuProgress::GetTag() const { return "progress"; }

HRESULT CVuProgress::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (Is(name, "bgskin") || Is(name, "posskin")) {
    (Is(name, "bgskin") ? bgskin_ : posskin_) = value;
    return 1;
  }
  if (Is(name, "skinposx")) {
    int inset = 0;
    if (!VuParseIntIn(value, 0, 1 << 20, &inset)) return E_FAIL;
    skinposx_ = inset;
    return 1;
  }
  uint32_t* number = Is(name, "min") ? &min_ : Is(name, "max") ? &max_ : Is(name, "value") ? &value_ : nullptr;
  if (number) {
    *number = VuParseUInt(value);
    return 1;
  }
  if (Is(name, "showpercent") || Is(name, "progressbar")) {
    (Is(name, "showpercent") ? showpercent_ : moving_block_) = VuParseInt(value) != 0;
    return 1;
  }
  return E_FAIL;
}

bool CVuProgress::Load(const ZXmlElement& element) {
  CVuWindow::Load(element);
  for (const std::string* name : {&bgskin_, &posskin_})
    if (!name->empty() && !VuSkinPool::Instance().Get(*name))
      VuResourceLocator::Instance().Report(element.Line(), "skin \"" + *name + "\" of <" + GetTag() + "> not found");
  return true;
}

double CVuProgress::NormalizeAndRatio() {
  if (max_ == min_) return 0;
  if (max_ < min_) std::swap(min_, max_);
  value_ = std::clamp(value_, min_, max_);
  return static_cast<double>(value_ - min_) / static_cast<double>(max_ - min_);
}

ZRect CVuProgress::BarArea() const { return rect_; }

ZRect CVuProgress::BarRect(double ratio) {
  ZRect bar = BarArea();
  CVuSkinBase* skin = posskin_.empty() ? nullptr : VuSkinPool::Instance().Get(posskin_);
  if (skin) {
    const int inset_x = std::min(bar.Width() / 2, skinposx_);
    // A skin without a natural height (a gradient) keeps the bar's height.
    const int natural = skin->GetSkinSize().cy;
    const int inset_y = natural > 0 ? (bar.Height() - natural) / 2 : 0;
    bar = {bar.left + inset_x, bar.top + inset_y, bar.right - inset_x, bar.bottom - inset_y};
  } else {
    bar = {bar.left + 2, bar.top + 2, bar.right - 2, bar.bottom - 2};
  }
  const int width = std::max(bar.Width(), 0);
  bar.right = bar.left + static_cast<int>(ratio * width);
  return bar;
}

void CVuProgress::StepBlock() {
  const int width = rect_.Width();
  if (width <= 0) {
    block_left_ = block_right_ = 0;
    return;
  }
  if (block_left_ == 0 && block_right_ - block_left_ <= kBlockGrowUntil) {
    block_right_ += kBlockStep;  // growing from the left edge
  } else {
    block_left_ += kBlockStep;
    block_right_ += kBlockStep;
  }
  block_right_ = std::min(block_right_, width);
  if (block_left_ >= width) {
    block_left_ = 0;
    block_right_ = std::min(kBlockStep, width);
  }
}

std::u16string CVuProgress::PercentText(int percent) const {
  char text[32];
  std::snprintf(text, sizeof text, "%d%%", percent);
  return std::u16string(text, text + std::strlen(text));
}

void CVuProgress::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  // Grey while disabled.
  const ZColor fill = IsEnabled(true) ? kVuProgressFill : kVuProgressDisabledFill;
  // 1. The background.
  if (CVuSkinBase* bg = bgskin_.empty() ? nullptr : VuSkinPool::Instance().Get(bgskin_))
    bg->Draw(dc, rect_, kVuSkinNormal, 255);
  else
    dc->DrawRoundRect(rect_, 1, 1, fill);
  // 2. The ratio.
  const double ratio = NormalizeAndRatio();
  // 3. The percentage under the bar.
  const std::u16string percent = PercentText(static_cast<int>(ratio * 100));
  if (showpercent_) DrawElementText(dc, percent, rect_, kPercentFormat);
  // 4. The bar.
  ZRect bar;
  if (moving_block_) {
    StepBlock();
    bar = {rect_.left + block_left_, rect_.top, rect_.left + block_right_, rect_.bottom};
    if (bar.Width() > 0) dc->FillRoundRect(bar, 1, fill);
  } else if (CVuSkinBase* pos = posskin_.empty() ? nullptr : VuSkinPool::Instance().Get(posskin_)) {
    bar = BarRect(ratio);
    if (bar.Width() > 0) pos->Draw(dc, bar, kVuSkinNormal, 255);
  } else {
    bar = BarRect(ratio);
    if (bar.Width() > 0 && bar.Height() > 0) dc->FillRoundRect(bar, 1, fill);
  }
  // 5. The percentage again, over the bar only, in the contrasting colour.
  if (showpercent_ && bar.Width() > 0 && bar.Height() > 0) {
    dc->PushClip(&bar, 1);
    ZRect box = rect_;
    dc->PaintText(percent, &box, kPercentFormat, GetFont(), kVuProgressTextOnBar);
    dc->PopClip();
  }
}
