// Paints every primitive of the canvas into a 600 x 420 picture and saves it
// as a PNG: a look at the canvas without a window. With --window, shows the
// same scene in a window of the machine it runs in (SIMHOST_MACHINE) until
// the window is closed; --trace prints the messages its input becomes.
//   canvasdemo [OUT.png [PICTURE]]   PICTURE: a PNG, BMP, JPEG or GIF to show too
//   canvasdemo --window [--trace]
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/canvas.h"
#include "platform/image.h"
#include "tools/canvasdemo/CanvasScene.h"
#include "tools/canvasdemo/DemoWindow.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--window") == 0)
    return RunDemoWindow(argc > 2 && std::strcmp(argv[2], "--trace") == 0);
  const char* out = argc > 1 ? argv[1] : "canvasdemo.png";
  const ZImage disk = SceneDisk();
  ZImage picture = disk;
  if (argc > 2) {
    std::ifstream in(argv[2], std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (!picture.LoadBytes(bytes.data(), bytes.size())) {
      std::fprintf(stderr, "canvasdemo: %s is not a picture it reads\n", argv[2]);
      return 1;
    }
  }
  ZCanvas canvas;
  if (!canvas.Create(kSceneWidth, kSceneHeight)) return 1;
  PaintScene(&canvas, disk, picture);
  std::vector<uint8_t> png;
  std::ofstream file(out, std::ios::binary);
  if (!canvas.EncodePng(&png) ||
      !file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()))) {
    std::fprintf(stderr, "canvasdemo: cannot write %s\n", out);
    return 1;
  }
  std::printf("%s: %d x %d\n", out, kSceneWidth, kSceneHeight);
  return 0;
}
