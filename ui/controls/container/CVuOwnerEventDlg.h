// "ownereventdlg": a dialog section that handles the mouse messages of its
// own area for its children: it keeps its own hover and pushed child, sets
// and clears their state bits, forwards WM_LBUTTONUP and WM_MOUSELEAVE to
// them and tells its listener what happened. "notifymsg" is a message
// number: when set, a click also posts it to the host window with the
// container's id (wparam) and the clicked child's id (lparam).
#pragma once

#include "ui/element/CVuContainerWnd.h"

class CVuOwnerEventDlg : public CVuDialog {
 public:
  // Told about the children's mouse events; every operation does nothing
  // unless overridden. Slots in this order.
  class IChildCtrlEventListener {
   public:
    virtual ~IChildCtrlEventListener() = default;
    // 1. The mouse came over child.
    virtual void OnChildHover(CVuOwnerEventDlg* owner, CVuWindow* child, ZPoint point);
    // 2. A left click: pressed and released over the same child.
    virtual void OnChildClick(CVuOwnerEventDlg* owner, CVuWindow* child, ZPoint point);
    // 3. The left button went down over child.
    virtual void OnChildLButtonDown(CVuOwnerEventDlg* owner, CVuWindow* child, ZPoint point);
    // 4. A right click over child.
    virtual void OnChildRClick(CVuOwnerEventDlg* owner, CVuWindow* child, ZPoint point);
    // 5. A double click over child.
    virtual void OnChildDoubleClick(CVuOwnerEventDlg* owner, CVuWindow* child, ZPoint point);
    // 6. The left button went up away from the child it had pressed.
    virtual void OnChildPressLeft(CVuOwnerEventDlg* owner, CVuWindow* child);
    // 7. The mouse left the child it was over (nothing pressed).
    virtual void OnChildMouseLeave(CVuOwnerEventDlg* owner, CVuWindow* child);
    // 8. The wheel turned by delta over child (null: over the container).
    virtual void OnChildWheel(CVuOwnerEventDlg* owner, CVuWindow* child, int delta);
    // 9. The cursor is to be set over child; true when the listener set it.
    virtual bool OnChildSetCursor(CVuOwnerEventDlg* owner, CVuWindow* child);
  };

  const char* GetTag() const override;  // "ownereventdlg"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  // The whole area answers for itself: its children get the mouse through it.
  VUHANDLE HitTest(int x, int y, int flag) override;
  bool ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

  void SetChildEventListener(IChildCtrlEventListener* listener) { listener_ = listener; }
  UINT GetNotifyMessage() const { return notify_message_; }
  CVuWindow* HoverChild() const;
  CVuWindow* PushedChild() const;

 protected:
  // The visible, enabled direct child under (x, y), or null.
  CVuWindow* ChildAt(int x, int y) const;
  // Handlers of the mouse messages; true when the message was used.
  virtual bool OnMouseMove(ZPoint point);
  virtual bool OnMouseLeave();
  virtual bool OnLButtonDown(ZPoint point);
  virtual bool OnLButtonUp(ZPoint point);

  IChildCtrlEventListener* listener_ = nullptr;
  UINT notify_message_ = 0;
  // Children are kept by handle: one may go while the mouse is over it.
  VUHANDLE hover_ = 0;
  VUHANDLE pushed_ = 0;
  VUHANDLE right_pushed_ = 0;
};
