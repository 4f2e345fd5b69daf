#include "ui/controls/CVuStatic.h"

const char* CVuStatic::GetTag() const { return "text"; }
