#include "ui/dialog/VuLayout.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "ui/controls/container/CVuControlCreator.h"
#include "ui/dialog/VuFramework.h"
#include "ui/dpi/VuDpiManager.h"
#include "ui/element/CVuContainerWnd.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/resource/VuStringTable.h"
#include "ui/style/VuValueParsers.h"

namespace {

// The root's attributes in the order they are read.
const char* const kRootAttributes[] = {"frame",     "title",    "width",  "height",   "dpiaware",
                                       "min_width", "min_height", "appwin", "layered", "child",
                                       "holdsize",  "resize",   "noborder", "nomove"};

constexpr DWORD kWsPopup = 0x80000000;
constexpr DWORD kWsSysMenu = 0x00080000;
constexpr DWORD kWsChildClip = 0x46000000;  // WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN
constexpr DWORD kWsResizable = 0x00070000;  // WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX
constexpr DWORD kWsMaximizeBox = 0x00010000;
constexpr DWORD kWsMinimizeBox = 0x00020000;
constexpr DWORD kWsExAppWindow = 0x00040000;
constexpr DWORD kWsExLayered = 0x00080000;
constexpr DWORD kWsExTopmostTool = 0x00000088;  // WS_EX_TOPMOST | WS_EX_TOOLWINDOW
constexpr DWORD kWsExEdges = 0x00000300;        // WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE

int IntAttribute(const ZXmlElement& root, const char* name) {
  const char* value = root.Attribute(name);
  return value ? VuParseInt(value) : 0;
}

bool KnownRootAttribute(const char* name) {
  for (const char* known : kRootAttributes)
    if (std::strcmp(known, name) == 0) return true;
  return false;
}

int ScaleSide(int value, float scale) {
  const double scaled = static_cast<double>(value) * scale;
  if (scaled > 1e9) return 1000000000;
  if (scaled < -1e9) return -1000000000;
  return static_cast<int>(scaled);
}

float CurrentScale() {
  VuDpiManager& dpi = VuDpiManager::Instance();
  return dpi.IsEnabled() ? dpi.GetScale() : 1.0f;
}

}  // namespace

void VuReadLayoutAttributes(const ZXmlElement& root, float scale, VuLayoutAttributes* out) {
  *out = VuLayoutAttributes();
  if (const char* frame = root.Attribute("frame")) out->frame = frame;
  if (const char* title = root.Attribute("title"))
    out->title = VuStringTable::Instance().Substitute(VuUtf8ToUtf16(title));
  out->width = IntAttribute(root, "width");
  out->height = IntAttribute(root, "height");
  out->dpi_aware = IntAttribute(root, "dpiaware") != 0;
  if (out->dpi_aware) {
    out->width = ScaleSide(out->width, scale);
    out->height = ScaleSide(out->height, scale);
  }
  out->min_width = IntAttribute(root, "min_width");
  out->min_height = IntAttribute(root, "min_height");
  out->appwin = IntAttribute(root, "appwin") != 0;
  if (out->appwin) out->ex_style |= kWsExAppWindow;
  out->layered = IntAttribute(root, "layered") != 0;
  if (out->layered) out->ex_style |= kWsExLayered;
  out->child = IntAttribute(root, "child") != 0;
  if (out->child) {
    out->style = (out->style & ~(kWsPopup | kWsSysMenu)) | kWsChildClip;
    out->ex_style &= ~kWsExLayered;
    out->layered = false;
  } else {
    out->holdsize = IntAttribute(root, "holdsize") != 0;
    out->resize = IntAttribute(root, "resize") != 0;
    if (out->resize)
      out->style |= kWsResizable;
    else
      out->style = (out->style & ~kWsMaximizeBox) | kWsMinimizeBox;
    out->noborder = IntAttribute(root, "noborder") != 0;
    out->ex_style |= out->noborder ? kWsExTopmostTool : kWsExEdges;
    out->nomove = IntAttribute(root, "nomove") != 0;
  }
  for (ZXmlAttribute a = root.FirstAttribute(); a; a = a.Next())
    if (!KnownRootAttribute(a.Name()))
      VuResourceLocator::Instance().Report(
          root.Line(), std::string("unknown attribute \"") + a.Name() + "\" on <layer> ignored");
}

VuLayout::VuLayout() : creator_(&CVuControlCreator::Default()) {}
VuLayout::~VuLayout() = default;

void VuLayout::Clear() {
  header_.reset();
  body_.reset();
  footer_.reset();
  attributes_ = VuLayoutAttributes();
  header_fills_ = false;
  loaded_ = false;
}

