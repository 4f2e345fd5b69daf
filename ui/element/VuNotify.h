// The notification record a dialog view sends its application (WM_NOTIFY),
// and the way an element asks its view to send one.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "platform/window_geometry.h"
#include "platform/window_messages.h"

class CVuWindow;

// The record's fields, in order. control_id is the view window's control
// id (a plain view) or -1 (the frameless view, which notifies itself).
struct VuNotifyRecord {
  HWND window = nullptr;
  UINT_PTR control_id = 0;
  int32_t code = 0;
  int32_t item_id = 0;
  const char* item_class = nullptr;  // codes 1 and 8: the element's tag; 6: "wnd"
  int32_t sub_code = 0;              // code 6: 3 (move) or 4 (leave)
};

// Notification codes.
constexpr int32_t kVuNotifyCommand = 1;
constexpr int32_t kVuNotifyMouseMove = 3;
constexpr int32_t kVuNotifyMouseLeave = 4;
constexpr int32_t kVuNotifyHostReport = 6;
constexpr int32_t kVuNotifyLButtonDown = 7;
constexpr int32_t kVuNotifyDoubleClick = 8;
constexpr int32_t kVuNotifyRButtonDown = 9;
// Arriving at a view: a rectangle to invalidate follows the three header fields.
constexpr int32_t kVuNotifyInvalidateRect = 1000;
// Arriving at a view: a child's custom-draw request (NM_CUSTOMDRAW).
constexpr int32_t kVuNotifyCustomDraw = -12;

// The record of code 1000: the header fields, then the client rectangle.
struct VuNotifyRectRecord {
  HWND window = nullptr;
  UINT_PTR control_id = 0;
  int32_t code = kVuNotifyInvalidateRect;
  RECT rect = {};
};

// Sent by an element to its host window: lparam points at a VuNotifyRecord
// whose code, item id, class and sub-code are filled in; the view fills in
// the window and control id and delivers it where its kind delivers
// notifications. Nonzero when a view took it.
constexpr UINT kVuMsgElementNotify = 0x0400 + 0x0102;  // WM_USER + 0x102

// Asks element's view to send a notification; false when the element has
// no host window or no view answered.
bool VuNotifyHost(const CVuWindow& element, int32_t code, int32_t item_id,
                  const char* item_class = nullptr, int32_t sub_code = 0);
