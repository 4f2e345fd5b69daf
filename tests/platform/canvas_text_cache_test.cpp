// The canvas keeps the layouts of the texts it painted: a text painted or
// measured again must come out exactly as on a canvas that never saw it,
// whatever else the canvas laid out before.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/sim/canvas/TextLayoutCache.h"

#include <pango/pangocairo.h>

namespace {

struct Case {
  std::u16string text;
  ZRect rect;
  UINT format;
  ZFont font;
};

ZFont Font(int height = -16, int weight = FW_NORMAL, bool italic = false, bool underline = false) {
  ZFont font;
  font.face = u"DejaVu Sans";
  font.height = height;
  font.weight = weight;
  font.italic = italic;
  font.underline = underline;
  return font;
}

std::vector<uint32_t> Paint(ZCanvas* canvas, const Case& c, int* result, ZRect* calc) {
  canvas->Clear();
  ZRect rect = c.rect;
  *result = canvas->PaintText(c.text, &rect, c.format, c.font, ZColor{0, 0, 0, 255});
  *calc = rect;
  return {canvas->Pixels(), canvas->Pixels() + canvas->Width() * canvas->Height()};
}

// Same text, each differing from another in one thing a layout depends on.
std::vector<Case> Cases() {
  const std::u16string text = u"Remove &all the files of the product now";
  const ZRect box{4, 4, 300, 120};
  return {
      {text, box, DT_SINGLELINE, Font()},
      {text, box, DT_SINGLELINE | DT_NOPREFIX, Font()},
      {text, box, DT_SINGLELINE | DT_END_ELLIPSIS, Font()},
      {text, {4, 4, 150, 120}, DT_SINGLELINE | DT_END_ELLIPSIS, Font()},
      {text, box, DT_WORDBREAK, Font()},
      {text, {4, 4, 120, 120}, DT_WORDBREAK, Font()},
      {text, {4, 4, 120, 30}, DT_WORDBREAK | DT_END_ELLIPSIS, Font()},
      {text, {4, 4, 120, 60}, DT_WORDBREAK | DT_END_ELLIPSIS, Font()},
      {text, {4, 4, 120, 120}, DT_WORDBREAK | DT_CENTER, Font()},
      {text, {4, 4, 120, 120}, DT_WORDBREAK | DT_RIGHT, Font()},
      {text, {4, 4, 120, 120}, DT_WORDBREAK | DT_CALCRECT, Font()},
      {u"Remove\nall", box, DT_CENTER, Font()},
      {u"Remove\nall", box, DT_SINGLELINE, Font()},
      {text, box, DT_SINGLELINE, Font(-20)},
      {text, box, DT_SINGLELINE, Font(20)},
      {text, box, DT_SINGLELINE, Font(-16, FW_BOLD)},
      {text, box, DT_SINGLELINE, Font(-16, FW_NORMAL, true)},
      {text, box, DT_SINGLELINE, Font(-16, FW_NORMAL, false, true)},
      {u"Remove &all the files", box, DT_SINGLELINE, Font()},
      {u"Remove a&ll the files", box, DT_SINGLELINE, Font()},
  };
}

TEST(CanvasTextCacheTest, TextsLaidOutBeforeDoNotChangeWhatIsPainted) {
  const std::vector<Case> cases = Cases();
  ZCanvas warm;
  ASSERT_TRUE(warm.Create(320, 130));
  int result = 0;
  ZRect calc{};
  // Every case once, so that the next round finds all of them kept.
  for (const Case& c : cases) Paint(&warm, c, &result, &calc);
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    ZCanvas fresh;
    ASSERT_TRUE(fresh.Create(320, 130));
    int fresh_result = 0, warm_result = 0;
    ZRect fresh_calc{}, warm_calc{};
    const auto expected = Paint(&fresh, cases[i], &fresh_result, &fresh_calc);
    EXPECT_TRUE(Paint(&warm, cases[i], &warm_result, &warm_calc) == expected);
    EXPECT_EQ(warm_result, fresh_result);
    EXPECT_EQ(warm_calc.right, fresh_calc.right);
    EXPECT_EQ(warm_calc.bottom, fresh_calc.bottom);
  }
}

