// The skinned message box (layout 11004): a text, up to two buttons in one
// of two looks, an optional check box and the close button. Its answer is
// the button clicked, plus a bit for a check box checked at the end.
#pragma once

#include <string>

#include "platform/types.h"
#include "ui/dialog/CVuDialogImpl.h"

class ZLiteMsgbox : public CVuDialogImpl {
 public:
  static constexpr int kLayoutId = 11004;
  static constexpr int kIconId = 200;

  // Flags: which buttons and whether the check box is shown.
  static constexpr UINT kFirstButton = 0x01;        // 108, its label 111
  static constexpr UINT kSecondButton = 0x02;       // 110, its label 112
  static constexpr UINT kFirstPlainButton = 0x04;   // 106, only without 0x01
  static constexpr UINT kSecondPlainButton = 0x08;  // 107, only without 0x02
  static constexpr UINT kCheckBox = 0x10;           // 105

  // Results: the element clicked, plus kResultChecked.
  static constexpr INT_PTR kResultFirst = 1;        // 108
  static constexpr INT_PTR kResultSecond = 2;       // 110
  static constexpr INT_PTR kResultFirstPlain = 4;   // 106
  static constexpr INT_PTR kResultSecondPlain = 8;  // 107
  static constexpr INT_PTR kResultChecked = 0x10;
  static constexpr INT_PTR kResultClose = 32;       // 100

  // Element ids of the layout.
  static constexpr int kCloseId = 100;
  static constexpr int kTextId = 103;
  static constexpr int kCheckId = 105;
  static constexpr int kFirstPlainId = 106;
  static constexpr int kSecondPlainId = 107;
  static constexpr int kFirstId = 108;
  static constexpr int kSecondId = 110;
  static constexpr int kFirstLabelId = 111;
  static constexpr int kSecondLabelId = 112;

  // Null or empty texts leave the layout's own texts in place.
  ZLiteMsgbox(const char16_t* text, const char16_t* caption, const char16_t* first,
              const char16_t* second, UINT flags, const char16_t* check_text, bool check_initial);
  ~ZLiteMsgbox() override;

  // Runs a box modally over owner; 0 when the layout cannot be loaded.
  static INT_PTR Show(HWND owner, const char16_t* text, const char16_t* caption,
                      const char16_t* first, const char16_t* second, UINT flags,
                      const char16_t* check_text, bool check_initial);

  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                            LRESULT* result) override;

  // The answer of the last run (0 until a button ended it).
  INT_PTR Result() const { return result_code_; }
  bool CheckEnabled() const { return check_enabled_; }

 protected:
  void OnInitDialog() override;

 private:
  void ApplyFlags();
  // A button of the results table ended the box.
  void Finish(INT_PTR code);

  std::u16string text_;
  std::u16string caption_;
  std::u16string first_text_;
  std::u16string second_text_;
  std::u16string check_text_;
  UINT flags_ = 0;
  bool check_initial_ = false;
  bool check_enabled_ = false;
  INT_PTR result_code_ = 0;
};