bool VuLayout::LoadResource(int id, HWND host) {
  VuResourceLocator::DocumentScope scope(std::to_string(id) + ".xml");
  VuResourceBlob blob;
  if (!VuResourceLocator::Instance().Load(id, "xml", &blob)) {
    VuResourceLocator::Instance().Report(0, "layout resource " + std::to_string(id) +
                                                ".xml not found");
    Clear();
    return false;
  }
  return LoadText(blob.bytes, host);
}

std::unique_ptr<CVuDialog> VuLayout::LoadSection(const ZXmlElement& element, HWND host) {
  auto section = std::make_unique<CVuDialog>();
  section->SetDpiAware(attributes_.dpi_aware);
  section->SetHostWindow(host);
  section->SetCreator(creator_);
  section->Load(element);
  return section;
}

bool VuLayout::LoadText(const std::string& text, HWND host) {
  Clear();
  ZXmlDocument document;
  if (!VuParseDocument(text, "layer", &document)) return false;
  ZXmlElement root = document.FirstChildElement();
  VuReadLayoutAttributes(root, CurrentScale(), &attributes_);

  ZXmlElement header, body, footer;
  for (ZXmlElement child = root.FirstChildElement(); child; child = child.NextSiblingElement()) {
    const char* name = child.Name() ? child.Name() : "";
    ZXmlElement* slot = std::strcmp(name, "header") == 0   ? &header
                        : std::strcmp(name, "body") == 0   ? &body
                        : std::strcmp(name, "footer") == 0 ? &footer
                                                           : nullptr;
    if (!slot) {
      VuResourceLocator::Instance().Report(child.Line(), std::string("unknown section <") + name +
                                                             "> in <layer> skipped");
    } else if (*slot) {
      VuResourceLocator::Instance().Report(child.Line(), std::string("second <") + name +
                                                             "> in <layer> skipped");
    } else {
      *slot = child;
    }
  }

  const char* header_height = header ? header.Attribute("height") : nullptr;
  const bool header_full = header_height && std::strcmp(header_height, "full") == 0;
  if (header) header_ = LoadSection(header, host);
  if (footer) footer_ = LoadSection(footer, host);
  if (body) body_ = LoadSection(body, host);
  header_fills_ = header_ && header_full && !body_ && !footer_;
  if (header_) {
    const std::string pos =
        header_fills_ ? std::string("0,0,-0,-0")
                      : "0,0,-0," + std::to_string(header_height ? VuParseInt(header_height) : 0);
    header_->SetAttribute("pos", pos.c_str(), true);
  }
  if (footer_) {
    const char* height = footer.Attribute("height");
    const std::string pos = "0,-" + std::to_string(height ? VuParseInt(height) : 0) + ",-0,-0";
    footer_->SetAttribute("pos", pos.c_str(), true);
  }
  if (body_) body_->SetAttribute("pos", "0,0,-0,-0", true);
  loaded_ = true;
  return true;
}

void VuLayout::Arrange(int cx, int cy) {
  // Sections of hostile sizes may reach the ends of the int range: the sums
  // are taken in 64 bits and brought back into it.
  const auto clamp = [](int64_t v) {
    return static_cast<int>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
  };
  int header_bottom = 0;
  if (header_) {
    header_->Position(0, 0, cx, cy);
    header_bottom = header_->GetRect().bottom;
  }
  int footer_height = 0;
  if (footer_) {
    footer_->Position(0, 0, cx, cy);
    const ZRect& r = footer_->GetRect();
    footer_height = clamp(std::max<int64_t>(0, static_cast<int64_t>(r.bottom) - r.top));
    footer_->Position(0, clamp(static_cast<int64_t>(cy) - footer_height), cx, footer_height);
  }
  if (body_) {
    const int64_t body_height = static_cast<int64_t>(cy) - footer_height - header_bottom;
    body_->Position(0, header_bottom, cx, body_height < 0 ? 0 : clamp(body_height));
  }
}

void VuLayout::RedrawSections(ZCanvas* dc, const VuRegion* clip) {
  for (CVuDialog* section : {header_.get(), body_.get(), footer_.get()})
    if (section && section->IsVisible(false)) section->Redraw(dc, clip);
}

CVuWindow* VuLayout::FindById(int id) const {
  for (CVuDialog* section : {header_.get(), body_.get(), footer_.get()}) {
    if (!section) continue;
    if (CVuWindow* found = section->FindChildById(id)) return found;
  }
  return nullptr;
}

VUHANDLE VuLayout::HitTest(int x, int y) const {
  for (CVuDialog* section : {header_.get(), body_.get(), footer_.get()}) {
    if (!section || !section->IsVisible(false)) continue;
    if (VUHANDLE hit = section->HitTest(x, y, 1)) return hit;
  }
  return 0;
}

void VuLayout::SetHostWindow(HWND host) {
  for (CVuDialog* section : {header_.get(), body_.get(), footer_.get()})
    if (section) section->SetHostWindow(host);
}
