// The image controls' and containers' rows of the control gallery (layout
// 11090): they load without a problem, the image controls drawn in a state
// frame differ by state, the containers draw their selected page, rows and
// children; the picture goes to ui-renders/11090_containers.png.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "tests/ui/dialog/dialog_test_support.h"
#include "ui/controls/container/CVuListWnd.h"
#include "ui/controls/container/CVuTabCtrl.h"
#include "ui/dialog/CVuDialogView.h"
#include "ui/dialog/VuFramework.h"

namespace {

constexpr uint32_t kColumnStates[5] = {0, kVuStateHover, kVuStateHover | kVuStatePushed, kVuStateChecked,
                                       kVuStateDisabled};
enum Row { kImgex = 19, kImgex2, kExpend, kRotate, kStorage, kGray, kLastRow = kGray };  // grey: no states

class ContainerGalleryTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    CopySampleSet();
    VuFramework::Initialize(kPrimary);
  }
  std::vector<uint32_t> Pixels(int id) const {
    const ZRect r = view_->FindItem(id)->GetRect();
    std::vector<uint32_t> out;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) out.push_back(canvas_.PixelAt(x, y));
    return out;
  }
  static int Id(int row, int column) { return 9000 + row * 10 + column; }
  std::unique_ptr<CVuDialogView> view_;
  ZCanvas canvas_;
};

TEST_F(ContainerGalleryTest, ImageRowsByStateAndContainers) {
  view_ = std::make_unique<CVuDialogView>(11090);
  ASSERT_TRUE(view_->LoadLayout());
  EXPECT_EQ(Problems(), "");
  for (int row = kImgex; row <= kLastRow; ++row)
    for (int column = 0; column < 5; ++column) {
      CVuWindow* element = view_->FindItem(Id(row, column));
      ASSERT_NE(element, nullptr) << Id(row, column);
      element->ModifyState(kColumnStates[column], 0);
    }
  const int width = view_->Layout().Attributes().width, height = view_->Layout().Attributes().height;
  view_->LayoutView(width, height);
  view_->PaintClient(&canvas_, width, height, nullptr);
  std::vector<uint8_t> png;
  ASSERT_TRUE(canvas_.EncodePng(&png));
  RunCommand({"/bin/mkdir", "-p", std::string(UNINST_BUILD_DIR) + "/ui-renders"});
  std::ofstream(std::string(UNINST_BUILD_DIR) + "/ui-renders/11090_containers.png", std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));

  // Frames by state: hover, pushed and disabled each differ from normal.
  for (int row : {kImgex, kImgex2, kExpend, kRotate, kStorage})
    for (int column : {1, 2, 4}) EXPECT_NE(Pixels(Id(row, 0)), Pixels(Id(row, column))) << row << "/" << column;
  auto* tabs = dynamic_cast<CVuTabCtrl*>(view_->FindItem(9310));
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->GetCurSel(), 1);
  auto* list = dynamic_cast<CVuListWnd*>(view_->FindItem(9320));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetContentHeight(), 130);  // five rows in view, the sixth out of it
  EXPECT_NE(view_->FindItem(9331), nullptr);
}

}  // namespace
