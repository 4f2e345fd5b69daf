#include "ui/controls/container/CVuTabCtrl.h"

#include <algorithm>
#include <cstring>

#include "platform/window_input.h"
#include "ui/controls/container/CVuRealWnd.h"
#include "ui/controls/container/CVuTab.h"
#include "ui/controls/container/VuContainerInput.h"
#include "ui/controls/image/VuImageDraw.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/skin/kinds/CVuSkinBase.h"
#include "ui/style/VuFontPool.h"
#include "ui/style/VuStyle.h"
#include "ui/style/VuValueParsers.h"

namespace {

constexpr int kMaxTabSide = 1 << 16;

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// The real windows below element follow its visibility again.
void SyncRealWindows(CVuWindow* element) {
  if (auto* real = dynamic_cast<CVuRealWnd*>(element)) real->SyncWindow();
  if (auto* container = dynamic_cast<CVuContainerWnd*>(element))
    for (const auto& child : container->Children()) SyncRealWindows(child.get());
}

}  // namespace

const char* CVuTabCtrl::GetTag() const { return "tabctrl"; }

HRESULT CVuTabCtrl::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuContainerWnd::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (Is(name, "cursel")) {
    cur_sel_ = std::max(VuParseInt(value), 0);
    if (!loading) ApplySelection();
    return 1;
  }
  int* size = Is(name, "tabwidth") ? &tab_width_ : Is(name, "tabheight") ? &tab_height_
              : Is(name, "tabpos") ? &tab_pos_ : Is(name, "tabspacing") ? &tab_spacing_
              : Is(name, "icon-x") ? &icon_x_ : Is(name, "icon-y") ? &icon_y_
              : Is(name, "text-x") ? &text_x_ : Is(name, "text-y") ? &text_y_ : nullptr;
  if (size) {
    const int parsed = VuParseInt(value);
    if (parsed < 0 || parsed > kMaxTabSide) return E_FAIL;
    *size = ScaleForDpi(parsed);
    return 1;
  }
  std::string* skin = Is(name, "tabskin") ? &tab_skin_ : Is(name, "frameskin") ? &frame_skin_
                      : Is(name, "iconskin") ? &icon_skin_ : Is(name, "splitterskin") ? &splitter_skin_ : nullptr;
  if (skin) {
    *skin = value;
    return 1;
  }
  if (Is(name, "vertfont") || Is(name, "Selfont")) {
    uint16_t font = 0;
    if (!VuParseFontId(value, &font)) return E_FAIL;
    (Is(name, "Selfont") ? font_selected_ : font_normal_) = font;
    return 1;
  }
  if (Is(name, "framepos")) {
    const VuPosition pos = VuParsePosition(value);
    if (pos.count != 4) return E_FAIL;
    frame_pos_ = pos;
    return 1;
  }
  if (Is(name, "tabtext")) {
    VuColor colour = kVuNoColor;
    if (!VuParseColor(value, &colour)) return E_FAIL;
    tab_text_ = colour;
    return 1;
  }
  if (Is(name, "tabalign")) {
    if (Is(value, "left")) tab_align_ = kVuAlignLeft;
    else if (Is(value, "center")) tab_align_ = kVuAlignCenter;
    else if (Is(value, "right")) tab_align_ = kVuAlignRight;
    else return E_FAIL;
    return 1;
  }
  return E_FAIL;
}

bool CVuTabCtrl::Load(const ZXmlElement& element) {
  CVuContainerWnd::Load(element);
  DestroyChildren();
  for (ZXmlElement node = element.FirstChildElement(); node; node = node.NextSiblingElement()) {
    const char* tag = node.Name() ? node.Name() : "";
    if (!Is(tag, "tab")) {
      VuResourceLocator::Instance().Report(node.Line(), std::string("<") + tag + "> in <tabctrl> skipped: pages are <tab>");
      continue;
    }
    auto page = std::make_unique<CVuTab>();
    page->SetParent(handle_);
    page->SetHostWindow(host_);
    page->SetCreator(creator_);
    page->Load(node);
    AppendChild(std::move(page));
  }
  for (const char* own : {"tabskin", "frameskin", "iconskin", "splitterskin"})
    if (const char* name = element.Attribute(own)) VuReportMissingSkin(element.Line(), name, GetTag());
  ApplySelection();
  return true;
}

bool CVuTabCtrl::IsContainer() const { return true; }

