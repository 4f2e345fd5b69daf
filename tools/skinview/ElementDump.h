// One JSON line per element of a laid-out dialog.
#pragma once

#include <cstdio>

class VuLayout;

// {"id": 101, "tag": "button", "rect": [l, t, r, b], "visible": true} for
// every element under header, body and footer, in tree order; "visible" is
// with its parents.
void PrintElements(const VuLayout& layout, FILE* out);
