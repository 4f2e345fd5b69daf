// Paints every primitive of the canvas into a 600 x 420 picture and saves it
// as a PNG: a look at the canvas without a window. With --window, shows the
// same scene in a window of the machine it runs in (SIMHOST_MACHINE) until
// the window is closed; --trace prints the messages its input becomes.
//   canvasdemo [OUT.png [PICTURE]]   PICTURE: a PNG, BMP, JPEG or GIF to show too
//   canvasdemo --window [--trace]
//       --trace prints "painted" at each paint, then "client at X Y" (the
//       client area's place on the screen) once shown, then its messages
//   canvasdemo --compare PICTURE [--opaque]
//       compares PICTURE (another back end's scene, or with --opaque a
//       screenshot of the window) with the scene painted here, outside text;
//       prints the differences, exit 0 when they are within the bounds
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/canvas.h"
#include "platform/image.h"
#include "tools/canvasdemo/CanvasScene.h"
#include "tools/canvasdemo/DemoWindow.h"
#include "tools/canvasdemo/SceneCompare.h"

namespace {

bool ReadPicture(const char* path, ZImage* picture) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  if (picture->LoadBytes(bytes.data(), bytes.size())) return true;
  std::fprintf(stderr, "canvasdemo: %s is not a picture it reads\n", path);
  return false;
}

bool PaintSceneOn(ZCanvas* canvas, const ZImage& disk, const ZImage& picture) {
  if (!canvas->Create(kSceneWidth, kSceneHeight)) return false;
  PaintScene(canvas, disk, picture);
  return true;
}

int Compare(const char* path, bool opaque) {
  ZImage other;
  if (!ReadPicture(path, &other)) return 2;
  const ZImage disk = SceneDisk();
  ZCanvas canvas;
  if (!PaintSceneOn(&canvas, disk, disk)) return 2;
  ZImage scene;
  scene.Assign(kSceneWidth, kSceneHeight,
               std::vector<uint32_t>(canvas.Pixels(), canvas.Pixels() + kSceneWidth * kSceneHeight));
  const ZPictureDifference difference = CompareWithScene(scene, other, opaque);
  const bool same = PictureDifferenceAcceptable(difference);
  std::printf("%s: %s (%s)\n", path, same ? "the scene" : "NOT the scene",
              DescribePictureDifference(difference).c_str());
  return same ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--window") == 0)
    return RunDemoWindow(argc > 2 && std::strcmp(argv[2], "--trace") == 0);
  if (argc > 2 && std::strcmp(argv[1], "--compare") == 0)
    return Compare(argv[2], argc > 3 && std::strcmp(argv[3], "--opaque") == 0);
  const char* out = argc > 1 ? argv[1] : "canvasdemo.png";
  const ZImage disk = SceneDisk();
  ZImage picture = disk;
  if (argc > 2 && !ReadPicture(argv[2], &picture)) return 1;
  ZCanvas canvas;
  if (!PaintSceneOn(&canvas, disk, picture)) return 1;
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
