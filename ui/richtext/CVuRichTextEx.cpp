#include "ui/richtext/CVuRichTextEx.h"

#include "ui/richtext/CRichTextGdiPlusGraphics.h"

const char* CVuRichTextEx::GetTag() const { return "richtextex"; }

std::unique_ptr<IRichTextGraphics> CVuRichTextEx::MakeGraphics(ZCanvas* canvas) const {
  return std::make_unique<CRichTextGdiPlusGraphics>(canvas);
}

uint8_t CVuRichTextEx::TextAlpha() const { return text_alpha_; }
