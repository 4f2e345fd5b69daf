// Font files added by a program: fontconfig takes them as application fonts
// and the text layout of this thread's font map sees them at once.
// The layer's headers come first: glib defines TRUE and FALSE only when
// nobody has.
#include "platform/fonts.h"
#include "platform/kernel.h"
#include "platform/sim/files/SimPath.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <mutex>
#include <set>
#include <string>

namespace {

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

// The real files added so far; fontconfig keeps no per-file count.
std::set<std::string>& Added() {
  static std::set<std::string> added;
  return added;
}

void RefreshFontMap() {
  PangoFontMap* map = pango_cairo_font_map_get_default();
  if (PANGO_IS_FC_FONT_MAP(map)) pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(map));
}

}  // namespace

int AddFontResourceExW(LPCWSTR name, DWORD flags, PVOID reserved) {
  if (!name || reserved || (flags & ~static_cast<DWORD>(FR_PRIVATE | FR_NOT_ENUM))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string real;
  DWORD error = SimResolveExistingW(AsU16(name), &real);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return 0;
  }
  // How many faces the file holds; none: not a font file.
  int count = 0;
  FcPattern* first = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(real.c_str()), 0, nullptr, &count);
  if (!first) {
    SetLastError(ERROR_INVALID_DATA);
    return 0;
  }
  FcPatternDestroy(first);
  std::lock_guard<std::mutex> guard(Lock());
  if (!Added().count(real)) {
    if (!FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(real.c_str()))) {
      SetLastError(ERROR_INVALID_DATA);
      return 0;
    }
    Added().insert(real);
    RefreshFontMap();
  }
  return count > 0 ? count : 1;
}

BOOL RemoveFontResourceExW(LPCWSTR name, DWORD, PVOID reserved) {
  if (!name || reserved) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string real;
  DWORD error = SimResolveExistingW(AsU16(name), &real);
  std::lock_guard<std::mutex> guard(Lock());
  if (error != ERROR_SUCCESS || !Added().erase(real)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  // fontconfig can only drop every application font: add the others back.
  FcConfigAppFontClear(nullptr);
  for (const std::string& file : Added())
    FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(file.c_str()));
  RefreshFontMap();
  return TRUE;
}
