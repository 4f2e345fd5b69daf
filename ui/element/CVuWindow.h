// One element of a skinned dialog: identity, rectangle, text, state, the
// common attributes, drawing and its own message handling. Elements are
// lightweight objects inside one real window (the dialog view), never
// windows of their own.
#pragma once

#include <string>

#include "platform/canvas.h"
#include "platform/types.h"
#include "ui/core/CVuObject.h"
#include "ui/core/VuTypes.h"
#include "ui/element/VuPosition.h"

class VuDpiManager;
class VuStyle;
class CVuWindow;

// Size-mode bits.
constexpr uint32_t kVuWidthFixed = 0x001;
constexpr uint32_t kVuWidthAuto = 0x002;
constexpr uint32_t kVuWidthFull = 0x004;
constexpr uint32_t kVuHeightFixed = 0x010;
constexpr uint32_t kVuHeightAuto = 0x020;
constexpr uint32_t kVuHeightFull = 0x040;
constexpr uint32_t kVuFloatReadAsZero = 0x100;
constexpr uint32_t kVuFloating = 0x200;

constexpr int kVuValignTop = 0;
constexpr int kVuValignMiddle = 0x1000;
constexpr int kVuValignBottom = 0x2000;
constexpr int kVuAlignLeft = 0;
constexpr int kVuAlignCenter = 0x4000;
constexpr int kVuAlignRight = 0x8000;

// The position message: lparam points at a ZRect holding the origin
// (left, top) and the offered size (right = cx, bottom = cy).
constexpr UINT kVuMsgPosition = 0x0400 + 0x0101;  // WM_USER + 0x101

// The skin frame for element state bits: disabled 3, else pushed 2, else
// hover 1, else 0.
int VuSkinFrameForState(uint32_t state);

// Called before (may veto with false) and after an element paints itself.
class IVuPaintHook {
 public:
  virtual ~IVuPaintHook() = default;
  virtual bool BeforePaint(CVuWindow* element, ZCanvas* dc) = 0;
  virtual void AfterPaint(CVuWindow* element, ZCanvas* dc) = 0;
};

// Told about an element's events (the events issue fills this in).
class IVuEventListener {
 public:
  virtual ~IVuEventListener() = default;
};

class CVuWindow : public CVuObject {
 public:
  CVuWindow();   // registers a new handle
  ~CVuWindow() override;  // unregisters it

  // CVuObject (slots 1-6). Load applies the attributes, then "show", and
  // (when "pos" gave no 2 or 4 items) "width", "height", "float"; the inner
  // text goes through the string table's "%str" substitution.
  bool Load(const ZXmlElement& element) override;
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;

  // Slots 7-20, in order.
  virtual std::u16string GetToolTip() const;                         // 7
  virtual bool AcceptsHeaderMouseDown() const;                       // 8
  virtual void OnOwnerHook(WPARAM a, LPARAM b, LPARAM c);            // 9: nothing in the base
  virtual void SetCursorForElement();                                // 10
  virtual uint32_t ModifyState(uint32_t add, uint32_t remove);       // 11: returns the old state
  virtual void SetHostWindow(HWND window);                           // 12
  virtual VUHANDLE HitTest(int x, int y, int flag);                  // 13
  virtual bool NeedsRedrawOnStateChange();                           // 14
  virtual bool IsContainer() const;                                  // 15
  virtual void Redraw(ZCanvas* dc, const VuRegion* clip);            // 16
  virtual void DrawBackground(ZCanvas* dc);                          // 17
  virtual int OnExtensionHook1();                                    // 18: 0 in the base
  virtual int OnExtensionHook2();                                    // 19: 0 in the base
  // 20. The element's own message map; true when it handled the message
  // (result then holds its answer). The base handles the position message.
  virtual bool ProcessMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

  // The position message: origin (x, y) and the offered size (cx, cy).
  void Position(int x, int y, int cx, int cy);
  // The element's content: text, or what a control draws (the paint message).
  virtual void PaintContent(ZCanvas* dc);

  // Identity and tree.
  VUHANDLE GetHandle() const { return handle_; }
  int GetId() const { return id_; }
  VUHANDLE GetParentHandle() const { return parent_; }
  CVuWindow* GetParent() const;  // through the handle table
  void SetParent(VUHANDLE parent);  // also copies the parent's DPI-aware flag
  HWND GetHostWindow() const { return host_; }
  bool IsDpiAware() const { return dpi_aware_; }
  void SetDpiAware(bool aware) { dpi_aware_ = aware; }

