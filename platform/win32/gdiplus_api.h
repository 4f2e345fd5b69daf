// GDI+ and msimg32 for the canvas and the picture decoder. Neither is one of
// Windows' known DLLs: imported, either would be looked for in the program's
// own folder first. Both are loaded from the system folder and called through
// pointers; GDI+ is started once for the process and never shut down.
#pragma once

#include "platform/types.h"

#include <gdiplus.h>

struct GdiPlusApi {
  decltype(&Gdiplus::DllExports::GdipCreateBitmapFromStream) CreateBitmapFromStream = nullptr;
  decltype(&Gdiplus::DllExports::GdipCreateBitmapFromScan0) CreateBitmapFromScan0 = nullptr;
  decltype(&Gdiplus::DllExports::GdipGetImageWidth) GetImageWidth = nullptr;
  decltype(&Gdiplus::DllExports::GdipGetImageHeight) GetImageHeight = nullptr;
  decltype(&Gdiplus::DllExports::GdipBitmapLockBits) BitmapLockBits = nullptr;
  decltype(&Gdiplus::DllExports::GdipBitmapUnlockBits) BitmapUnlockBits = nullptr;
  decltype(&Gdiplus::DllExports::GdipDisposeImage) DisposeImage = nullptr;
  decltype(&Gdiplus::DllExports::GdipGetImageGraphicsContext) GetImageGraphicsContext = nullptr;
  decltype(&Gdiplus::DllExports::GdipCreateFromHDC) CreateFromHDC = nullptr;
  decltype(&Gdiplus::DllExports::GdipDeleteGraphics) DeleteGraphics = nullptr;
  decltype(&Gdiplus::DllExports::GdipSetClipHrgn) SetClipHrgn = nullptr;
  decltype(&Gdiplus::DllExports::GdipSetSmoothingMode) SetSmoothingMode = nullptr;
  decltype(&Gdiplus::DllExports::GdipSetPixelOffsetMode) SetPixelOffsetMode = nullptr;
  decltype(&Gdiplus::DllExports::GdipSetInterpolationMode) SetInterpolationMode = nullptr;
  decltype(&Gdiplus::DllExports::GdipCreateImageAttributes) CreateImageAttributes = nullptr;
  decltype(&Gdiplus::DllExports::GdipSetImageAttributesColorMatrix) SetImageAttributesColorMatrix = nullptr;
  decltype(&Gdiplus::DllExports::GdipSetImageAttributesWrapMode) SetImageAttributesWrapMode = nullptr;
  decltype(&Gdiplus::DllExports::GdipDisposeImageAttributes) DisposeImageAttributes = nullptr;
  decltype(&Gdiplus::DllExports::GdipDrawImageRectRectI) DrawImageRectRectI = nullptr;
  decltype(&Gdiplus::DllExports::GdipCreatePen1) CreatePen1 = nullptr;
  decltype(&Gdiplus::DllExports::GdipSetPenLineJoin) SetPenLineJoin = nullptr;
  decltype(&Gdiplus::DllExports::GdipDeletePen) DeletePen = nullptr;
  decltype(&Gdiplus::DllExports::GdipCreateSolidFill) CreateSolidFill = nullptr;
  decltype(&Gdiplus::DllExports::GdipDeleteBrush) DeleteBrush = nullptr;
  decltype(&Gdiplus::DllExports::GdipDrawLines) DrawLines = nullptr;
  decltype(&Gdiplus::DllExports::GdipCreatePath) CreatePath = nullptr;
  decltype(&Gdiplus::DllExports::GdipDeletePath) DeletePath = nullptr;
  decltype(&Gdiplus::DllExports::GdipAddPathArc) AddPathArc = nullptr;
  decltype(&Gdiplus::DllExports::GdipAddPathRectangle) AddPathRectangle = nullptr;
  decltype(&Gdiplus::DllExports::GdipClosePathFigure) ClosePathFigure = nullptr;
  decltype(&Gdiplus::DllExports::GdipDrawPath) DrawPath = nullptr;
  decltype(&Gdiplus::DllExports::GdipFillPath) FillPath = nullptr;
  decltype(&Gdiplus::DllExports::GdipCreateFontFromLogfontW) CreateFontFromLogfontW = nullptr;
  decltype(&Gdiplus::DllExports::GdipDeleteFont) DeleteFont = nullptr;
  decltype(&Gdiplus::DllExports::GdipStringFormatGetGenericDefault) StringFormatGetGenericDefault = nullptr;
  decltype(&Gdiplus::DllExports::GdipMeasureString) MeasureString = nullptr;
  bool ready = false;  // every function found and GDI+ started
};

// Loaded and started on first use; ready is false when that failed.
const GdiPlusApi& GdiPlus();

// msimg32's AlphaBlend; null when the library is not there.
decltype(&::AlphaBlend) AlphaBlendFunction();
