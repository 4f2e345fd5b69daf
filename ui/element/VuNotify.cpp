#include "ui/element/VuNotify.h"

#include "ui/element/CVuWindow.h"

bool VuNotifyHost(const CVuWindow& element, int32_t code, int32_t item_id, const char* item_class,
                  int32_t sub_code) {
  HWND host = element.GetHostWindow();
  if (!host) return false;
  VuNotifyRecord record;
  record.code = code;
  record.item_id = item_id;
  record.item_class = item_class;
  record.sub_code = sub_code;
  return SendMessageW(host, kVuMsgElementNotify, 0, reinterpret_cast<LPARAM>(&record)) != 0;
}