  // Geometry (host-window client coordinates).
  const ZRect& GetRect() const { return rect_; }
  void SetRect(const ZRect& rect) { rect_ = rect; }
  const VuPosition& GetPosition() const { return pos_; }
  uint32_t GetSizeModes() const { return size_modes_; }
  int GetAlign() const { return align_; }
  int GetValign() const { return valign_; }

  // Text and state.
  const std::u16string& GetText() const { return text_; }
  void SetText(const std::u16string& text) { text_ = text; }
  uint32_t GetState() const { return state_; }
  bool IsVisible(bool with_parents) const;
  bool IsEnabled(bool with_parents) const;
  void Show(bool show);
  bool IsTransparent() const { return transparent_; }
  const std::u16string& GetLink() const { return link_; }
  int GetUserData() const { return user_data_; }
  uint32_t GetNotifyMask() const { return notify_mask_; }

  // Look: the style ("class"; the default style when none), the colours
  // and font in force for the current state (element overrides first).
  VuStyle* GetStyle() const;
  const std::string& GetStyleName() const { return style_name_; }
  VuColor GetBackgroundColor() const;
  VuColor GetTextColor() const;
  ZFont GetFont() const;
  // The text's size with the element's font and text mode, plus margins;
  // with a word-breaking text mode the text wraps at max_width (none when
  // <= 0). dc may be null (a canvas of the element's own measures then).
  VuSize MeasureContent(ZCanvas* dc, int max_width = 0) const;
  // The frame the background skin is drawn in: the state mapping with
  // "correctdrawbg" (or for skins reading raw bits), else the raw bits.
  int BackgroundSkinState(bool raw_bits_skin) const;

  // Tests only: elements scale with this manager instead of the
  // process-wide one (null: that one again).
  static void SetDpiManagerForTest(VuDpiManager* manager);

  void SetPaintHook(IVuPaintHook* hook) { paint_hook_ = hook; }
  void SetEventListener(IVuEventListener* listener) { event_listener_ = listener; }
  IVuEventListener* GetEventListener() const { return event_listener_; }
  bool MessageHandled() const { return message_handled_; }
  void SetMessageHandled(bool handled) { message_handled_ = handled; }

 protected:
  // The size the element wants for the offered (cx, cy) when positioned.
  virtual VuSize WantedSize(int cx, int cy);
  // The position message's work: the element rules (wanted size, then the
  // "full" and fixed modes); containers lay out their children after it.
  virtual void OnPosition(int x, int y, int cx, int cy);
  // Places the element's own rectangle by the element rules.
  void PlaceSelf(int x, int y, int cx, int cy);
  // Draws text in rect with the element's font, colour and text alpha.
  void DrawElementText(ZCanvas* dc, const std::u16string& text, ZRect rect, UINT format);
  // Re-lays this element out after a "pos" set outside loading.
  void RequestReposition();
  // A value times the DPI factor when this element is DPI-aware and
  // scaling is on.
  int ScaleForDpi(int value) const;

  // Fields, in declaration order.
  VUHANDLE handle_ = 0;
  VUHANDLE parent_ = 0;
  HWND host_ = nullptr;
  int id_ = 0;
  ZRect rect_;
  uint32_t size_modes_ = 0;
  std::u16string text_;
  int fixed_width_ = 0;
  int fixed_height_ = 0;
  uint32_t state_ = 0;
  int valign_ = kVuValignTop;
  int align_ = kVuAlignLeft;
  std::u16string link_;
  bool transparent_ = false;
  std::u16string tip_;
  std::string style_name_;
  VuColor background_color_ = kVuNoColor;
  VuColor text_color_ = kVuNoColor;
  int32_t font_ = -1;  // -1: the style's
  uint8_t text_alpha_ = 255;
  bool header_mouse_down_ = false;
  VuPosition pos_;
  IVuPaintHook* paint_hook_ = nullptr;
  IVuEventListener* event_listener_ = nullptr;
  bool force_update_style_ = false;
  bool auto_fix_text_rect_ = false;
  bool border_ = false;
  bool dpi_aware_ = false;
  int user_data_ = 0;
  bool correct_draw_bg_ = false;
  bool message_handled_ = false;
  uint32_t notify_mask_ = 0;
};

