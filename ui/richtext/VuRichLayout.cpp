#include "ui/richtext/VuRichLayout.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int64_t kLimit = 1 << 30;
constexpr int kFarAbove = 1 << 16;

int Clamp64(int64_t value) { return static_cast<int>(std::clamp<int64_t>(value, -kLimit, kLimit)); }

size_t UnitsAt(const std::u16string& text, size_t at) {
  const char16_t c = text[at];
  if (c >= 0xD800 && c < 0xDC00 && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] < 0xE000)
    return 2;
  return 1;
}

int Ceil(float value) {
  if (!(value > 0)) return 0;
  return value > 1e9f ? static_cast<int>(kLimit) : static_cast<int>(std::ceil(value));
}

// Builds the lines: pieces and links are added to the open line and get
// their vertical place when it closes.
class LineBuilder {
 public:
  LineBuilder(const std::vector<VuRichRun>& runs, const VuRichGeometry& g, VuRichMeasurer* m,
              uint16_t default_font, VuRichLayout* out)
      : runs_(runs), g_(g), m_(m), default_height_(m->LineHeight(default_font)), out_(out) {
    x_ = static_cast<float>(g.left);
    top_ = g.top;
  }

  bool Stopped() const { return out_->truncated; }
  float X() const { return x_; }
  void SetX(float x) { x_ = x; }
  float Left() const { return static_cast<float>(g_.left); }
  float Right() const { return static_cast<float>(g_.right); }
  bool AtLineStart() const { return x_ <= Left(); }

  void AddPiece(size_t run, size_t start, size_t length, float width) {
    VuRichPiece piece;
    piece.run = run;
    piece.start = start;
    piece.length = length;
    piece.x = x_;
    piece.width = width;
    piece.height = m_->LineHeight(runs_[run].font_id);
    out_->pieces.push_back(piece);
    Hold(x_ + width, piece.height);
    x_ += width;
  }

  void AddLink(size_t run, float width, int height) {
    VuRichLinkBox box;
    box.run = run;
    box.x = x_;
    box.width = width;
    box.height = height;
    out_->links.push_back(box);
    Hold(x_ + width, height);
    x_ += width;
  }

  // Ends the line; the next one starts at the left edge.
  void Close() {
    VuRichLine line;
    line.top = top_;
    line.height = held_ ? height_ : default_height_;
    line.right = held_ ? right_ : Left();
    int shift = 0;
    if (g_.centre && held_) shift = std::max(0, Clamp64((int64_t{g_.right} - Ceil(right_ - Left()) - g_.left) / 2));
    Place(&out_->pieces, first_piece_, line, shift);
    Place(&out_->links, first_link_, line, shift);
    line.right += static_cast<float>(shift);
    out_->lines.push_back(line);
    out_->right = std::max(out_->right, line.right);
    out_->bottom = Clamp64(int64_t{top_} + line.height);
    top_ = Clamp64(int64_t{top_} + line.height + g_.line_spacing);
    // A negative line spacing can walk lines upwards: far above is as unseen as below.
    if (top_ > g_.max_bottom || top_ < g_.top - kFarAbove) out_->truncated = true;
    first_piece_ = out_->pieces.size();
    first_link_ = out_->links.size();
    held_ = false;
    height_ = 0;
    right_ = Left();
    x_ = Left();
  }

  // Crosses `count` whole empty lines at once (a long offset).
  void SkipEmptyLines(int64_t count) {
    if (count <= 0) return;
    top_ = Clamp64(int64_t{top_} + count * (int64_t{default_height_} + g_.line_spacing));
    if (top_ > g_.max_bottom) out_->truncated = true;
  }

  void Finish() {
    if (held_ || out_->lines.empty() || x_ > Left()) Close();
  }

 private:
  void Hold(float right, int height) {
    held_ = true;
    right_ = std::max(right_, right);
    height_ = std::max(height_, height);
  }

  template <typename T>
  void Place(std::vector<T>* items, size_t first, const VuRichLine& line, int shift) {
    for (size_t i = first; i < items->size(); ++i) {
      T& item = (*items)[i];
      const int space = std::max(0, line.height - item.height);
      switch (runs_[item.run].align) {
        case VuRichAlign::kTop: item.y = line.top; break;
        case VuRichAlign::kCentre: item.y = Clamp64(int64_t{line.top} + space / 2); break;
        case VuRichAlign::kBottom: item.y = Clamp64(int64_t{line.top} + space); break;
      }
      item.x += static_cast<float>(shift);
    }
  }

  const std::vector<VuRichRun>& runs_;
  const VuRichGeometry& g_;
  VuRichMeasurer* m_;
  int default_height_;
  VuRichLayout* out_;
  float x_ = 0;
  int top_ = 0;
  bool held_ = false;
  int height_ = 0;
  float right_ = 0;
  size_t first_piece_ = 0;
  size_t first_link_ = 0;
};

