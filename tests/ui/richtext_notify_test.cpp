// A click on a link inside rich text reaches the host window as the
// element-notification request: command code 1, the link's id, the class
// "richtext"; a release over another link or a disabled element sends none.
#include <gtest/gtest.h>

#include <vector>

#include "platform/window_input.h"
#include "platform/window_messages.h"
#include "tests/support/SimTestSupport.h"
#include "ui/element/VuNotify.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/richtext/CVuRichText.h"
#include "ui/style/VuStyle.h"

namespace {

struct Seen {
  int code;
  int item_id;
  std::string item_class;
};
std::vector<Seen>* g_seen = nullptr;

// A test double of the view: it answers the element's request.
LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kVuMsgElementNotify && g_seen && lparam) {
    const auto* record = reinterpret_cast<const VuNotifyRecord*>(lparam);
    g_seen->push_back({record->code, record->item_id, record->item_class ? record->item_class : ""});
    return 1;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

class RichTextNotify : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    VuResourceLocator::Instance().ResetForTest();
    VuStylePool::Instance().Clear();
    g_seen = &seen_;
    WNDCLASSEXW c = {};
    c.cbSize = sizeof(c);
    c.lpfnWndProc = ViewProc;
    c.lpszClassName = u"RichTextHost";
    RegisterClassExW(&c);
    host_ = CreateWindowExW(0, u"RichTextHost", u"host", WS_OVERLAPPEDWINDOW, 0, 0, 300, 100, nullptr,
                            nullptr, nullptr, nullptr);
    ASSERT_TRUE(host_);
    ZXmlDocument doc;
    ASSERT_TRUE(doc.Parse("<richtext><a id='7'>first</a><a id='7'>second</a><a id='12'>third</a></richtext>"));
    element_.Load(doc.FirstChildElement());
    element_.SetHostWindow(host_);
    element_.Position(0, 0, 300, 100);
    ASSERT_EQ(element_.Links().size(), 3u);
  }
  void TearDown() override {
    if (host_) DestroyWindow(host_);
    g_seen = nullptr;
    VuStylePool::Instance().Clear();
    MachineTest::TearDown();
  }
  void Click(int press_link, int release_link) {
    const ZRect& a = element_.Links()[static_cast<size_t>(press_link)].rect;
    const ZRect& b = element_.Links()[static_cast<size_t>(release_link)].rect;
    LRESULT result = 0;
    element_.ProcessMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(a.left + 1, a.top + 1), &result);
    element_.ProcessMessage(WM_LBUTTONUP, 0, MAKELPARAM(b.left + 1, b.top + 1), &result);
  }
  std::vector<Seen> seen_;
  HWND host_ = nullptr;
  CVuRichText element_;
};

TEST_F(RichTextNotify, ReleaseOverThePressedLinkSendsItsIdAsACommand) {
  Click(0, 0);
  Click(1, 1);
  Click(2, 2);
  ASSERT_EQ(seen_.size(), 3u);
  for (const Seen& s : seen_) {
    EXPECT_EQ(s.code, kVuNotifyCommand);
    EXPECT_EQ(s.item_class, "richtext");
  }
  EXPECT_EQ(seen_[0].item_id, 7);
  EXPECT_EQ(seen_[1].item_id, 7);
  EXPECT_EQ(seen_[2].item_id, 12);

  seen_.clear();
  Click(0, 2);
  EXPECT_TRUE(seen_.empty()) << "released over another link";
  element_.ModifyState(kVuStateDisabled, 0);
  Click(2, 2);
  EXPECT_TRUE(seen_.empty()) << "disabled";
}

}  // namespace
