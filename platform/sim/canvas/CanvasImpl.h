// The cairo side of ZCanvas, shared by its drawing and its text.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include "platform/canvas.h"
#include "platform/sim/canvas/TextLayoutCache.h"

struct ZCanvas::Impl {
  ~Impl();
  void Release();

  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  PangoContext* text = nullptr;  // made on first use
  TextLayoutCache layouts;       // laid out in text
  int width = 0;
  int height = 0;
  int clip_depth = 0;
};

void SetSourceColor(cairo_t* cr, ZColor color);
