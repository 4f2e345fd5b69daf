// Elements that own child elements: the container base, the flow-layout
// panel and the absolute-layout dialog section.
#pragma once

#include <memory>
#include <vector>

#include "ui/element/CVuWindow.h"

class IVuControlCreator;

class CVuContainerWnd : public CVuWindow {
 public:
  ~CVuContainerWnd() override;

  // Forwards the host window to every child.
  void SetHostWindow(HWND window) override;
  // 21. Nothing here; CVuPanel searches.
  virtual CVuWindow* FindChildById(int id);
  // 22. An extension point that does nothing.
  virtual void OnChildHook();
  // 23. Places one child; nothing here.
  virtual void RepositionChild(CVuWindow* child);

  const std::vector<std::unique_ptr<CVuWindow>>& Children() const { return children_; }
  void AppendChild(std::unique_ptr<CVuWindow> child);
  void DestroyChildren();
  // The creator in force for extended tags (a container created by a
  // factory gets its parent's).
  IVuControlCreator* GetCreator() const { return creator_; }
  void SetCreator(IVuControlCreator* creator) { creator_ = creator; }

 protected:
  std::vector<std::unique_ptr<CVuWindow>> children_;
  IVuControlCreator* creator_ = nullptr;
};

// A container with flow layout of its children ("div"; no creator makes one).
class CVuPanel : public CVuContainerWnd {
 public:
  const char* GetTag() const override;  // "div"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  bool Load(const ZXmlElement& element) override;  // attributes, then LoadChildren
  bool IsContainer() const override;
  VUHANDLE HitTest(int x, int y, int flag) override;
  void Redraw(ZCanvas* dc, const VuRegion* clip) override;
  bool ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  // Direct children first, then each container child in order.
  CVuWindow* FindChildById(int id) override;
  void RepositionChild(CVuWindow* child) override;  // nothing: the flow places children
  // 24. Destroys the existing children, then creates one element per child
  // XML element (unknown tags are skipped and reported), parents it, gives
  // it the host window and loads it.
  virtual void LoadChildren(const ZXmlElement& first_child);

  bool OnlyDrawChild() const { return only_draw_child_; }

 protected:
  // The flow layout, run when the panel is positioned.
  virtual void Layout(int x, int y, int cx, int cy);

  bool only_draw_child_ = false;
};

// A container with absolute ("pos") layout of its children: "dlg", and the
// header, body and footer of a dialog view.
class CVuDialog : public CVuPanel {
 public:
  const char* GetTag() const override;  // "dlg"
  void RepositionChild(CVuWindow* child) override;

 protected:
  void Layout(int x, int y, int cx, int cy) override;
};
