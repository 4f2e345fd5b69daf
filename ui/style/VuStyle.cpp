#include "ui/style/VuStyle.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "ui/resource/VuResourceLocator.h"
#include "ui/style/VuValueParsers.h"

namespace {

constexpr int kIdcArrow = 32512;
constexpr int kIdcHand = 32649;
// Layout sums margins and spacings of many children; this keeps them from overflowing.
constexpr int kMaxExtent = 32767;

int Clamped(const char* value, int low, int high) {
  return std::clamp(VuParseInt(value), low, high);
}

HRESULT SetColor(const char* value, VuColor* field) {
  VuColor color;
  if (!VuParseColor(value, &color)) return E_FAIL;
  *field = color;
  return 1;
}

HRESULT SetFont(const char* value, uint16_t* field) {
  uint16_t id;
  if (!VuParseFontId(value, &id)) return E_FAIL;
  *field = id;
  return 1;
}

HRESULT SetFlags(const char* value, uint32_t* field) {
  uint32_t flags;
  if (!VuParseTextMode(value, &flags)) return E_FAIL;
  *field = flags;
  return 1;
}

}  // namespace

const char* VuStyle::GetTag() const { return "class"; }

HRESULT VuStyle::SetAttribute(const char* name, const char* value, bool /*loading*/) {
  if (!name || !value) return E_FAIL;
  auto is = [name](const char* known) { return std::strcmp(name, known) == 0; };
  if (is("name")) {
    name_ = value;
    return 1;
  }
  if (is("crbg")) return SetColor(value, &crbg);
  if (is("crbghover")) return SetColor(value, &crbghover);
  if (is("crtext")) return SetColor(value, &crtext);
  if (is("crhover")) return SetColor(value, &crhover);
  if (is("crdisabled")) return SetColor(value, &crdisabled);
  if (is("crpush")) return SetColor(value, &crpush);
  if (is("crshadow")) return SetColor(value, &crshadow);
  if (is("textmode")) return SetFlags(value, &textmode);
  if (is("textmodeex")) return SetFlags(value, &textmodeex);
  if (is("font")) return SetFont(value, &font);
  if (is("hoverfont")) return SetFont(value, &hoverfont);
  if (is("pushfont")) return SetFont(value, &pushfont);
  if (is("margin")) {
    x_margin = y_margin = Clamped(value, -kMaxExtent, kMaxExtent);
    return 1;
  }
  if (is("x-margin")) {
    x_margin = Clamped(value, -kMaxExtent, kMaxExtent);
    return 1;
  }
  if (is("y-margin")) {
    y_margin = Clamped(value, -kMaxExtent, kMaxExtent);
    return 1;
  }
  if (is("spacing")) {
    spacing = Clamped(value, -kMaxExtent, kMaxExtent);
    return 1;
  }
  if (is("linespacing")) {
    linespacing = Clamped(value, -kMaxExtent, kMaxExtent);
    return 1;
  }
  if (is("cursor")) {
    if (std::strcmp(value, "hand") == 0) {
      cursor = kIdcHand;
    } else if (std::strcmp(value, "arrow") == 0) {
      cursor = kIdcArrow;
    } else {
      return E_FAIL;
    }
    return 1;
  }
  if (is("skin")) {
    skin = value;
    return 1;
  }
  bool* flag = is("shadow")            ? &shadow
               : is("gdiplus")         ? &gdiplus
               : is("gdipluscalctxt")  ? &gdipluscalctxt
               : is("yhresizedisable") ? &yhresizedisable
               : is("bggdiplus")       ? &bggdiplus
                                       : nullptr;
  if (flag) {
    *flag = VuParseInt(value) != 0;
    return 1;
  }
  if (is("gditxtrndhit")) {
    gditxtrndhit = Clamped(value, 0, 5);  // GDI+'s TextRenderingHint range
    return 1;
  }
  if (is("alphabg")) {
    alphabg = static_cast<uint8_t>(Clamped(value, 0, 255));
    return 1;
  }
  if (is("alphatxt")) {
    alphatxt = static_cast<uint8_t>(Clamped(value, 0, 255));
    return 1;
  }
  return E_FAIL;
}

VuColor VuStyle::TextColorForState(uint32_t state) const {
  if ((state & kVuStateDisabled) && crdisabled != kVuNoColor) return crdisabled;
  if (state & kVuStateDisabled) return crtext;
  if ((state & kVuStatePushed) && crpush != kVuNoColor) return crpush;
  if ((state & kVuStateHover) && crhover != kVuNoColor) return crhover;
  return crtext;
}

uint16_t VuStyle::FontForState(uint32_t state) const {
  if (state & kVuStateDisabled) return font;
  if ((state & kVuStatePushed) && pushfont != 0) return pushfont;
  if ((state & kVuStateHover) && hoverfont != 0) return hoverfont;
  return font;
}

VuColor VuStyle::BackgroundForState(uint32_t state) const {
  if (!(state & kVuStateDisabled) && (state & kVuStateHover) && crbghover != kVuNoColor)
    return crbghover;
  return crbg;
}

// ---------------------------------------------------------------------------

struct VuStylePool::Impl {
  std::mutex mutex;
  std::map<std::string, std::unique_ptr<VuStyle>> styles;
};

VuStylePool& VuStylePool::Instance() {
  static VuStylePool* pool = new VuStylePool();  // lives until the process ends
  return *pool;
}

VuStylePool::VuStylePool() : impl_(new Impl) { Clear(); }

void VuStylePool::Clear() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->styles.clear();
  impl_->styles.emplace(std::string(), std::make_unique<VuStyle>());
}

int VuStylePool::LoadDocument(const ZXmlElement& root) {
  VuResourceLocator& locator = VuResourceLocator::Instance();
  if (!root || !root.Name() || std::strcmp(root.Name(), "style") != 0) {
    locator.Report(root ? root.Line() : 0,
                   std::string("root <") + (root && root.Name() ? root.Name() : "") +
                       "> is not <style>: no styles read");
    return 0;
  }
  int added = 0;
  for (ZXmlElement child = root.FirstChildElement(); child; child = child.NextSiblingElement()) {
    const char* tag = child.Name() ? child.Name() : "";
    if (std::strcmp(tag, "class") != 0) {
      locator.Report(child.Line(), std::string("unknown tag <") + tag + "> in <style>");
      continue;
    }
    auto style = std::make_unique<VuStyle>();
    style->Load(child);
    if (style->Name().empty()) {
      locator.Report(child.Line(), "<class> without \"name\" skipped");
      continue;
    }
    const std::string key = style->Name();
    std::lock_guard<std::mutex> lock(impl_->mutex);
    // First definition wins; later ones (also from later sources) are dropped.
    if (impl_->styles.emplace(key, std::move(style)).second) ++added;
  }
  return added;
}

VuStyle* VuStylePool::GetStyle(const std::string& name) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  auto found = impl_->styles.find(name);
  return found == impl_->styles.end() ? nullptr : found->second.get();
}

VuStyle* VuStylePool::DefaultStyle() { return GetStyle(std::string()); }