CVuTab* CVuTabCtrl::GetTab(int index) const {
  if (index < 0 || index >= GetTabCount()) return nullptr;
  return dynamic_cast<CVuTab*>(children_[static_cast<size_t>(index)].get());
}

int CVuTabCtrl::GetCurSel() const {
  const CVuTab* tab = GetTab(cur_sel_);
  return tab && !tab->IsTabHidden() ? cur_sel_ : -1;
}

bool CVuTabCtrl::SelectTab(int index) {
  const CVuTab* tab = GetTab(index);
  if (!tab || tab->IsTabHidden()) return false;
  if (index != cur_sel_) {
    cur_sel_ = index;
    ApplySelection();
    VuInvalidateElement(*this);
  }
  return true;
}

void CVuTabCtrl::ApplySelection() {
  const int selected = GetCurSel();
  for (int i = 0; i < GetTabCount(); ++i) {
    children_[static_cast<size_t>(i)]->Show(i == selected);
    SyncRealWindows(children_[static_cast<size_t>(i)].get());
  }
}

ZRect CVuTabCtrl::TabRect(int index) const {
  const CVuTab* tab = GetTab(index);
  if (!tab || tab->IsTabHidden()) return {};
  int64_t slot = 0, shown = 0;
  for (int i = 0; i < GetTabCount(); ++i) {
    if (!GetTab(i) || GetTab(i)->IsTabHidden()) continue;
    if (i < index) ++slot;
    ++shown;
  }
  const int64_t pitch = int64_t{tab_width_} + tab_spacing_;
  const int64_t total = shown * pitch - tab_spacing_ + tab_pos_;
  int64_t start = rect_.left;
  if (tab_align_ == kVuAlignCenter) start += (int64_t{VuRectWidth(rect_)} - total) / 2;
  else if (tab_align_ == kVuAlignRight) start = rect_.right - total;
  const int64_t left = start + tab_pos_ + slot * pitch;
  return {VuSaturate(left), rect_.top, VuSaturate(left + tab_width_), VuSaturate(int64_t{rect_.top} + tab_height_)};
}

ZRect CVuTabCtrl::PageArea() const {
  if (frame_pos_.count != 4)
    return {rect_.left, std::min(rect_.bottom, VuSaturate(int64_t{rect_.top} + tab_height_)), rect_.right,
            rect_.bottom};
  const int cx = VuRectWidth(rect_), cy = VuRectHeight(rect_);
  ZRect area{VuResolve(frame_pos_.items[0], rect_.left, cx), VuResolve(frame_pos_.items[1], rect_.top, cy),
             VuResolve(frame_pos_.items[2], rect_.left, cx), VuResolve(frame_pos_.items[3], rect_.top, cy)};
  // Always inside the control.
  area.left = std::clamp(area.left, rect_.left, std::max(rect_.left, rect_.right));
  area.top = std::clamp(area.top, rect_.top, std::max(rect_.top, rect_.bottom));
  area.right = std::clamp(area.right, area.left, std::max(area.left, rect_.right));
  area.bottom = std::clamp(area.bottom, area.top, std::max(area.top, rect_.bottom));
  return area;
}

int CVuTabCtrl::TabAt(int x, int y) const {
  for (int i = 0; i < GetTabCount(); ++i)
    if (VuRectHolds(TabRect(i), x, y)) return i;
  return -1;
}

void CVuTabCtrl::OnPosition(int x, int y, int cx, int cy) {
  PlaceSelf(x, y, cx, cy);
  for (const auto& child : children_) RepositionChild(child.get());
}

void CVuTabCtrl::RepositionChild(CVuWindow* child) {
  if (!child) return;
  const ZRect area = PageArea();
  child->Position(area.left, area.top, VuRectWidth(area), VuRectHeight(area));
  SyncRealWindows(child);
}

CVuWindow* CVuTabCtrl::FindChildById(int id) {
  for (const auto& child : children_)
    if (child->GetId() == id) return child.get();
  for (const auto& child : children_)
    if (auto* page = dynamic_cast<CVuContainerWnd*>(child.get()))
      if (CVuWindow* found = page->FindChildById(id)) return found;
  return nullptr;
}

VUHANDLE CVuTabCtrl::HitTest(int x, int y, int flag) {
  if (!VuRectHolds(rect_, x, y)) return 0;
  if (TabAt(x, y) < 0)
    if (CVuTab* page = GetTab(GetCurSel()))
      if (VUHANDLE hit = page->HitTest(x, y, flag)) return hit;
  return handle_;
}

