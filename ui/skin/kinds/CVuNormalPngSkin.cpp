#include "ui/skin/kinds/CVuNormalPngSkin.h"

#include <cstring>

#include "platform/kernel.h"
#include "platform/private_profile.h"
#include "ui/skin/VuSkinValues.h"
#include "ui/resource/VuUtf8.h"

namespace {

constexpr int kDefaultExternAlpha = 255;

// "<program directory>data\skin\skincfg.ini"; empty when the program's
// path is unknown.
std::u16string SkinConfigPath() {
  char16_t module[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return u"";
  std::u16string path(module, length);
  const size_t slash = path.find_last_of(u"\\/");
  if (slash == std::u16string::npos) return u"";
  return path.substr(0, slash + 1) + u"data\\skin\\skincfg.ini";
}

}  // namespace

HRESULT CVuNormalPngSkin::SetAttribute(const char* name, const char* value, bool loading) {
  HRESULT result = CVuNormalSkin::SetAttribute(name, value, loading);
  if (result != E_FAIL || !name || !value) return result;
  if (std::strcmp(name, "alpha") == 0) {
    alpha_ = VuSkinAlpha(VuSkinInt(value));
    return S_OK;
  }
  if (std::strcmp(name, "extern_alpha_key") == 0) {
    extern_alpha_key_ = VuUtf8ToUtf16(value);
    extern_alpha_read_ = false;
    return S_OK;
  }
  return E_FAIL;
}

int CVuNormalPngSkin::EnsureLoaded() {
  SkinAlpha();
  return CVuNormalSkin::EnsureLoaded();
}

BYTE CVuNormalPngSkin::SkinAlpha() {
  if (extern_alpha_key_.empty()) return alpha_;
  if (!extern_alpha_read_) {
    extern_alpha_read_ = true;
    const std::u16string path = SkinConfigPath();
    int value = kDefaultExternAlpha;
    if (!path.empty())
      value = static_cast<int>(GetPrivateProfileIntW(u"alpha", extern_alpha_key_.c_str(),
                                                     kDefaultExternAlpha, path.c_str()));
    alpha_ = VuSkinAlpha(value);
  }
  return alpha_;
}
