// Shared set-up of the skin tests: a machine with a primary resource
// directory C:\res\uninstall, empty pools, load problems collected, a DPI
// manager of the test's own (scaling off unless the test writes settings),
// and images written as real PNG or BMP files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/sim/core/SimHost.h"
#include "platform/xml.h"
#include "tests/support/SimTestSupport.h"
#include "ui/dpi/VuDpiManager.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/skin/VuImagePools.h"
#include "ui/skin/VuSkinPool.h"

// Colours as the canvas stores opaque ones: 0xAARRGGBB.
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kMagenta = 0xFFFF00FF;
constexpr uint32_t kYellow = 0xFFFFFF00;
constexpr uint32_t kCyan = 0xFF00FFFF;
constexpr uint32_t kGrey = 0xFF808080;

class SkinTest : public MachineTest {
 protected:
  using PixelFn = std::function<uint32_t(int x, int y)>;

  void SetUp() override {
    MachineTest::SetUp();
    ResetPools();
    ASSERT_EQ(RunCommand({"/bin/mkdir", "-p", Real("res/uninstall"),
                          Real("Program Files/Vantrell/data/skin"),
                          Real("Program Files/Vantrell/ressrc/chs")})
                  .exit_code,
              0);
    SimHost::SetModulePath(u"C:\\Program Files\\Vantrell\\nuvotray.exe");
    VuResourceLocator::Instance().SetPrimaryDirectory(u"C:\\res\\uninstall");
    VuResourceLocator::Instance().SetProblemSink(
        [this](const VuLoadProblem& problem) { problems_.push_back(problem.message); });
    UseNewDpiManager();
    ASSERT_TRUE(canvas_.Create(64, 64));
    canvas_.Clear(ZColor{255, 255, 255, 255});
  }
  void TearDown() override {
    ResetPools();
    VuSetImageDpiManager(nullptr);
    dpi_.reset();
    SimHost::SetModulePath(u"");
    MachineTest::TearDown();
  }
  static void ResetPools() {
    VuSkinPool::Instance().Clear();
    VuImagePool::Png().Clear();
    VuImagePool::Jpg().Clear();
    VuBmpPool::Instance().Clear();
    VuResourceLocator::Instance().ResetForTest();
  }
  // A fresh DPI manager reading the settings as they now are; pools emptied.
  void UseNewDpiManager() {
    VuSetImageDpiManager(nullptr);
    dpi_ = std::make_unique<VuDpiManager>();
    VuSetImageDpiManager(dpi_.get());
    VuImagePool::Png().Clear();
    VuImagePool::Jpg().Clear();
    VuBmpPool::Instance().Clear();
  }
  // Scaling on for this process at dpi (debug mode), then a new manager.
  void ScaleForDpi(int dpi) {
    ASSERT_TRUE(WriteTextFile(Real("Program Files/Vantrell/ressrc/chs/dpisetting.ini"),
                              "[basesetting]\r\ndebug=1\r\ndebugdpi=" + std::to_string(dpi) +
                                  "\r\n"));
    UseNewDpiManager();
  }

  static std::string PngBytes(int width, int height, const PixelFn& pixel) {
    ZCanvas canvas;
    EXPECT_TRUE(canvas.Create(width, height));
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) canvas.Pixels()[y * width + x] = pixel(x, y);
    std::vector<uint8_t> png;
    EXPECT_TRUE(canvas.EncodePng(&png));
    return std::string(png.begin(), png.end());
  }
  // A 24-bit bottom-up BMP file.
  static std::string BmpBytes(int width, int height, const PixelFn& pixel) {
    const int stride = (width * 3 + 3) & ~3;
    const uint32_t size = 54 + stride * height;
    std::string bmp(size, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    bmp[26] = 1;
    bmp[28] = 24;
    put32(34, stride * height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const uint32_t p = pixel(x, y);
        const size_t at = 54 + static_cast<size_t>(height - 1 - y) * stride + x * 3;
        bmp[at] = static_cast<char>(p & 0xFF);
        bmp[at + 1] = static_cast<char>((p >> 8) & 0xFF);
        bmp[at + 2] = static_cast<char>((p >> 16) & 0xFF);
      }
    }
    return bmp;
  }
  // Vertical stripes of width each, one colour per stripe.
  static PixelFn Stripes(int width, std::vector<uint32_t> colours) {
    return [width, colours](int x, int) { return colours[(x / width) % colours.size()]; };
  }
  void WriteResource(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(WriteTextFile(Real("res/uninstall/" + name), bytes));
  }

  // Loads "<skins>" + body + "</skins>" into the pool.
  int LoadSkins(const std::string& body) {
    ZXmlDocument doc;
    EXPECT_TRUE(doc.Parse(("<skins>" + body + "</skins>").c_str()));
    return VuSkinPool::Instance().LoadDocument(doc.FirstChildElement());
  }
  CVuSkinBase* Skin(const std::string& name) {
    CVuSkinBase* skin = VuSkinPool::Instance().Get(name);
    EXPECT_NE(skin, nullptr) << name;
    return skin;
  }
  // Draws skin name over rect on a white canvas.
  void Draw(const std::string& name, const ZRect& rect, int state, BYTE alpha = 255) {
    canvas_.Clear(ZColor{255, 255, 255, 255});
    if (CVuSkinBase* skin = Skin(name)) skin->Draw(&canvas_, rect, state, alpha);
  }
  uint32_t Px(int x, int y) const { return canvas_.PixelAt(x, y); }
  // True when every pixel of rect has colour.
  ::testing::AssertionResult AllOf(const ZRect& rect, uint32_t colour) const {
    for (int y = rect.top; y < rect.bottom; ++y)
      for (int x = rect.left; x < rect.right; ++x)
        if (Px(x, y) != colour)
          return ::testing::AssertionFailure()
                 << "pixel " << x << "," << y << " is " << std::hex << Px(x, y) << " not "
                 << colour;
    return ::testing::AssertionSuccess();
  }
  size_t ProblemsMentioning(const std::string& text) const {
    size_t count = 0;
    for (const std::string& problem : problems_) count += problem.find(text) != std::string::npos;
    return count;
  }

  ZCanvas canvas_;
  std::vector<std::string> problems_;
  std::unique_ptr<VuDpiManager> dpi_;
};
