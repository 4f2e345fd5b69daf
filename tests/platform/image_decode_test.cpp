// Pictures decoded by the layer: the seed files of known pixels in every
// format, and untrusted input of every bad kind refused without a crash.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/common/image_header.h"
#include "platform/image.h"
#include "tests/support/SimTestSupport.h"

namespace {

std::vector<uint8_t> Seed(const std::string& name) {
  std::ifstream in(std::string(kSourceDir) + "/fuzz/corpus/image_loader/" + name, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Near(uint32_t actual, uint32_t expected, int tolerance = 1) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
    if (std::abs(a - e) > tolerance) return false;
  }
  return true;
}

void PutBe32(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

TEST(ImageDecodeTest, EachFormatGivesItsPixelsPremultiplied) {
  ZImage png;
  ASSERT_TRUE(png.LoadBytes(Seed("rgba.png").data(), Seed("rgba.png").size()));
  ASSERT_EQ(png.Width(), 2);
  ASSERT_EQ(png.Height(), 2);
  EXPECT_EQ(png.PixelAt(0, 0), 0xFFFF0000u);
  EXPECT_EQ(png.PixelAt(1, 0), 0xFF00FF00u);
  EXPECT_EQ(png.PixelAt(0, 1), 0x80000080u);  // blue at alpha 128
  EXPECT_EQ(png.PixelAt(1, 1), 0x00000000u);  // white at alpha 0

  ZImage bmp;
  ASSERT_TRUE(bmp.LoadBytes(Seed("rgb.bmp").data(), Seed("rgb.bmp").size()));
  ASSERT_EQ(bmp.Width(), 2);
  EXPECT_EQ(bmp.PixelAt(0, 0), 0xFFFF0000u);  // rows stored bottom-up
  EXPECT_EQ(bmp.PixelAt(1, 0), 0xFF00FF00u);
  EXPECT_EQ(bmp.PixelAt(0, 1), 0xFF0000FFu);
  EXPECT_EQ(bmp.PixelAt(1, 1), 0xFFFFFFFFu);

  ZImage jpeg;
  ASSERT_TRUE(jpeg.LoadBytes(Seed("gray.jpg").data(), Seed("gray.jpg").size()));
  ASSERT_EQ(jpeg.Width(), 8);
  ASSERT_EQ(jpeg.Height(), 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_TRUE(Near(jpeg.PixelAt(x, y), 0xFF808080u)) << x << "," << y;

  // Only the first frame of an animation.
  ZImage gif;
  ASSERT_TRUE(gif.LoadBytes(Seed("two.gif").data(), Seed("two.gif").size()));
  ASSERT_EQ(gif.Width(), 2);
  EXPECT_EQ(gif.PixelAt(0, 0), 0xFFFF0000u);
  EXPECT_EQ(gif.PixelAt(1, 0), 0xFF00FF00u);
  EXPECT_EQ(gif.PixelAt(0, 1), 0xFF0000FFu);
  EXPECT_EQ(gif.PixelAt(1, 1), 0xFFFFFFFFu);
}

TEST(ImageDecodeTest, EmptyWrongTypeAndTruncatedInputIsRefused) {
  ZImage image;
  EXPECT_FALSE(image.LoadBytes(nullptr, 0));
  const uint8_t zero[1] = {0};
  EXPECT_FALSE(image.LoadBytes(zero, 0));
  const std::string text = "not a picture at all, only text";
  EXPECT_FALSE(image.LoadBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  // Formats a decoder library knows but the layer does not take: TIFF, an icon.
  const uint8_t tiff[] = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(image.LoadBytes(tiff, sizeof tiff));
  const uint8_t icon[] = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 0, 0};
  EXPECT_FALSE(image.LoadBytes(icon, sizeof icon));

  for (const char* name : {"rgba.png", "rgb.bmp", "gray.jpg", "two.gif"}) {
    const std::vector<uint8_t> whole = Seed(name);
    ASSERT_FALSE(whole.empty()) << name;
    // The GIF's last bytes belong to its second frame, which is never read.
    const size_t last = std::string(name) == "two.gif" ? 30 : 3;
    for (size_t cut : {size_t{8}, whole.size() / 2, whole.size() - last}) {
      EXPECT_FALSE(image.LoadBytes(whole.data(), cut)) << name << " cut at " << cut;
      EXPECT_TRUE(image.Empty());
    }
  }
}

TEST(ImageDecodeTest, CorruptDataIsRefused) {
  ZImage image;
  std::vector<uint8_t> png = Seed("rgba.png");
  png[png.size() - 20] ^= 0xFF;  // inside IDAT: its check sum no longer holds
  EXPECT_FALSE(image.LoadBytes(png.data(), png.size()));
  std::vector<uint8_t> jpeg = Seed("gray.jpg");
  const size_t scan = jpeg.size() - 13;
  ASSERT_EQ(jpeg[scan + 1], 0xDA);
  jpeg[scan + 5] = 9;  // the scan names a component the frame does not have
  EXPECT_FALSE(image.LoadBytes(jpeg.data(), jpeg.size()));
  std::vector<uint8_t> bmp = Seed("rgb.bmp");
  bmp[28] = 3;  // 3 bits per pixel does not exist
  EXPECT_FALSE(image.LoadBytes(bmp.data(), bmp.size()));
}

// Headers that claim huge pictures are refused from the header alone.
TEST(ImageDecodeTest, OversizedHeadersAreRefusedBeforeDecoding) {
  ImageHeader header;
  std::vector<uint8_t> png = Seed("rgba.png");
  ASSERT_TRUE(ReadImageHeader(png.data(), png.size(), &header));
  EXPECT_EQ(header.format, ImageFormat::kPng);
  PutBe32(&png, 16, 100000);
  PutBe32(&png, 20, 100000);
  EXPECT_FALSE(ReadImageHeader(png.data(), png.size(), &header));
  ZImage image;
  EXPECT_FALSE(image.LoadBytes(png.data(), png.size()));
  // Within each side but over the pixel count: 16384 x 16384.
  PutBe32(&png, 16, 16384);
  PutBe32(&png, 20, 16384);
  EXPECT_FALSE(ReadImageHeader(png.data(), png.size(), &header));
  PutBe32(&png, 16, 0);
  PutBe32(&png, 20, 2);
  EXPECT_FALSE(ReadImageHeader(png.data(), png.size(), &header));

  std::vector<uint8_t> bmp = Seed("rgb.bmp");
  bmp[20] = 0x10;  // width 0x100002
  EXPECT_FALSE(ReadImageHeader(bmp.data(), bmp.size(), &header));
  bmp = Seed("rgb.bmp");
  bmp[22] = bmp[23] = bmp[24] = 0xFF;  // height -0x80000002 + ...: a negative giant
  bmp[25] = 0x80;
  EXPECT_FALSE(ReadImageHeader(bmp.data(), bmp.size(), &header));

  // A header size no Windows has: a decoder would allocate that much.
  bmp = Seed("rgb.bmp");
  bmp[14] = 0x28, bmp[15] = 0xD3, bmp[16] = bmp[17] = 0xFF;
  EXPECT_FALSE(ReadImageHeader(bmp.data(), bmp.size(), &header));
  EXPECT_FALSE(image.LoadBytes(bmp.data(), bmp.size()));
  bmp = Seed("rgb.bmp");
  bmp[10] = 200;  // pixels said to start past the end
  EXPECT_FALSE(ReadImageHeader(bmp.data(), bmp.size(), &header));

  std::vector<uint8_t> gif = Seed("two.gif");
  ASSERT_TRUE(ReadImageHeader(gif.data(), gif.size(), &header));
  EXPECT_LT(header.decode_size, gif.size());  // the second frame is left out
  gif[6] = gif[7] = gif[8] = gif[9] = 0xFF;   // 65535 x 65535 screen
  EXPECT_FALSE(ReadImageHeader(gif.data(), gif.size(), &header));
  EXPECT_FALSE(image.LoadBytes(gif.data(), gif.size()));

  std::vector<uint8_t> jpeg = Seed("gray.jpg");
  ASSERT_TRUE(ReadImageHeader(jpeg.data(), jpeg.size(), &header));
  EXPECT_EQ(header.width, 8);
  // The frame header follows the 69-byte quantisation segment.
  const size_t sof = 2 + 69;
  ASSERT_EQ(jpeg[sof + 1], 0xC0);
  jpeg[sof + 5] = jpeg[sof + 6] = jpeg[sof + 7] = jpeg[sof + 8] = 0xFD;  // 65021 x 65021
  EXPECT_FALSE(ReadImageHeader(jpeg.data(), jpeg.size(), &header));
  EXPECT_FALSE(image.LoadBytes(jpeg.data(), jpeg.size()));
}

TEST(ImageDecodeTest, OnlyTheJpegCodingsGdiPlusReadsAreTaken) {
  const std::vector<uint8_t> seed = Seed("gray.jpg");
  const size_t sof = 2 + 69;
  ImageHeader header;
  ZImage image;
  for (uint8_t marker : {0xC1, 0xC2}) {
    std::vector<uint8_t> jpeg = seed;
    jpeg[sof + 1] = marker;
    EXPECT_TRUE(ReadImageHeader(jpeg.data(), jpeg.size(), &header)) << int(marker);
  }
  // Lossless, hierarchical and arithmetic-coded frames.
  for (uint8_t marker : {0xC3, 0xC5, 0xC7, 0xC9, 0xCA, 0xCB, 0xCD, 0xCF}) {
    std::vector<uint8_t> jpeg = seed;
    jpeg[sof + 1] = marker;
    EXPECT_FALSE(ReadImageHeader(jpeg.data(), jpeg.size(), &header)) << int(marker);
    EXPECT_FALSE(image.LoadBytes(jpeg.data(), jpeg.size())) << int(marker);
  }
  // Found by fuzzing: an arithmetic-coded frame the decoder never finished.
  std::ifstream in(std::string(kSourceDir) + "/fuzz/corpus/image_loader/timeout-arithmetic-jpeg",
                   std::ios::binary);
  const std::vector<uint8_t> hang((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(hang.empty());
  EXPECT_FALSE(image.LoadBytes(hang.data(), hang.size()));
  // Too many progressive scans.
  std::vector<uint8_t> many(seed.begin(), seed.end() - 2);
  for (int i = 0; i < 70; ++i) many.insert(many.end(), {0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0, 0x3F});
  many.insert(many.end(), {0xFF, 0xD9});
  EXPECT_FALSE(ReadImageHeader(many.data(), many.size(), &header));
}

class ImageFileTest : public MachineTest {};

TEST_F(ImageFileTest, LoadsThroughTheLayersFilesAndRefusesWhatIsNotThere) {
  const std::vector<uint8_t> png = Seed("rgba.png");
  ASSERT_TRUE(WriteTextFile(Real("pic.png"), std::string(png.begin(), png.end())));
  ASSERT_TRUE(WriteTextFile(Real("empty.png"), ""));
  ZImage image;
  ASSERT_TRUE(image.LoadFile(u"C:\\PIC.png"));  // any case, as on Windows
  EXPECT_EQ(image.PixelAt(1, 0), 0xFF00FF00u);
  EXPECT_FALSE(image.LoadFile(u"C:\\empty.png"));
  EXPECT_TRUE(image.Empty());
  EXPECT_FALSE(image.LoadFile(u"C:\\missing.png"));

  // A canvas saved through the same files reads back as it was drawn.
  ZCanvas canvas;
  ASSERT_TRUE(canvas.Create(3, 2));
  canvas.FillRect({1, 0, 3, 2}, {10, 200, 30, 255});
  ASSERT_TRUE(canvas.SavePng(u"C:\\shot.png"));
  EXPECT_TRUE(PathExists(Real("shot.png")));
  ASSERT_TRUE(image.LoadFile(u"C:\\shot.png"));
  EXPECT_EQ(image.PixelAt(0, 0), 0u);
  EXPECT_EQ(image.PixelAt(2, 1), 0xFF0AC81Eu);
  EXPECT_FALSE(canvas.SavePng(u"C:\\no such folder\\shot.png"));
}

}  // namespace
