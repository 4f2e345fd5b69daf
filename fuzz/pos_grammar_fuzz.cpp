// The "pos" grammar and coordinate resolution over arbitrary text, spans,
// origins and scales: the result is always the exact value clamped to the
// int range, and laying an element out with it never overflows.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "ui/controls/basic/CVuStatic.h"
#include "ui/element/CVuContainerWnd.h"
#include "ui/element/VuPosition.h"

namespace {

int64_t Expected(const VuPosItem& item, int start, int length) {
  if (item.centre) {
    const int64_t middle = int64_t{start} + length / 2;
    return item.far_edge ? middle - item.value : middle + item.value;
  }
  if (item.far_edge) return int64_t{start} + length - item.value;
  return int64_t{start} + item.value;
}

int64_t Clamp(int64_t v) { return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : v; }

int32_t Take(const uint8_t*& data, size_t& size) {
  uint32_t v = 0;
  for (int i = 0; i < 4 && size; ++i, ++data, --size) v = v << 8 | *data;
  return static_cast<int32_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int32_t start = Take(data, size), length = Take(data, size);
  const int32_t origin_x = Take(data, size), origin_y = Take(data, size);
  const int32_t scale_bits = Take(data, size);
  const std::string text(reinterpret_cast<const char*>(data), size);

  VuPosition position = VuParsePosition(text.c_str());
  FUZZ_CHECK(position.count == 0 || position.count == 2 || position.count == 4);
  if (position.count == 0)
    for (const VuPosItem& item : position.items) FUZZ_CHECK(!item.centre && !item.far_edge && item.value == 0);
  for (const VuPosItem& item : position.items) {
    FUZZ_CHECK(VuResolve(item, start, length) == Clamp(Expected(item, start, length)));
  }
  float scale = 0;
  std::memcpy(&scale, &scale_bits, sizeof scale);
  VuScalePosition(&position, scale);

  // The same text on an element of an absolute and of a flow layout.
  CVuDialog dialog;
  dialog.SetAttribute("pos", "0,0,-0,-0", true);
  auto child = std::make_unique<CVuStatic>();
  child->SetAttribute("pos", text.c_str(), true);
  CVuStatic* placed = child.get();
  dialog.AppendChild(std::move(child));
  dialog.Position(origin_x, origin_y, length, start);
  placed->SetAttribute("pos", text.c_str(), false);
  FUZZ_CHECK(placed->GetPosition().count == position.count);

  CVuPanel panel;
  panel.SetAttribute("valign", "middle", true);
  auto flowing = std::make_unique<CVuStatic>();
  flowing->SetAttribute("pos", text.c_str(), true);
  panel.AppendChild(std::move(flowing));
  panel.AppendChild(std::make_unique<CVuStatic>());
  panel.Position(origin_x, origin_y, length, start);
  return 0;
}
