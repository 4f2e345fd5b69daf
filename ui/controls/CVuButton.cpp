#include "ui/controls/CVuButton.h"

const char* CVuButton::GetTag() const { return "button"; }