bool CVuTabCtrl::ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  const ZPoint point = VuMousePoint(lparam);
  if (message == WM_MOUSEMOVE || message == WM_MOUSELEAVE) {
    const int hot = message == WM_MOUSEMOVE ? TabAt(point.x, point.y) : -1;
    if (hot != hot_) {
      hot_ = hot;
      VuInvalidateElement(*this);
    }
    if (result) *result = 0;
    return true;
  }
  if (message == WM_LBUTTONDOWN) {
    if (IsEnabled(true)) {
      const int tab = TabAt(point.x, point.y);
      if (tab >= 0) SelectTab(tab);
    }
    if (result) *result = 0;
    return true;
  }
  return CVuContainerWnd::ProcessMessage(message, wparam, lparam, result);
}

void CVuTabCtrl::DrawStrip(ZCanvas* dc) {
  CVuSkinBase* tab_skin = VuLookupSkin(tab_skin_);
  CVuSkinBase* icon_skin = VuLookupSkin(icon_skin_);
  CVuSkinBase* splitter = VuLookupSkin(splitter_skin_);
  const int selected = GetCurSel();
  const bool enabled = IsEnabled(true);
  bool first = true;
  for (int i = 0; i < GetTabCount(); ++i) {
    const ZRect tab = TabRect(i);
    if (tab.Width() <= 0 || tab.Height() <= 0) continue;
    if (splitter && !first) {
      const VuSize size = splitter->GetSkinSize();
      const int64_t gap_mid = int64_t{tab.left} - tab_spacing_ / 2;
      const int64_t left = gap_mid - size.cx / 2;
      splitter->Draw(dc, ZRect{VuSaturate(left), tab.top, VuSaturate(left + size.cx), tab.bottom}, kVuSkinNormal, 255);
    }
    first = false;
    const int frame = !enabled ? kVuSkinDisabled : i == selected ? kVuSkinPushed : i == hot_ ? kVuSkinHover : kVuSkinNormal;
    if (tab_skin) tab_skin->Draw(dc, tab, frame, 255);
    if (icon_skin) {
      const VuSize size = icon_skin->GetSkinSize();
      const int64_t left = int64_t{tab.left} + icon_x_, top = int64_t{tab.top} + icon_y_;
      icon_skin->Draw(dc, ZRect{VuSaturate(left), VuSaturate(top), VuSaturate(left + size.cx), VuSaturate(top + size.cy)},
                      i, 255);
    }
    const std::u16string& title = GetTab(i)->GetTitle();  // TabRect was not empty: a page
    if (title.empty()) continue;
    const int32_t font_id = i == selected && font_selected_ >= 0 ? font_selected_ : font_normal_;
    const ZFont font = font_id >= 0 ? VuFontPool::Instance().GetFont(static_cast<uint16_t>(font_id), dpi_aware_) : GetFont();
    const VuColor colour = tab_text_ != kVuNoColor ? tab_text_ : GetTextColor();
    ZRect box = tab;
    UINT format = DT_SINGLELINE | DT_NOPREFIX;
    if (text_x_ == 0 && text_y_ == 0) {
      format |= DT_CENTER | DT_VCENTER;
    } else {
      box.left = VuSaturate(int64_t{tab.left} + text_x_);
      box.top = VuSaturate(int64_t{tab.top} + text_y_);
    }
    dc->PaintText(title, &box, format, font, VuToZColor(colour == kVuNoColor ? 0 : colour));
  }
}

void CVuTabCtrl::Redraw(ZCanvas* dc, const VuRegion* clip) {
  if (!dc || !VuRegionTouches(clip, rect_) || !VuDrawableRect(rect_)) return;
  DrawBackground(dc);
  if (paint_hook_ && !paint_hook_->BeforePaint(this, dc)) return;
  if (CVuSkinBase* frame = VuLookupSkin(frame_skin_))
    if (VuDrawableRect(PageArea())) frame->Draw(dc, PageArea(), kVuSkinNormal, 255);
  DrawStrip(dc);
  if (CVuTab* page = GetTab(GetCurSel()))
    if (page->IsVisible(false)) page->Redraw(dc, clip);
  if (paint_hook_) paint_hook_->AfterPaint(this, dc);
}
