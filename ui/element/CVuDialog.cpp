#include "ui/element/CVuContainerWnd.h"
#include "ui/style/VuStyle.h"

const char* CVuDialog::GetTag() const { return "dlg"; }

void CVuDialog::RepositionChild(CVuWindow* child) {
  if (!child) return;
  const VuStyle* style = GetStyle();
  const int64_t left = int64_t{rect_.left} + style->x_margin, right = int64_t{rect_.right} - style->x_margin;
  const int64_t top = int64_t{rect_.top} + style->y_margin, bottom = int64_t{rect_.bottom} - style->y_margin;
  const int cx = VuSaturate(right - left), cy = VuSaturate(bottom - top);
  const VuPosition& pos = child->GetPosition();
  const int x = VuResolve(pos.items[0], VuSaturate(left), cx);
  const int y = VuResolve(pos.items[1], VuSaturate(top), cy);
  child->Position(x, y, cx, cy);
}

void CVuDialog::Layout(int x, int y, int cx, int cy) {
  PlaceSelf(x, y, cx, cy);
  for (const auto& child : children_) RepositionChild(child.get());
}
