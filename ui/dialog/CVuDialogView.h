// A skinned dialog: one real window whose whole client area is drawn by the
// element trees of a layout (header, body, footer). Creates its window from
// the layout, lays the sections out on every size change, paints them
// double-buffered, runs modally and gives the application its elements by
// id.
#pragma once

#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/window_geometry.h"
#include "platform/window_paint.h"
#include "ui/core/VuTypes.h"
#include "ui/dialog/CVuWindowImplBase.h"
#include "ui/dialog/VuLayout.h"
#include "ui/dialog/VuToolTip.h"
#include "ui/element/VuNotify.h"

class CVuWindow;

// WM_INITDIALOG: the view sends it once its window exists, before layout.
constexpr UINT kVuWmInitDialog = 0x0110;

class CVuDialogView : public CVuWindowImplBase {
 public:
  explicit CVuDialogView(int layout_id = 0);
  ~CVuDialogView() override;

  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                            LRESULT* result) override;

  // Operations an application dialog may override, in slot order.
  // The styles computed from the layout.
  virtual DWORD GetWindowStyle();
  virtual DWORD GetWindowExStyle();
  // Shapes the window: a rounded rectangle with 2 x 2 corners over the client.
  virtual void ApplyWindowRegion();
  // The frame border drawn over the painted client when turned on: a black
  // one-pixel outline (alpha 110) with its corners cut by 3 pixels.
  virtual void DrawFrame(ZCanvas* dc);
  // Called after the sections and the frame are painted, before the
  // picture reaches the screen; nothing here.
  virtual void OnPostPaint(ZCanvas* dc);
  // The modal loop of DoModal: until WM_QUIT is pending, the end flag is
  // set or the window is gone.
  virtual void RunModalLoop();
  // True to keep msg from TranslateMessage/DispatchMessageW; none here.
  virtual bool PreTranslateMessage(MSG* msg);
  // Mouse and keyboard input of the view window (the routing to elements
  // and the notifications hang here); true when consumed.
  virtual bool OnInputMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
  // True for the tags whose press is a control press, never a drag (each
  // view class has its own list).
  virtual bool IsControlTag(const char* tag) const;
  // Delivers a notification record: to the parent window with the view's
  // control id as wparam. Returns the receiver's answer.
  virtual LRESULT SendNotify(VuNotifyRecord* record);
  // NM_CUSTOMDRAW from a child window; 0 (CDRF_DODEFAULT) here.
  virtual LRESULT OnCustomDraw(LPARAM record);

  // The routing state, for tests and the application.
  VUHANDLE GetHoverElement() const { return hover_; }
  VUHANDLE GetPushedElement() const { return pushed_; }
  bool HasCapture() const { return capture_; }
  // The element holding the keyboard focus mark (0: none) and whether the
  // mark is shown (it is, once the keyboard moved it).
  VUHANDLE GetFocusElement() const { return focus_; }
  bool IsFocusMarkShown() const { return focus_shown_; }
  // Moves the focus mark to the next (or previous) enabled, visible control
  // in document order, wrapping; false when there is none.
  bool MoveFocus(bool backwards);
  // Activates an element as a click would: press and release at its centre,
  // then its link or its command. False for a disabled or hidden element.
  bool ActivateElement(CVuWindow* element);
  // Opens a link's target with the shell's "open": web and mail links only
  // (http, https, mailto); false for anything else or a failure.
  bool OpenLink(const std::u16string& link);
  // The button Enter presses when no control has the mark: the first
  // enabled, visible button of the body (else the footer).
  CVuWindow* FindDefaultButton() const;
  // Thin timer operations on the view window (WM_TIMER arrives there).
  // (Named apart from SetTimer/KillTimer, which a derived dialog calls as is.)
  UINT_PTR SetViewTimer(UINT_PTR id, UINT elapse);
  bool KillViewTimer(UINT_PTR id);
  VuToolTip& ToolTip() { return tooltip_; }

  // The layout (loaded by Create when not yet loaded).
  int GetLayoutId() const { return layout_id_; }
  void SetLayoutId(int id) { layout_id_ = id; }
  bool LoadLayout();
  VuLayout& Layout() { return layout_; }

  // Creates the window from the layout: (0, 0, width, height) or rect, each
  // side raised to the minimum, inside the DPI thread context for
  // "dpiaware"; WM_INITDIALOG, layout, move, show. Null without a layout.
  HWND Create(HWND owner, const RECT* rect = nullptr);
  // Runs the dialog modally over owner (or the current modal dialog, or the
  // active window); returns the result given to EndDialog, 0 on failure.
  INT_PTR DoModal(HWND owner = nullptr, const RECT* rect = nullptr);
  // Stores the result, sets the end flag and wakes the modal loop.
  void EndDialog(INT_PTR result);
  bool IsEnding() const { return end_dialog_; }

  // Element operations by id (header, then body, then footer). False when
  // no element has the id (for attributes also when the element rejects
  // it). The element's rectangle is invalidated before and after.
  bool SetItemText(int id, const std::u16string& text);
  bool SetItemAttribute(int id, const char* name, const char* value);
  bool SetItemIntAttribute(int id, const char* name, int value);
  bool SetItemVisible(int id, bool visible);
  CVuWindow* FindItem(int id) const;

  // The frame-border hook (DrawFrame) on or off; off by default.
  void EnableFrameBorder(bool on) { frame_border_ = on; }
  // The constant alpha a layered view is presented with.
  void SetAlpha(BYTE alpha) { alpha_ = alpha; }

  // Lays the sections out for a client of cx x cy and repaints.
  void LayoutView(int cx, int cy);
  // Paints the client (cx x cy) into dc as WM_PAINT would, clipped to
  // region (null: everything); the window need not exist.
  void PaintClient(ZCanvas* dc, int cx, int cy, const VuRegion* region);
  // Real child windows kept at their element's place on every layout.
  void AddRealChildWindow(HWND child);

 protected:
  void OnPaint();
  void InvalidateItem(const CVuWindow* element);
  bool IsLayered();
  // True for a window that takes the rounded region (a top-level,
  // unlayered view).
  virtual bool WantsWindowRegion();
  // The routing of each input message (x, y in client pixels).
  virtual void OnMouseMove(WPARAM keys, int x, int y);
  virtual void OnMouseLeave();
  virtual void OnLButtonDown(WPARAM keys, int x, int y);
  virtual void OnLButtonUp(WPARAM keys, int x, int y);
  virtual void OnLButtonDblClk(WPARAM keys, int x, int y);
  virtual void OnRButtonDown(WPARAM keys, int x, int y);
  virtual void OnMouseWheel(WPARAM wparam, int screen_x, int screen_y);
  virtual bool OnSetCursor(HWND under, int hit, LRESULT* result);
  virtual bool OnKeyDown(WPARAM key);
  // A release away from the pressed element; nothing here.
  virtual void OnReleasedAway(int pushed_id);
  // The press on a non-control spot of the header: the focus, then the
  // system move of the top-level window. False when the spot is a control.
  bool HeaderPress(int x, int y);
  // The routing of the non-input messages (notifications, commands, focus).
  bool OnRoutingMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
  // Sends code (with the element's id and, for commands, its tag).
  void Notify(int32_t code, const CVuWindow* element, bool with_tag);
  // An element whose "notify" asks for it reports the move (or leave) to
  // its host window: code 6 with the class word "wnd".
  void ReportToHost(VUHANDLE element, uint32_t mask);
  // Sets or clears state bits, repainting when the style depends on them.
  void ChangeState(CVuWindow* element, uint32_t add, uint32_t remove);
  // Esc: SC_CLOSE to the top-level window, as its close button asks.
  void CloseRequest();
  // Draws the keyboard focus mark (after the sections).
  void DrawFocusMark(ZCanvas* dc);
  void InvalidateFocusMark();
  CVuWindow* Element(VUHANDLE handle) const;
  // The shadow hooks: the view itself has none.
  virtual void UpdateShadow() {}
  virtual void HideShadow() {}

  int layout_id_ = 0;
  VuLayout layout_;
  bool frame_border_ = false;
  BYTE alpha_ = 255;
  bool end_dialog_ = false;
  INT_PTR result_ = 0;
  VUHANDLE pushed_ = 0;
  VUHANDLE hover_ = 0;
  bool capture_ = false;
  bool tracking_ = false;  // TME_LEAVE requested
  VUHANDLE focus_ = 0;
  bool focus_shown_ = false;
  VuToolTip tooltip_;
  ZCanvas canvas_;
  int region_cx_ = -1, region_cy_ = -1;  // size of the last applied window region
  std::vector<HWND> real_children_;
};
