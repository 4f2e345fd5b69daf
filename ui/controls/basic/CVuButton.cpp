#include "ui/controls/basic/CVuButton.h"

const char* CVuButton::GetTag() const { return "button"; }
