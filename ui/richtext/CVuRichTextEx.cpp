#include "ui/richtext/CVuRichTextEx.h"

const char* CVuRichTextEx::GetTag() const { return "richtextex"; }

bool CVuRichTextEx::UsesGdiPlus() const { return true; }

uint8_t CVuRichTextEx::TextAlpha() const { return text_alpha_; }
