// What "radio" and "customradio" share: membership of a "group", in which
// checking one box clears every other box of that group in the same dialog
// (the element tree under the same root). Boxes without a "group" form one
// group with their siblings that have none.
#pragma once

#include <string>

#include "platform/types.h"
#include "platform/window_messages.h"

class CVuWindow;

// The attributes both radio kinds take, other than "check".
struct VuRadioSettings {
  std::string group;
  std::string skin = "cmn_radio";
  std::string skin_check = "cmn_radio_check";
  int box_size = 13;
  int text_spacing = 4;
  // "group", "skin", "skin_check", "radiobox_size" (1-4096; less fails),
  // "text_spacing" (clamped to +-4096): 1, or E_FAIL for another name or a
  // value without digits.
  HRESULT Apply(const char* name, const char* value);
};

class IVuRadioMember {
 public:
  virtual ~IVuRadioMember() = default;
  virtual const std::string& RadioGroup() const = 0;
};

// Clears the checked bit of every other member of self's group, repainting
// those that change.
void VuClearRadioGroup(CVuWindow* self, const std::string& group);

// The behaviour both kinds share. Checks (clearing the rest of the group)
// or unchecks member.
void VuRadioSetChecked(CVuWindow* member, const std::string& group, bool checked);
// Whether a state change repaints: a skin that draws by state, or none.
bool VuRadioSkinsDependOnState(const VuRadioSettings& settings);
// A left-button release inside an enabled, unchecked member checks it; a
// checked member stays checked.
void VuRadioTakeRelease(CVuWindow* member, const std::string& group, LPARAM lparam);
