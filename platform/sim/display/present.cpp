// Decides what a window shows: the frame of a visible top-level window goes
// to run/frames/ and, with a display, to X; a hidden or destroyed one leaves both.
#include "platform/sim/display/SimPresent.h"
#include "platform/sim/display/present_internal.h"
#include "platform/sim/windows/SimWindowState.h"
#include "platform/sim/windows/window_records.h"

namespace simdisplay {

namespace {

enum class Shown { kNothing, kFrame, kHidden };

Shown Take(HWND window, Snapshot* out) {
  using namespace simwin;
  State& s = S();
  std::lock_guard<std::mutex> guard(s.mutex);
  Window* w = Find(s, window);
  // Children are part of their top-level window; message-only windows are never seen.
  if (!w || (w->style & WS_CHILD) || (w->record_flags & kFlagHidden)) return Shown::kNothing;
  if (w->destroying || !VisibleLocked(s, window) || (w->style & WS_MINIMIZE)) return Shown::kHidden;
  const SimWindowPixels* source = nullptr;
  if ((w->ex_style & WS_EX_LAYERED) && w->layered.width) {
    source = &w->layered;
    out->screen_x = w->rect.left;
    out->screen_y = w->rect.top;
  } else if (w->surface.width && w->surface.height) {
    source = &w->surface;
    out->origin_x = w->client.left - w->rect.left;
    out->origin_y = w->client.top - w->rect.top;
    out->screen_x = w->client.left;
    out->screen_y = w->client.top;
  }
  if (!source) return Shown::kNothing;
  out->width = source->width;
  out->height = source->height;
  out->title = w->title;
  out->class_name = w->class_name;
  auto pixels = std::make_shared<std::vector<uint32_t>>(source->pixels);
  if (source == &w->layered && w->layered.alpha != 255) {
    const uint32_t alpha = w->layered.alpha;
    for (uint32_t& pixel : *pixels) {
      uint32_t scaled = 0;
      for (int shift = 0; shift < 32; shift += 8)
        scaled |= ((((pixel >> shift) & 0xFF) * alpha + 127) / 255) << shift;
      pixel = scaled;
    }
  }
  out->pixels = std::move(pixels);
  return Shown::kFrame;
}

}  // namespace

void WindowChanged(HWND window) {
  Snapshot frame;
  switch (Take(window, &frame)) {
    case Shown::kNothing:
      return;
    case Shown::kHidden:
      RemoveFrame(window);
      RemoveFromDisplay(window);
      return;
    case Shown::kFrame:
      WriteFrame(window, frame);
      ShowOnDisplay(window, frame);
      return;
  }
}

void WindowGone(HWND window) {
  RemoveFrame(window);
  RemoveFromDisplay(window);
}

}  // namespace simdisplay
