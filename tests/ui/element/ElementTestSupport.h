// Element trees for the element tests: styles and layouts from XML text,
// with the process-wide pools and the locator reset around each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/xml.h"
#include "ui/core/VuHandleTable.h"
#include "ui/element/CVuContainerWnd.h"
#include "ui/element/VuControlFactory.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/style/VuStyle.h"

// "left,top,right,bottom".
inline std::string ElementRectText(const ZRect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

class ElementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VuResourceLocator::Instance().ResetForTest();
    VuResourceLocator::Instance().SetProblemSink(
        [this](const VuLoadProblem& problem) { problems_.push_back(problem); });
    VuStylePool::Instance().Clear();
  }
  void TearDown() override {
    VuStylePool::Instance().Clear();
    VuResourceLocator::Instance().ResetForTest();
  }

  // Adds the "class" elements of <style>...</style>.
  void LoadStyles(const std::string& classes) {
    ZXmlDocument doc;
    ASSERT_TRUE(doc.Parse(("<style>" + classes + "</style>").c_str()));
    VuStylePool::Instance().LoadDocument(doc.FirstChildElement());
  }

  // The element of the document's root tag, loaded with its children.
  template <typename T = CVuWindow>
  std::unique_ptr<T> LoadTree(const std::string& xml) {
    ZXmlDocument doc;
    EXPECT_TRUE(doc.Parse(xml.c_str())) << xml;
    ZXmlElement root = doc.FirstChildElement();
    std::unique_ptr<CVuWindow> element;
    if (root && std::string(root.Name()) == "div")
      element = std::make_unique<CVuPanel>();
    else if (root)
      element = VuCreateControl(root.Name(), nullptr);
    if (!element) return nullptr;
    element->Load(root);
    T* typed = dynamic_cast<T*>(element.get());
    if (!typed) return nullptr;
    element.release();
    return std::unique_ptr<T>(typed);
  }

  static std::string RectText(const ZRect& r) { return ElementRectText(r); }
  static std::string RectOf(CVuContainerWnd* parent, int id) {
    CVuWindow* element = parent->FindChildById(id);
    return element ? RectText(element->GetRect()) : "missing";
  }

  std::vector<VuLoadProblem> problems_;
};
