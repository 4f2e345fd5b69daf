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
  ZCanvas canvas_;
  int region_cx_ = -1, region_cy_ = -1;  // size of the last applied window region
  std::vector<HWND> real_children_;
};
