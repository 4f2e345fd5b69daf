#include "tools/canvasdemo/SceneCompare.h"

#include <iterator>

#include "tools/canvasdemo/CanvasScene.h"

ZPictureDifference CompareWithScene(const ZImage& scene, const ZImage& picture, bool opaque) {
  const std::vector<ZRect> text(std::begin(kSceneTextRects), std::end(kSceneTextRects));
  return ComparePictures(scene, picture, text, opaque);
}
