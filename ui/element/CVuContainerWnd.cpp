#include "ui/element/CVuContainerWnd.h"

CVuContainerWnd::~CVuContainerWnd() = default;

void CVuContainerWnd::SetHostWindow(HWND window) {
  CVuWindow::SetHostWindow(window);
  for (auto& child : children_) child->SetHostWindow(window);
}

CVuWindow* CVuContainerWnd::FindChildById(int) { return nullptr; }

void CVuContainerWnd::OnChildHook() {}

void CVuContainerWnd::RepositionChild(CVuWindow*) {}

void CVuContainerWnd::AppendChild(std::unique_ptr<CVuWindow> child) {
  if (!child) return;
  if (child->GetParentHandle() != handle_) child->SetParent(handle_);
  children_.push_back(std::move(child));
}

void CVuContainerWnd::DestroyChildren() {
  // Taken out first: a child's destructor may look its siblings up by handle.
  std::vector<std::unique_ptr<CVuWindow>> gone;
  gone.swap(children_);
  gone.clear();
}
