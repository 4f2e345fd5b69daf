#include "ui/controls/choice/VuRadioGroup.h"

#include <cstring>
#include <vector>

#include "ui/controls/VuControlUtil.h"
#include "ui/element/CVuContainerWnd.h"
#include "ui/skin/VuSkinPool.h"
#include "ui/style/VuValueParsers.h"

namespace {

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

void ClearIn(CVuWindow* element, CVuWindow* self, const std::string& group) {
  if (element != self)
    if (auto* member = dynamic_cast<IVuRadioMember*>(element))
      if (member->RadioGroup() == group && (element->GetState() & kVuStateChecked)) {
        element->ModifyState(0, kVuStateChecked);
        VuInvalidateElement(*element);
      }
  // Iterative over the tree would need a stack as well; depth is bounded by
  // the document parser's nesting limit.
  if (auto* container = dynamic_cast<CVuContainerWnd*>(element))
    for (const auto& child : container->Children()) ClearIn(child.get(), self, group);
}

}  // namespace

void VuClearRadioGroup(CVuWindow* self, const std::string& group) {
  if (!self) return;
  if (group.empty()) {
    // The unnamed group: the siblings.
    auto* parent = dynamic_cast<CVuContainerWnd*>(self->GetParent());
    if (!parent) return;
    for (const auto& child : parent->Children()) {
      auto* member = dynamic_cast<IVuRadioMember*>(child.get());
      if (child.get() == self || !member || !member->RadioGroup().empty()) continue;
      if (child->GetState() & kVuStateChecked) {
        child->ModifyState(0, kVuStateChecked);
        VuInvalidateElement(*child);
      }
    }
    return;
  }
  CVuWindow* root = self;
  size_t steps = 0;
  for (CVuWindow* up = self->GetParent(); up && up != self && ++steps < (1u << 20); up = up->GetParent()) root = up;
  ClearIn(root, self, group);
}

HRESULT VuRadioSettings::Apply(const char* name, const char* value) {
  if (!name || !value) return E_FAIL;
  if (Is(name, "group") || Is(name, "skin") || Is(name, "skin_check")) {
    (Is(name, "group") ? group : Is(name, "skin") ? skin : skin_check) = value;
    return 1;
  }
  int number = 0;
  if (Is(name, "radiobox_size")) {
    if (!VuParseIntIn(value, 1, 4096, &number) || VuParseInt(value) < 1) return E_FAIL;
    box_size = number;
    return 1;
  }
  if (Is(name, "text_spacing")) {
    if (!VuParseIntIn(value, -4096, 4096, &number)) return E_FAIL;
    text_spacing = number;
    return 1;
  }
  return E_FAIL;
}

void VuRadioSetChecked(CVuWindow* member, const std::string& group, bool checked) {
  if (!checked) {
    member->ModifyState(0, kVuStateChecked);
    return;
  }
  member->ModifyState(kVuStateChecked, 0);
  VuClearRadioGroup(member, group);
}

bool VuRadioSkinsDependOnState(const VuRadioSettings& settings) {
  for (const std::string* name : {&settings.skin, &settings.skin_check}) {
    CVuSkinBase* skin = VuSkinPool::Instance().Get(*name);
    if (!skin || !skin->IsStateless()) return true;
  }
  return false;
}

void VuRadioTakeRelease(CVuWindow* member, const std::string& group, LPARAM lparam) {
  if (member->IsEnabled(true) && VuPointIn(member->GetRect(), VuPointFromLParam(lparam)) &&
      !(member->GetState() & kVuStateChecked)) {
    VuRadioSetChecked(member, group, true);
    VuInvalidateElement(*member);
  }
}
