// The control gallery (layout 11090 of the sample set): every control loads
// without a problem, and with the state bits set by the id scheme its layout
// describes (9000 + row x 10 + column: normal, hover, pushed, checked,
// disabled), each state paints differently where the control shows it. The
// picture goes to ui-renders/11090_states.png for a person to look at.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "tests/ui/dialog/dialog_test_support.h"
#include "ui/dialog/CVuDialogView.h"
#include "ui/dialog/VuFramework.h"
#include "ui/element/CVuWindow.h"

namespace {

constexpr int kRows = 19;
constexpr uint32_t kColumnStates[5] = {0, kVuStateHover, kVuStateHover | kVuStatePushed, kVuStateChecked,
                                       kVuStateDisabled};

enum Row { kImgbtn = 0, kCheck = 4, kRadio = 5, kCustom = 6, kProgress = 7, kLineView = 14, kShadow = 17, kSliderView = 18 };

class GalleryTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    CopySampleSet();
    VuFramework::Initialize(kPrimary);
  }
  static int Id(int row, int column) { return 9000 + row * 10 + column; }
  // The pixels of one element's rectangle, as 0xAARRGGBB.
  std::vector<uint32_t> Cell(int row, int column) const {
    const ZRect r = view_->FindItem(Id(row, column))->GetRect();
    std::vector<uint32_t> out;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) out.push_back(canvas_.PixelAt(x, y));
    return out;
  }
  size_t CountIn(int row, int column, bool (*test)(int r, int g, int b)) const {
    size_t n = 0;
    for (uint32_t p : Cell(row, column)) n += test((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    return n;
  }
  std::unique_ptr<CVuDialogView> view_;
  ZCanvas canvas_;
};

TEST_F(GalleryTest, EveryControlInEveryState) {
  view_ = std::make_unique<CVuDialogView>(11090);
  ASSERT_TRUE(view_->LoadLayout());
  EXPECT_EQ(Problems(), "");
  for (int row = 0; row < kRows; ++row)
    for (int column = 0; column < 5; ++column) {
      CVuWindow* element = view_->FindItem(Id(row, column));
      ASSERT_NE(element, nullptr) << Id(row, column);
      element->ModifyState(kColumnStates[column], 0);
    }
  view_->LayoutView(900, 700);
  view_->PaintClient(&canvas_, 900, 700, nullptr);
  std::vector<uint8_t> png;
  ASSERT_TRUE(canvas_.EncodePng(&png));
  RunCommand({"/bin/mkdir", "-p", std::string(UNINST_BUILD_DIR) + "/ui-renders"});
  std::ofstream(std::string(UNINST_BUILD_DIR) + "/ui-renders/11090_states.png", std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));

  // Controls that draw by state differ between their columns.
  for (int row : {kImgbtn, kCheck, kRadio, kCustom, kLineView, kShadow, kSliderView}) {
    EXPECT_NE(Cell(row, 0), Cell(row, 4)) << "disabled, row " << row;
    if (row != kShadow) {
      EXPECT_NE(Cell(row, 0), Cell(row, 1)) << "hover, row " << row;
    }
  }
  for (int row : {kCheck, kRadio, kCustom}) EXPECT_NE(Cell(row, 0), Cell(row, 3)) << "checked, row " << row;
  EXPECT_NE(Cell(kShadow, 0), Cell(kShadow, 1)) << "the shadow shows on hover";
  // The checked custom radio takes the primary button's blue face.
  auto blue = [](int r, int, int b) { return b > r + 60 && b > 150; };
  EXPECT_GT(CountIn(kCustom, 3, blue), CountIn(kCustom, 0, blue) + 500);
  // Every progress bar shows its 40% in the bar colour.
  auto bar = [](int r, int g, int b) { return r == 0x42 && g == 0x61 && b == 0x90; };
  for (int column = 0; column < 4; ++column) EXPECT_GT(CountIn(kProgress, column, bar), 500u) << column;
  EXPECT_EQ(CountIn(kProgress, 4, bar), 0u) << "grey while disabled";
}

}  // namespace
