#include "ui/controls/basic/CVuStatic.h"

const char* CVuStatic::GetTag() const { return "text"; }
