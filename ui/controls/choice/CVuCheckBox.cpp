#include "ui/controls/choice/CVuCheckBox.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "platform/window_input.h"
#include "ui/controls/VuControlUtil.h"
#include "ui/controls/choice/VuChoiceMark.h"
#include "ui/core/VuGlobalLock.h"
#include "ui/core/VuHandleTable.h"
#include "ui/skin/VuSkinPool.h"
#include "ui/style/VuStyle.h"
#include "ui/style/VuValueParsers.h"

namespace {

constexpr int kMaxBoxSide = 4096;

// Handles of the live check boxes that carry a "unique_id" (global lock).
std::set<VUHANDLE>& GroupedBoxes() {
  static auto* boxes = new std::set<VUHANDLE>;
  return *boxes;
}

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

}  // namespace

CVuCheckBox::~CVuCheckBox() {
  std::lock_guard<std::recursive_mutex> guard(VuGlobalLock());
  GroupedBoxes().erase(handle_);
}

const char* CVuCheckBox::GetTag() const { return "check"; }

HRESULT CVuCheckBox::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuWindow::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (Is(name, "check")) {
    SetChecked(VuParseInt(value) != 0);
    return 1;
  }
  if (Is(name, "skin") || Is(name, "skin_check")) {
    (Is(name, "skin") ? skin_ : skin_check_) = value;
    return 1;
  }
  if (Is(name, "checkbox_size")) {
    int size = 0;
    if (!VuParseIntIn(value, 1, kMaxBoxSide, &size) || VuParseInt(value) < 1) return E_FAIL;
    box_width_ = size;
    return 1;
  }
  if (Is(name, "checkbox_sizeH")) {
    // Less than 1 means "as wide": kept as 0.
    int size = 0;
    if (!VuParseIntIn(value, 0, kMaxBoxSide, &size)) return E_FAIL;
    box_height_ = size;
    return 1;
  }
  if (Is(name, "text_spacing")) {
    int spacing = 0;
    if (!VuParseIntIn(value, -kMaxBoxSide, kMaxBoxSide, &spacing)) return E_FAIL;
    text_spacing_ = spacing;
    return 1;
  }
  if (Is(name, "unique_id")) {
    std::lock_guard<std::recursive_mutex> guard(VuGlobalLock());
    unique_id_ = value;
    if (unique_id_.empty())
      GroupedBoxes().erase(handle_);
    else
      GroupedBoxes().insert(handle_);
    return 1;
  }
  return E_FAIL;
}

int CVuCheckBox::BoxWidth() const { return ScaleForDpi(box_width_); }

int CVuCheckBox::BoxHeight() const { return ScaleForDpi(box_height_ < 1 ? box_width_ : box_height_); }

int CVuCheckBox::TextSpacing() const { return ScaleForDpi(text_spacing_); }

ZRect CVuCheckBox::BoxRect() const {
  const int width = BoxWidth(), height = BoxHeight();
  ZRect box{rect_.left, rect_.top, VuSaturate(int64_t{rect_.left} + width), VuSaturate(int64_t{rect_.top} + height)};
  if (rect_.Height() > height) {
    box.top = VuSaturate(int64_t{rect_.top} + (int64_t{rect_.Height()} - height) / 2);
    box.bottom = VuSaturate(int64_t{box.top} + height);
  }
  return box;
}

VuSize CVuCheckBox::WantedSize(int cx, int cy) {
  if (pos_.count == 4) return CVuWindow::WantedSize(cx, cy);
  VuSize size = CVuWindow::WantedSize(cx, cy);
  size.cx = VuSaturate(int64_t{size.cx} + BoxWidth() + (text_.empty() ? 0 : TextSpacing()));
  size.cy = std::max(size.cy, BoxHeight());
  return size;
}

bool CVuCheckBox::NeedsRedrawOnStateChange() {
  if (CVuWindow::NeedsRedrawOnStateChange()) return true;
  for (const std::string* name : {&skin_, &skin_check_}) {
    CVuSkinBase* skin = VuSkinPool::Instance().Get(*name);
    if (!skin || !skin->IsStateless()) return true;  // the built-in mark shows hover and press
  }
  return false;
}

void CVuCheckBox::SetChecked(bool checked) {
  if (!checked) {
    ModifyState(0, kVuStateChecked);
    return;
  }
  ModifyState(kVuStateChecked, 0);
  if (!unique_id_.empty()) ClearOthersInGroup();
}

void CVuCheckBox::ClearOthersInGroup() {
  std::lock_guard<std::recursive_mutex> guard(VuGlobalLock());
  for (VUHANDLE handle : GroupedBoxes()) {
    if (handle == handle_) continue;
    auto* other = dynamic_cast<CVuCheckBox*>(VuHandleTable::Instance().Lookup(handle));
    if (!other || other->unique_id_ != unique_id_ || !other->IsChecked()) continue;
    other->ModifyState(0, kVuStateChecked);
    VuInvalidateElement(*other);
  }
}

bool CVuCheckBox::ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message == WM_LBUTTONUP) {
    if (IsEnabled(true) && VuPointIn(rect_, VuPointFromLParam(lparam))) {
      SetChecked(!IsChecked());
      VuInvalidateElement(*this);
    }
    if (result) *result = 0;
    return true;
  }
  return CVuWindow::ProcessMessage(message, wparam, lparam, result);
}

void CVuCheckBox::PaintContent(ZCanvas* dc) {
  if (!dc) return;
  VuDrawChoiceBox(dc, BoxRect(), IsChecked() ? skin_check_ : skin_, state_, false);
  if (text_.empty()) return;
  ZRect text_rect = rect_;
  text_rect.left = VuSaturate(int64_t{rect_.left} + BoxWidth() + TextSpacing());
  const UINT format = (GetStyle()->textmode | DT_VCENTER) & ~static_cast<UINT>(DT_BOTTOM);
  DrawElementText(dc, text_, text_rect, format);
}
