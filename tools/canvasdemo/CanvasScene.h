// One window's worth of drawing: every canvas primitive, 40 calls in all, on
// a 600 x 420 canvas. The demo paints it once and saves it; the benchmark
// repaints it.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/canvas.h"
#include "platform/image.h"

constexpr int kSceneWidth = 600;
constexpr int kSceneHeight = 420;

// A 48 x 48 picture: a disk whose alpha fades out to its rim, over nothing.
inline ZImage SceneDisk() {
  const int side = 48;
  std::vector<uint32_t> pixels(side * side);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const double dx = x + 0.5 - side / 2.0, dy = y + 0.5 - side / 2.0;
      const double d = std::sqrt(dx * dx + dy * dy) / (side / 2.0);
      const uint32_t a = d >= 1 ? 0 : static_cast<uint32_t>(255 * (1 - d * d));
      const uint32_t r = 230 * a / 255, g = (40 + 4 * x) * a / 255, b = (60 + 3 * y) * a / 255;
      pixels[y * side + x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  ZImage image;
  image.Assign(side, side, std::move(pixels));
  return image;
}

// Where the scene writes text: glyphs differ from one font renderer to the
// next, so a comparison of two back ends' pictures leaves these out.
constexpr ZRect kSceneTitleRect{16, 0, kSceneWidth - 16, 56};
constexpr ZRect kSceneParagraphRect{28, 246, 194, 296};
constexpr ZRect kScenePathRect{218, 246, 414, 266};
constexpr ZRect kSceneRightRect{218, 270, 414, 294};
constexpr ZRect kSceneChineseRect{20, 320, 300, 350};
constexpr ZRect kSceneItalicRect{310, 320, 580, 350};
constexpr ZRect kSceneStruckRect{20, 352, 200, 372};
constexpr ZRect kSceneYesRect{380, 370, 480, 402};
constexpr ZRect kSceneNoRect{490, 370, 580, 402};
constexpr ZRect kSceneTextRects[] = {kSceneTitleRect,  kSceneParagraphRect, kScenePathRect,
                                     kSceneRightRect,  kSceneChineseRect,   kSceneItalicRect,
                                     kSceneStruckRect, kSceneYesRect,       kSceneNoRect};

// picture: any image (the disk, or a file the demo was given).
inline void PaintScene(ZCanvas* canvas, const ZImage& disk, const ZImage& picture) {
  const ZColor ink{32, 40, 52, 255};
  ZFont text;
  text.face = u"Tahoma";
  text.height = -13;
  ZFont title = text;
  title.height = -22;
  title.weight = FW_BOLD;

  // Background and title bar (5)
  canvas->Clear({0, 0, 0, 0});
  canvas->FillRoundRect({0, 0, kSceneWidth, kSceneHeight}, 10, {246, 248, 252, 255});
  canvas->GradientFillV({0, 0, kSceneWidth, 56}, {40, 96, 180, 255}, {80, 140, 220, 255});
  canvas->GradientFillH({0, 56, kSceneWidth, 60}, {255, 200, 40, 255}, {255, 200, 40, 0});
  ZRect title_rect = kSceneTitleRect;
  canvas->PaintText(u"Remove Sample Product", &title_rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE,
                   title, {255, 255, 255, 255});

  // Translucent fills (3)
  canvas->FillRect({20, 80, 120, 160}, {220, 40, 40, 128});
  canvas->FillRect({60, 110, 160, 190}, {40, 180, 60, 128});
  canvas->FillRect({100, 140, 200, 220}, {40, 80, 220, 128});

  // Pictures: 1:1, stretched, faded, a part (5)
  canvas->DrawImage(disk, {0, 0, 48, 48}, {220, 80, 268, 128});
  canvas->DrawImage(disk, {0, 0, 48, 48}, {280, 80, 424, 224});
  canvas->DrawImage(disk, {0, 0, 48, 48}, {220, 140, 268, 188}, 100);
  canvas->DrawImage(disk, {24, 0, 48, 24}, {220, 196, 268, 220});
  canvas->DrawImage(picture, {0, 0, picture.Width(), picture.Height()}, {440, 80, 580, 160});

  // Lines and outlines (8)
  const ZPoint chart[] = {{440, 220}, {470, 180}, {500, 200}, {530, 170}, {580, 190}};
  canvas->DrawPolyline(chart, 5, 2, {138, 138, 138, 100});
  canvas->DrawLine({440, 230}, {580, 230}, 1, {0, 0, 0, 255});
  canvas->DrawLine({440, 236}, {580, 236}, 3, {200, 30, 30, 180});
  canvas->DrawLine({440, 170}, {440, 230}, 1, {0, 0, 0, 255});
  canvas->DrawRect({436, 164, 584, 244}, 1, {90, 90, 90, 255});
  canvas->DrawRoundRect({20, 240, 200, 300}, 8, 2, {40, 96, 180, 255});
  canvas->DrawRect({210, 240, 420, 300}, 3, {40, 180, 60, 160});
  canvas->DrawLine({20, 310}, {580, 310}, 1, {200, 200, 210, 255});

  // Text: wrapped, cut short, aligned, with an access key, Chinese (8)
  ZRect para = kSceneParagraphRect;
  canvas->PaintText(u"The product and all of its files will be removed from this computer.",
                   &para, DT_LEFT | DT_WORDBREAK | DT_END_ELLIPSIS, text, ink);
  ZRect cut = kScenePathRect;
  canvas->PaintText(u"C:\\Program Files\\Sample Product\\a very long folder name\\app.exe", &cut,
                   DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX, text, ink);
  ZRect right = kSceneRightRect;
  canvas->PaintText(u"Right aligned", &right, DT_RIGHT | DT_SINGLELINE | DT_VCENTER, text, ink);
  ZRect chinese = kSceneChineseRect;
  ZFont cjk = text;
  cjk.height = -18;
  canvas->PaintText(u"\u5378\u8F7D\u7A0B\u5E8F \u2014 \u6B63\u5728\u5220\u9664", &chinese,
                   DT_LEFT | DT_SINGLELINE | DT_VCENTER, cjk, ink);
  ZFont styled = text;
  styled.italic = true;
  styled.underline = true;
  ZRect italic = kSceneItalicRect;
  canvas->PaintText(u"Italic, underlined", &italic, DT_RIGHT | DT_SINGLELINE | DT_VCENTER, styled,
                   ink);
  ZFont struck = text;
  struck.strike_out = true;
  ZRect gone = kSceneStruckRect;
  canvas->PaintText(u"Struck out", &gone, DT_LEFT | DT_SINGLELINE, struck, ink);

  // Buttons: rounded fill, outline, caption with an access key (9)
  canvas->FillRoundRect({380, 370, 480, 402}, 6, {40, 96, 180, 255});
  canvas->DrawRoundRect({380, 370, 480, 402}, 6, 1, {20, 60, 130, 255});
  ZRect yes = kSceneYesRect;
  canvas->PaintText(u"&Uninstall", &yes, DT_CENTER | DT_VCENTER | DT_SINGLELINE, text,
                   {255, 255, 255, 255});
  canvas->FillRoundRect({490, 370, 580, 402}, 6, {230, 232, 236, 255});
  canvas->DrawRoundRect({490, 370, 580, 402}, 6, 1, {150, 150, 160, 255});
  ZRect no = kSceneNoRect;
  canvas->PaintText(u"Cancel", &no, DT_CENTER | DT_VCENTER | DT_SINGLELINE, text, ink);
  canvas->GradientFillV({20, 378, 360, 394}, {220, 224, 230, 255}, {200, 204, 212, 255});
  canvas->GradientFillH({20, 378, 200, 394}, {60, 170, 90, 255}, {40, 140, 220, 255});
  canvas->DrawRect({20, 378, 360, 394}, 1, {150, 150, 160, 255});

  // Clipped: a gradient seen through two windows (2 + 1 + 1)
  const ZRect windows[] = {{220, 196, 268, 204}, {220, 212, 268, 220}};
  canvas->PushClip(windows, 2);
  canvas->GradientFillH({200, 190, 290, 225}, {255, 255, 255, 200}, {0, 0, 0, 200});
  canvas->PopClip();
}