void LayText(LineBuilder* lines, VuRichMeasurer* m, size_t index, const VuRichRun& run) {
  const std::u16string& text = run.text;
  size_t at = 0;
  while (at < text.size() && !lines->Stopped()) {
    // The longest prefix that ends at or before the right edge.
    const float room = lines->Right() - lines->X();
    float width = 0;
    size_t end = at;
    while (end < text.size()) {
      const size_t units = UnitsAt(text, end);
      const float advance = m->Advance(run.font_id, text, end, units);
      if (width + advance > room) break;
      width += advance;
      end += units;
    }
    if (end == at) {
      if (!lines->AtLineStart()) {
        lines->Close();
        continue;
      }
      // Wider than the whole line: alone on it.
      const size_t units = UnitsAt(text, at);
      width = m->Advance(run.font_id, text, at, units);
      end = at + units;
    }
    lines->AddPiece(index, at, end - at, width);
    at = end;
    if (at < text.size()) lines->Close();
  }
}

void LayOffset(LineBuilder* lines, int offset) {
  const float x = lines->X();
  if (offset < 0) {
    lines->SetX(std::max(lines->Left(), x + static_cast<float>(offset)));
    return;
  }
  const double target = static_cast<double>(x) + offset;
  if (target <= lines->Right()) {
    lines->SetX(static_cast<float>(target));
    return;
  }
  // What passes the right edge goes on from the left of the next lines.
  const double width = std::max(1.0, static_cast<double>(lines->Right()) - lines->Left());
  const double over = target - lines->Right();
  const int64_t wraps = static_cast<int64_t>(std::ceil(over / width));
  lines->Close();
  lines->SkipEmptyLines(wraps - 1);
  lines->SetX(static_cast<float>(lines->Left() + (over - static_cast<double>(wraps - 1) * width)));
}

}  // namespace

ZRect VuRichLinkBox::Rect() const {
  const int left = static_cast<int>(std::floor(x));
  return {left, y, static_cast<int>(std::ceil(x + width)), static_cast<int>(std::min<int64_t>(int64_t{y} + height, kLimit))};
}

VuRichMeasurer::VuRichMeasurer(IRichTextGraphics* graphics, FontResolver resolver)
    : graphics_(graphics), resolver_(std::move(resolver)) {}

const ZFont& VuRichMeasurer::Font(uint16_t font_id) {
  auto found = fonts_.find(font_id);
  if (found == fonts_.end()) found = fonts_.emplace(font_id, resolver_(font_id)).first;
  return found->second;
}

float VuRichMeasurer::Advance(uint16_t font_id, const std::u16string& text, size_t at, size_t units) {
  uint32_t code = text[at];
  if (units == 2) code = 0x10000 + ((code - 0xD800) << 10) + (text[at + 1] - 0xDC00);
  const uint64_t key = uint64_t{font_id} << 32 | code;
  auto found = advances_.find(key);
  if (found != advances_.end()) return found->second;
  // Twice the character less once: what the character adds to a line,
  // without the padding a measure of a whole string carries (GDI+'s).
  const std::u16string one = text.substr(at, units);
  const float advance = std::max(0.0f, Width(font_id, one + one) - Width(font_id, one));
  // Hostile text may use every character in every size: the cache stays bounded.
  if (advances_.size() >= (1u << 16)) advances_.clear();
  advances_.emplace(key, advance);
  return advance;
}

int VuRichMeasurer::LineHeight(uint16_t font_id) {
  auto found = heights_.find(font_id);
  if (found != heights_.end()) return found->second;
  const int height = std::min(Ceil(graphics_->MeasureText(u"Ag", Font(font_id)).height), 1 << 16);
  heights_.emplace(font_id, height);
  return height;
}

float VuRichMeasurer::TextAdvance(uint16_t font_id, const std::u16string& text) {
  float width = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t units = UnitsAt(text, at);
    width += Advance(font_id, text, at, units);
    at += units;
  }
  return width;
}

float VuRichMeasurer::Width(uint16_t font_id, const std::u16string& text) {
  const float width = graphics_->MeasureText(text, Font(font_id)).width;
  return width > 0 && width < 1e7f ? width : 0;
}

VuRichLayout VuLayoutRichRuns(const std::vector<VuRichRun>& runs, const VuRichGeometry& geometry,
                              VuRichMeasurer* measurer, uint16_t default_font, int link_font) {
  VuRichLayout layout;
  LineBuilder lines(runs, geometry, measurer, default_font, &layout);
  const float spacing = static_cast<float>(geometry.spacing);
  for (size_t i = 0; i < runs.size() && !lines.Stopped(); ++i) {
    const VuRichRun& run = runs[i];
    switch (run.kind) {
      case VuRichRun::kBreak:
        lines.Close();
        break;
      case VuRichRun::kOffset:
        LayOffset(&lines, run.offset);
        break;
      case VuRichRun::kText:
        LayText(&lines, measurer, i, run);
        lines.SetX(lines.X() + spacing);
        break;
      case VuRichRun::kBox: {
        const float width = static_cast<float>(run.box_width);
        if (lines.X() + width > lines.Right() && !lines.AtLineStart()) lines.Close();
        lines.AddLink(i, width, run.box_height);
        lines.SetX(lines.X() + spacing);
        break;
      }
      case VuRichRun::kLink: {
        const uint16_t font = link_font >= 0 ? static_cast<uint16_t>(link_font) : run.font_id;
        const float width = measurer->TextAdvance(font, run.text);
        if (lines.X() + width > lines.Right() && !lines.AtLineStart()) lines.Close();
        lines.AddLink(i, width, measurer->LineHeight(font));
        lines.SetX(lines.X() + spacing);
        break;
      }
    }
  }
  if (!lines.Stopped()) lines.Finish();
  return layout;
}