TEST(CanvasTextCacheTest, MeasureStringKeepsEachWidthApart) {
  const std::u16string text = u"The quick brown fox jumps over the lazy dog";
  ZCanvas warm;
  ASSERT_TRUE(warm.Create(10, 10));
  const float widths[] = {0, 400, 120, 120.5f, 60};
  for (float width : widths) warm.MeasureString(text, Font(), width);
  warm.MeasureString(text, Font(-20), 0);
  for (float width : widths) {
    SCOPED_TRACE(width);
    ZCanvas fresh;
    ASSERT_TRUE(fresh.Create(10, 10));
    const ZSizeF expected = fresh.MeasureString(text, Font(), width);
    const ZSizeF again = warm.MeasureString(text, Font(), width);
    EXPECT_EQ(again.width, expected.width);
    EXPECT_EQ(again.height, expected.height);
  }
}

class TextLayoutCacheTest : public ::testing::Test {
 protected:
  void SetUp() override { context_ = pango_font_map_create_context(pango_cairo_font_map_get_default()); }
  void TearDown() override {
    cache_.Clear();
    g_object_unref(context_);
  }
  // Keeps a new layout under key (the cache holds the only reference after).
  PangoLayout* Keep(const std::string& key) {
    PangoLayout* layout = pango_layout_new(context_);
    cache_.Keep(key, context_, {layout, 12});
    g_object_unref(layout);
    return layout;
  }
  PangoContext* context_ = nullptr;
  TextLayoutCache cache_;
};

TEST_F(TextLayoutCacheTest, LeastRecentlyUsedGoesFirstAndLongKeysAreNotKept) {
  for (size_t i = 0; i < TextLayoutCache::kMaxEntries; ++i) Keep("k" + std::to_string(i));
  ASSERT_NE(cache_.Find("k0", context_), nullptr);  // k0 now the most recent, k1 the oldest
  Keep("new");
  EXPECT_EQ(cache_.Size(), TextLayoutCache::kMaxEntries);
  EXPECT_EQ(cache_.Find("k1", context_), nullptr);
  EXPECT_NE(cache_.Find("k0", context_), nullptr);
  EXPECT_NE(cache_.Find("new", context_), nullptr);
  // Kept again under the same key: the newer layout replaces the older.
  PangoLayout* newer = Keep("k0");
  EXPECT_EQ(cache_.Find("k0", context_)->layout, newer);
  EXPECT_EQ(cache_.Size(), TextLayoutCache::kMaxEntries);
  Keep(std::string(TextLayoutCache::kMaxKeyBytes + 1, 'x'));
  EXPECT_EQ(cache_.Find(std::string(TextLayoutCache::kMaxKeyBytes + 1, 'x'), context_), nullptr);
}

TEST_F(TextLayoutCacheTest, LongTextsAreKeptWithinABudgetOfBytes) {
  const size_t fit = TextLayoutCache::kMaxTotalKeyBytes / TextLayoutCache::kMaxKeyBytes;
  auto Long = [](size_t i) { return std::to_string(i) + std::string(TextLayoutCache::kMaxKeyBytes - 8, 'x'); };
  for (size_t i = 0; i <= fit; ++i) Keep(Long(i));
  EXPECT_EQ(cache_.Size(), fit);
  EXPECT_EQ(cache_.Find(Long(0), context_), nullptr);
  // Replacing or clearing gives the bytes back.
  for (int round = 0; round < 3; ++round) Keep(Long(fit));
  Keep(Long(fit + 1));
  EXPECT_NE(cache_.Find(Long(2), context_), nullptr);
  cache_.Clear();
  for (size_t i = 0; i < fit; ++i) Keep(Long(i));
  EXPECT_EQ(cache_.Size(), fit);
}

TEST_F(TextLayoutCacheTest, ChangedFontsDropWhatWasKept) {
  Keep("a");
  ASSERT_NE(cache_.Find("a", context_), nullptr);
  // What a font added or removed does to every context of the font map.
  pango_context_changed(context_);
  EXPECT_EQ(cache_.Find("a", context_), nullptr);
  EXPECT_EQ(cache_.Size(), 0u);
}

}  // namespace
