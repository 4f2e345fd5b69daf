#include "app/ZLiteMsgbox.h"

#include "app/ZLiteMsgboxIcon.h"
#include "app/dialog/LayoutLoad.h"
#include "app/log/ZLog.h"
#include "platform/window_messages.h"
#include "ui/core/VuTypes.h"
#include "ui/element/CVuWindow.h"
#include "ui/element/VuNotify.h"
#include "ui/style/VuFontPool.h"

namespace {

// The frameless view notifies its own window with this control id.
constexpr WPARAM kOwnViewId = static_cast<WPARAM>(-1);

// The text area the layout's own position is drawn for suits the YaHei
// faces only; other faces get this one.
constexpr const char* kOtherFontTextPos = "100,33,-20,78";

std::u16string Text(const char16_t* text) { return text ? std::u16string(text) : std::u16string(); }

bool IsYaheiFace(const std::u16string& face) {
  return face == u"微软雅黑" || face == u"Microsoft YaHei";
}

// The elements whose click ends the box, with their answers.
struct Ending {
  int id;
  INT_PTR result;
};
constexpr Ending kEndings[] = {{ZLiteMsgbox::kCloseId, ZLiteMsgbox::kResultClose},
                               {ZLiteMsgbox::kFirstId, ZLiteMsgbox::kResultFirst},
                               {ZLiteMsgbox::kSecondId, ZLiteMsgbox::kResultSecond},
                               {ZLiteMsgbox::kFirstPlainId, ZLiteMsgbox::kResultFirstPlain},
                               {ZLiteMsgbox::kSecondPlainId, ZLiteMsgbox::kResultSecondPlain}};

}  // namespace

ZLiteMsgbox::ZLiteMsgbox(const char16_t* text, const char16_t* caption, const char16_t* first,
                         const char16_t* second, UINT flags, const char16_t* check_text,
                         bool check_initial)
    : CVuDialogImpl(kLayoutId),
      text_(Text(text)),
      caption_(Text(caption)),
      first_text_(Text(first)),
      second_text_(Text(second)),
      check_text_(Text(check_text)),
      flags_(flags),
      check_initial_(check_initial) {
  EnableShadow(true);
}

ZLiteMsgbox::~ZLiteMsgbox() = default;

INT_PTR ZLiteMsgbox::Show(HWND owner, const char16_t* text, const char16_t* caption,
                          const char16_t* first, const char16_t* second, UINT flags,
                          const char16_t* check_text, bool check_initial) {
  ZLiteMsgbox box(text, caption, first, second, flags, check_text, check_initial);
  std::u16string problems;
  if (!LoadLayoutWithProblems(&box, &problems)) {
    ZLOG(kLogError) << u"message box layout cannot be loaded: " << problems;
    return 0;
  }
  return box.DoModal(owner);
}

void ZLiteMsgbox::OnInitDialog() {
  if (!IsYaheiFace(VuFontPool::Instance().DefaultFace()))
    SetItemAttribute(kTextId, "pos", kOtherFontTextPos);
  SetMsgboxIcon(GetHwnd(), kIconId);
  if (!caption_.empty()) SetWindowTextW(GetHwnd(), caption_.c_str());
  if (!text_.empty()) SetItemText(kTextId, text_);
  ApplyFlags();
}

void ZLiteMsgbox::ApplyFlags() {
  // An empty text keeps the element's own.
  auto set_text = [this](int id, const std::u16string& text) {
    if (!text.empty()) SetItemText(id, text);
  };
  if (flags_ & kFirstButton) {
    SetItemVisible(kFirstId, true);
    set_text(kFirstLabelId, first_text_);
  } else if (flags_ & kFirstPlainButton) {
    SetItemVisible(kFirstPlainId, true);
    set_text(kFirstPlainId, first_text_);
  }
  if (flags_ & kSecondButton) {
    SetItemVisible(kSecondId, true);
    set_text(kSecondLabelId, second_text_);
  } else if (flags_ & kSecondPlainButton) {
    SetItemVisible(kSecondPlainId, true);
    set_text(kSecondPlainId, second_text_);
  }
  check_enabled_ = (flags_ & kCheckBox) != 0;
  if (check_enabled_) {
    SetItemVisible(kCheckId, true);
    set_text(kCheckId, check_text_);
    SetItemAttribute(kCheckId, "check", check_initial_ ? "1" : "0");
  }
}

void ZLiteMsgbox::Finish(INT_PTR code) {
  const CVuWindow* check = FindItem(kCheckId);
  if (check_enabled_ && check && (check->GetState() & kVuStateChecked)) code += kResultChecked;
  result_code_ = code;
  EndDialog(code);
}

bool ZLiteMsgbox::ProcessWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                       LRESULT* result) {
  if (message == WM_NOTIFY && wparam == kOwnViewId && lparam) {
    const auto* record = reinterpret_cast<const VuNotifyRecord*>(lparam);
    if (record->window == GetHwnd() && record->code == kVuNotifyCommand) {
      INT_PTR code = 0;
      for (const Ending& ending : kEndings)
        if (ending.id == record->item_id) code = ending.result;
      if (code) {
        Finish(code);
        *result = 0;
        return true;
      }
    }
  }
  return CVuDialogImpl::ProcessWindowMessage(window, message, wparam, lparam, result);
}
