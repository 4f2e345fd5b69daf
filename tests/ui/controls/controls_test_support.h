// Shared set-up of the control tests: the skin machine of SkinTest with two
// four-frame strips ("off": red, green, blue, yellow; "on": cyan, magenta,
// black, grey, 10 x 10 each), empty styles, and helpers that load a control
// (or a tree) from XML text, drive it with mouse messages and paint it.
#pragma once

#include <memory>
#include <string>

#include "platform/window_input.h"
#include "tests/ui/element/ElementTestSupport.h"
#include "tests/ui/skin/skin_test_support.h"
#include "ui/controls/container/CVuControlCreator.h"
#include "ui/element/CVuContainerWnd.h"
#include "ui/element/VuControlFactory.h"
#include "ui/style/VuStyle.h"

class ControlTest : public SkinTest {
 protected:
  void SetUp() override {
    SkinTest::SetUp();
    VuStylePool::Instance().Clear();
    ASSERT_TRUE(canvas_.Create(200, 120));
    WriteResource("5.bmp", BmpBytes(40, 10, Stripes(10, {kRed, kGreen, kBlue, kYellow})));
    WriteResource("6.bmp", BmpBytes(40, 10, Stripes(10, {kCyan, kMagenta, kBlack, kGrey})));
    LoadSkins(R"(<imglst name="off" src="5" subwidth="10"/>
                 <imglst name="on" src="6" subwidth="10"/>)");
  }
  void TearDown() override {
    CVuWindow::SetDpiManagerForTest(nullptr);
    VuStylePool::Instance().Clear();
    SkinTest::TearDown();
  }
  // Adds the "class" elements of <style>...</style>.
  void LoadStyles(const std::string& classes) {
    ZXmlDocument doc;
    ASSERT_TRUE(doc.Parse(("<style>" + classes + "</style>").c_str()));
    VuStylePool::Instance().LoadDocument(doc.FirstChildElement());
  }
  // The control of xml's root tag (through the factory and the extended
  // controls' creator), loaded and
  // positioned at the origin with the offered size.
  template <typename T>
  std::unique_ptr<T> Make(const std::string& xml, int cx = 64, int cy = 64, bool dpi_aware = false) {
    ZXmlDocument doc;
    EXPECT_TRUE(doc.Parse(xml.c_str())) << xml;
    ZXmlElement root = doc.FirstChildElement();
    std::unique_ptr<CVuWindow> element = VuCreateControl(root.Name(), &CVuControlCreator::Default());
    if (!element) return nullptr;
    element->SetDpiAware(dpi_aware);
    element->Load(root);
    element->Position(0, 0, cx, cy);
    T* typed = dynamic_cast<T*>(element.get());
    if (!typed) return nullptr;
    element.release();
    return std::unique_ptr<T>(typed);
  }
  static LPARAM At(int x, int y) {
    return static_cast<LPARAM>((static_cast<uint32_t>(y & 0xFFFF) << 16) | static_cast<uint32_t>(x & 0xFFFF));
  }
  // A mouse message at (x, y) with the key state the view passes on.
  static void Send(CVuWindow* element, UINT message, int x, int y, WPARAM keys = 0) {
    LRESULT result = 0;
    element->ProcessMessage(message, keys, At(x, y), &result);
  }
  // Press and release at (x, y), as the view delivers them.
  static void Click(CVuWindow* element, int x, int y) {
    element->ModifyState(kVuStatePushed, 0);
    Send(element, WM_LBUTTONDOWN, x, y);
    element->ModifyState(0, kVuStatePushed);
    Send(element, WM_LBUTTONUP, x, y);
  }
  // Paints element on a white canvas with exactly the state bits given.
  void PaintIn(CVuWindow* element, uint32_t state) {
    element->ModifyState(state, ~state);
    canvas_.Clear(ZColor{255, 255, 255, 255});
    element->Redraw(&canvas_, nullptr);
  }
  size_t Count(const ZRect& rect, uint32_t colour) const {
    size_t n = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
      for (int x = rect.left; x < rect.right; ++x) n += Px(x, y) == colour;
    return n;
  }
  // Pixels of rect whose channels are all below 80 (text ink), or all above 200.
  size_t Dark(const ZRect& rect) const { return CountIf(rect, [](int r, int g, int b) { return r < 80 && g < 80 && b < 80; }); }
  size_t Light(const ZRect& rect) const {
    return CountIf(rect, [](int r, int g, int b) { return r > 200 && g > 200 && b > 200; });
  }
  template <typename F>
  size_t CountIf(const ZRect& rect, F f) const {
    size_t n = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
      for (int x = rect.left; x < rect.right; ++x) {
        const uint32_t p = Px(x, y);
        n += f(static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF));
      }
    return n;
  }
  // Pixels of rect that are neither white nor transparent.
  size_t Inked(const ZRect& rect) const {
    size_t n = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
      for (int x = rect.left; x < rect.right; ++x) n += Px(x, y) != kWhite && Px(x, y) != 0;
    return n;
  }
};
