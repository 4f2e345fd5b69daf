// Image controls on a real machine's resource folder: each control made by
// the factories from XML text, placed and drawn on the white test canvas.
#pragma once

#include <memory>
#include <string>

#include "tests/ui/skin/skin_test_support.h"
#include "ui/controls/container/CVuControlCreator.h"
#include "ui/controls/image/VuMemoryImages.h"
#include "ui/element/CVuContainerWnd.h"
#include "ui/element/CVuWindow.h"
#include "ui/element/VuControlFactory.h"
#include "ui/style/VuStyle.h"

class ControlTest : public SkinTest {
 protected:
  void SetUp() override {
    SkinTest::SetUp();
    VuStylePool::Instance().Clear();
    VuMemoryImages::Instance().Clear();
  }
  void TearDown() override {
    VuMemoryImages::Instance().Clear();
    VuStylePool::Instance().Clear();
    SkinTest::TearDown();
  }

  // The element of the XML text's root, loaded and placed at rect.
  template <typename T = CVuWindow>
  std::unique_ptr<T> Make(const std::string& xml, const ZRect& rect = {0, 0, 20, 20}) {
    ZXmlDocument doc;
    EXPECT_TRUE(doc.Parse(xml.c_str())) << xml;
    ZXmlElement root = doc.FirstChildElement();
    std::unique_ptr<CVuWindow> element = VuCreateControl(root.Name(), &CVuControlCreator::Default());
    EXPECT_TRUE(element) << xml;
    if (!element) return nullptr;
    // As a parent hands its creator down.
    if (auto* container = dynamic_cast<CVuContainerWnd*>(element.get()))
      container->SetCreator(&CVuControlCreator::Default());
    element->Load(root);
    element->SetRect(rect);
    T* typed = dynamic_cast<T*>(element.get());
    EXPECT_TRUE(typed) << xml;
    if (!typed) return nullptr;
    element.release();
    return std::unique_ptr<T>(typed);
  }
  // Adds the "class" elements of <style>...</style>.
  void LoadStylesText(const std::string& classes) {
    ZXmlDocument doc;
    ASSERT_TRUE(doc.Parse(("<style>" + classes + "</style>").c_str()));
    VuStylePool::Instance().LoadDocument(doc.FirstChildElement());
  }
  static std::string RectText(const ZRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
  }
  // Paints element on a white canvas.
  void Paint(CVuWindow* element) {
    canvas_.Clear(ZColor{255, 255, 255, 255});
    element->Redraw(&canvas_, nullptr);
  }
  // A 20 x 20 bitmap skin "quad": red, green / blue, yellow quarters.
  void LoadQuadSkin() {
    WriteResource("5.bmp", BmpBytes(20, 20, [](int x, int y) {
                    return y < 10 ? (x < 10 ? kRed : kGreen) : (x < 10 ? kBlue : kYellow);
                  }));
    LoadSkins(R"(<imglst name="quad" src="5"/>)");
  }
};
