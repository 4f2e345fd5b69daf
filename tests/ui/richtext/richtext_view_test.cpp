// Rich text inside a real dialog: the view routes the mouse to it, a click
// on a link reaches the application as a command with the link's id and
// the class "richtext".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window_input.h"
#include "tests/ui/dialog/dialog_test_support.h"
#include "ui/dialog/CVuDialogImpl.h"
#include "ui/dialog/VuFramework.h"
#include "ui/element/VuNotify.h"
#include "ui/richtext/CVuRichText.h"

namespace {

class NotedDialog : public CVuDialogImpl {
 public:
  explicit NotedDialog(int id) : CVuDialogImpl(id) {}
  std::vector<std::pair<int, int>> commands;  // (item id, 1 when the class was "richtext")
  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                            LRESULT* result) override {
    if (message == WM_NOTIFY) {
      const auto* record = reinterpret_cast<const VuNotifyRecord*>(lparam);
      if (record->code == kVuNotifyCommand)
        commands.push_back({record->item_id, record->item_class && std::string(record->item_class) == "richtext"});
    }
    return CVuDialogImpl::ProcessWindowMessage(window, message, wparam, lparam, result);
  }
};

class RichTextInView : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    WriteResource("10000.xml", "<skins/>");
    WriteResource("10001.xml", "<style><class name=\"rt\" spacing=\"6\"/></style>");
    WriteResource("11001.xml",
                  "<layer title=\"rich\" width=\"300\" height=\"120\" noborder=\"1\">"
                  "<body><richtext id=\"40\" pos=\"10,10,-10,-10\" class=\"rt\">Read the <a id=\"31\">notes</a> or the "
                  "<a id=\"32\">help</a></richtext></body></layer>");
    VuFramework::Initialize(kPrimary);
  }
};

TEST_F(RichTextInView, AClickOnALinkIsACommandWithItsId) {
  NotedDialog dialog(11001);
  HWND window = dialog.Create(nullptr);
  ASSERT_NE(window, nullptr);
  auto* rich = dynamic_cast<CVuRichText*>(dialog.FindItem(40));
  ASSERT_TRUE(rich);
  ASSERT_EQ(rich->Links().size(), 2u);
  const ZRect notes = rich->Links()[0].rect;
  const ZRect help = rich->Links()[1].rect;
  const LPARAM on_notes = MAKELPARAM(notes.left + 2, notes.top + 2);
  const LPARAM on_help = MAKELPARAM(help.left + 2, help.top + 2);
  SendMessageW(window, WM_MOUSEMOVE, 0, on_notes);
  EXPECT_EQ(rich->HoverLink(), 0);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, on_notes);
  SendMessageW(window, WM_LBUTTONUP, 0, on_notes);
  SendMessageW(window, WM_MOUSEMOVE, 0, on_help);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, on_help);
  SendMessageW(window, WM_LBUTTONUP, 0, on_help);
  // Each link's command first; then the view's own for the element, as for
  // any element with an id.
  EXPECT_EQ(dialog.commands, (std::vector<std::pair<int, int>>{{31, 1}, {40, 1}, {32, 1}, {40, 1}}));
  // A press on a link and a release on the other is no link command.
  dialog.commands.clear();
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, on_notes);
  SendMessageW(window, WM_LBUTTONUP, 0, on_help);
  EXPECT_EQ(dialog.commands, (std::vector<std::pair<int, int>>{{40, 1}}));
  DestroyWindow(window);
}

}  // namespace
