#include "ui/controls/basic/CVuLineBreak.h"

const char* CVuLineBreak::GetTag() const { return "br"; }

VUHANDLE CVuLineBreak::HitTest(int, int, int) { return 0; }

VuSize CVuLineBreak::WantedSize(int, int) { return {}; }
