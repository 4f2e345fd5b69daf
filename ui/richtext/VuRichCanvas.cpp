#include "ui/richtext/VuRichCanvas.h"

ZCanvas* VuRichMeasuringCanvas(ZCanvas* canvas) {
  if (canvas && canvas->Width() > 0) return canvas;
  thread_local ZCanvas own;
  if (own.Width() == 0) own.Create(1, 1);
  return &own;
}

int VuRichClampCoordinate(double value) {
  if (!(value == value)) return 0;
  if (value > (1 << 30)) return 1 << 30;
  if (value < -(1 << 30)) return -(1 << 30);
  return static_cast<int>(value);
}
