#include "platform/win32/gdiplus_api.h"

#include "platform/common/system_library.h"

namespace {

template <class Fn>
bool Find(HMODULE module, const char* name, Fn* function) {
  *function = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
  return *function != nullptr;
}

}  // namespace

const GdiPlusApi& GdiPlus() {
  static const GdiPlusApi api = [] {
    GdiPlusApi loaded;
    HMODULE module = LoadSystemLibrary(u"gdiplus.dll");
    if (!module) return loaded;
    decltype(&Gdiplus::GdiplusStartup) startup = nullptr;
    const bool found =
        Find(module, "GdiplusStartup", &startup) &&
        Find(module, "GdipCreateBitmapFromStream", &loaded.CreateBitmapFromStream) &&
        Find(module, "GdipCreateBitmapFromScan0", &loaded.CreateBitmapFromScan0) &&
        Find(module, "GdipGetImageWidth", &loaded.GetImageWidth) &&
        Find(module, "GdipGetImageHeight", &loaded.GetImageHeight) &&
        Find(module, "GdipBitmapLockBits", &loaded.BitmapLockBits) &&
        Find(module, "GdipBitmapUnlockBits", &loaded.BitmapUnlockBits) &&
        Find(module, "GdipDisposeImage", &loaded.DisposeImage) &&
        Find(module, "GdipGetImageGraphicsContext", &loaded.GetImageGraphicsContext) &&
        Find(module, "GdipCreateFromHDC", &loaded.CreateFromHDC) &&
        Find(module, "GdipDeleteGraphics", &loaded.DeleteGraphics) &&
        Find(module, "GdipSetClipHrgn", &loaded.SetClipHrgn) &&
        Find(module, "GdipSetSmoothingMode", &loaded.SetSmoothingMode) &&
        Find(module, "GdipSetPixelOffsetMode", &loaded.SetPixelOffsetMode) &&
        Find(module, "GdipSetInterpolationMode", &loaded.SetInterpolationMode) &&
        Find(module, "GdipCreateImageAttributes", &loaded.CreateImageAttributes) &&
        Find(module, "GdipSetImageAttributesColorMatrix", &loaded.SetImageAttributesColorMatrix) &&
        Find(module, "GdipSetImageAttributesWrapMode", &loaded.SetImageAttributesWrapMode) &&
        Find(module, "GdipDisposeImageAttributes", &loaded.DisposeImageAttributes) &&
        Find(module, "GdipDrawImageRectRectI", &loaded.DrawImageRectRectI) &&
        Find(module, "GdipCreatePen1", &loaded.CreatePen1) &&
        Find(module, "GdipSetPenLineJoin", &loaded.SetPenLineJoin) &&
        Find(module, "GdipDeletePen", &loaded.DeletePen) &&
        Find(module, "GdipCreateSolidFill", &loaded.CreateSolidFill) &&
        Find(module, "GdipDeleteBrush", &loaded.DeleteBrush) &&
        Find(module, "GdipDrawLines", &loaded.DrawLines) &&
        Find(module, "GdipCreatePath", &loaded.CreatePath) &&
        Find(module, "GdipDeletePath", &loaded.DeletePath) &&
        Find(module, "GdipAddPathArc", &loaded.AddPathArc) &&
        Find(module, "GdipAddPathRectangle", &loaded.AddPathRectangle) &&
        Find(module, "GdipClosePathFigure", &loaded.ClosePathFigure) &&
        Find(module, "GdipDrawPath", &loaded.DrawPath) &&
        Find(module, "GdipFillPath", &loaded.FillPath) &&
        Find(module, "GdipCreateFontFromLogfontW", &loaded.CreateFontFromLogfontW) &&
        Find(module, "GdipDeleteFont", &loaded.DeleteFont) &&
        Find(module, "GdipStringFormatGetGenericDefault", &loaded.StringFormatGetGenericDefault) &&
        Find(module, "GdipMeasureString", &loaded.MeasureString);
    if (!found) return loaded;
    Gdiplus::GdiplusStartupInput input;
    input.GdiplusVersion = 1;
    input.DebugEventCallback = nullptr;
    input.SuppressBackgroundThread = FALSE;
    input.SuppressExternalCodecs = TRUE;  // the system's own codecs only
    ULONG_PTR token = 0;
    loaded.ready = startup(&token, &input, nullptr) == Gdiplus::Ok;
    return loaded;
  }();
  return api;
}

decltype(&::AlphaBlend) AlphaBlendFunction() {
  static const decltype(&::AlphaBlend) function = [] {
    decltype(&::AlphaBlend) found = nullptr;
    HMODULE module = LoadSystemLibrary(u"msimg32.dll");
    if (module) Find(module, "AlphaBlend", &found);
    return found;
  }();
  return function;
}
