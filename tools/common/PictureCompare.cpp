#include "tools/common/PictureCompare.h"

#include <cstdio>
#include <cstdlib>
#include <vector>


namespace {

// Text rectangles with a margin: a glyph's anti-aliasing and an underline
// may reach a pixel or two past its rectangle.
bool InText(const std::vector<ZRect>& left_out, int x, int y) {
  const int margin = 2;
  for (const ZRect& r : left_out)
    if (x >= r.left - margin && x < r.right + margin && y >= r.top - margin &&
        y < r.bottom + margin)
      return true;
  return false;
}

int Channel(uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

int Distance(uint32_t want, uint32_t got, bool opaque) {
  int worst = 0;
  for (int shift = 0; shift < (opaque ? 24 : 32); shift += 8) {
    const int off = std::abs(Channel(want, shift) - Channel(got, shift));
    if (off > worst) worst = off;
  }
  return worst;
}

// How far the picture is from the scene's pixel at (x, y): the closest of
// the picture's pixel there and its eight neighbours. Renderers place an
// anti-aliased edge a fraction of a pixel apart; a missing or misplaced
// primitive has no neighbour of the right colour.
int NearestDistance(const ZImage& scene, const ZImage& picture, int x, int y, bool opaque) {
  const uint32_t want = scene.PixelAt(x, y);
  int best = Distance(want, picture.PixelAt(x, y), opaque);
  for (int dy = -1; dy <= 1 && best > 0; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int nx = x + dx, ny = y + dy;
      if (nx < 0 || ny < 0 || nx >= picture.Width() || ny >= picture.Height()) continue;
      const int off = Distance(want, picture.PixelAt(nx, ny), opaque);
      if (off < best) best = off;
    }
  return best;
}

}  // namespace

ZPictureDifference ComparePictures(const ZImage& scene, const ZImage& picture,
                                   const std::vector<ZRect>& left_out, bool opaque) {
  ZPictureDifference d;
  d.same_size = scene.Width() == picture.Width() && scene.Height() == picture.Height();
  if (!d.same_size) return d;
  const int tiles_across = (scene.Width() + kPictureTile - 1) / kPictureTile;
  std::vector<int> tiles(static_cast<size_t>(tiles_across) * ((scene.Height() + kPictureTile - 1) / kPictureTile));
  for (int y = 0; y < scene.Height(); ++y)
    for (int x = 0; x < scene.Width(); ++x) {
      if (InText(left_out, x, y)) continue;
      if (opaque && (scene.PixelAt(x, y) >> 24) != 0xFF) continue;
      const int worst = NearestDistance(scene, picture, x, y, opaque);
      ++d.compared;
      if (worst > kPictureCloseDifference) ++d.over_close;
      if (worst > kPictureTileDifference) {
        int& tile = tiles[static_cast<size_t>(y / kPictureTile) * tiles_across + x / kPictureTile];
        if (++tile > d.tile_over_close) d.tile_over_close = tile;
      }
      if (worst > kPictureLooseDifference) ++d.over_loose;
      if (worst > d.max_channel) {
        d.max_channel = worst;
        d.worst_x = x;
        d.worst_y = y;
      }
    }
  return d;
}

bool PictureDifferenceAcceptable(const ZPictureDifference& d) {
  return d.same_size && d.compared > 0 &&
         static_cast<long long>(d.over_close) * 1000 <=
             static_cast<long long>(d.compared) * kPictureCloseShareMille &&
         d.tile_over_close <= kPictureTileAllowance && d.over_loose <= kPictureLooseAllowance;
}

std::string DescribePictureDifference(const ZPictureDifference& d) {
  if (!d.same_size) return "not the reference's size";
  char line[256];
  std::snprintf(line, sizeof(line),
                "%d pixels compared outside text: %d off by more than %d, %d by more than %d; "
                "largest difference %d at (%d, %d); at most %d off by more than %d in a tile",
                d.compared, d.over_close, kPictureCloseDifference, d.over_loose,
                kPictureLooseDifference, d.max_channel, d.worst_x, d.worst_y, d.tile_over_close,
                kPictureTileDifference);
  return line;
}
