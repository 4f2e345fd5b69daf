#include "tools/skinview/ElementEdits.h"

#include <cstdlib>

#include "ui/dialog/CVuDialogView.h"
#include "ui/element/CVuWindow.h"
#include "ui/resource/VuUtf8.h"

namespace {

// A whole decimal id above 0, up to the end or to the separator.
bool ParseId(const std::string& text, size_t end, int* id) {
  if (end == 0 || end > text.size()) return false;
  int value = 0;
  for (size_t i = 0; i < end; ++i) {
    if (text[i] < '0' || text[i] > '9' || value > 100000000) return false;
    value = value * 10 + (text[i] - '0');
  }
  *id = value;
  return value > 0;
}

const char* Describe(ElementEdit::Kind kind) {
  switch (kind) {
    case ElementEdit::kShow: return "--show";
    case ElementEdit::kHide: return "--hide";
    case ElementEdit::kDisable: return "--disable";
    case ElementEdit::kText: return "--text";
    case ElementEdit::kAttribute: return "--attr";
  }
  return "?";
}

}  // namespace

bool IsElementEditOption(const std::string& option) {
  for (const char* known : {"--show", "--hide", "--disable", "--text", "--attr"})
    if (option == known) return true;
  return false;
}

bool ParseElementEdit(const std::string& option, const std::string& text, ElementEdit* edit) {
  if (option == "--show" || option == "--hide" || option == "--disable") {
    edit->kind = option == "--show" ? ElementEdit::kShow
                 : option == "--hide" ? ElementEdit::kHide
                                      : ElementEdit::kDisable;
    return ParseId(text, text.size(), &edit->id);
  }
  if (option == "--text") {
    edit->kind = ElementEdit::kText;
    const size_t equals = text.find('=');
    if (equals == std::string::npos || !ParseId(text, equals, &edit->id)) return false;
    edit->value = text.substr(equals + 1);
    return true;
  }
  if (option == "--attr") {
    edit->kind = ElementEdit::kAttribute;
    const size_t colon = text.find(':');
    const size_t equals = text.find('=', colon == std::string::npos ? 0 : colon);
    if (colon == std::string::npos || equals == std::string::npos || equals == colon + 1 ||
        !ParseId(text, colon, &edit->id))
      return false;
    edit->name = text.substr(colon + 1, equals - colon - 1);
    edit->value = text.substr(equals + 1);
    return true;
  }
  return false;
}

bool ApplyElementEdits(CVuDialogView* dialog, const std::vector<ElementEdit>& edits, std::FILE* err) {
  bool all = true;
  for (const ElementEdit& edit : edits) {
    bool done = false;
    switch (edit.kind) {
      case ElementEdit::kShow:
      case ElementEdit::kHide:
        done = dialog->SetItemVisible(edit.id, edit.kind == ElementEdit::kShow);
        break;
      case ElementEdit::kDisable:
        if (CVuWindow* element = dialog->FindItem(edit.id)) {
          element->ModifyState(kVuStateDisabled, 0);
          done = true;
        }
        break;
      case ElementEdit::kText:
        done = dialog->SetItemText(edit.id, VuUtf8ToUtf16(edit.value));
        break;
      case ElementEdit::kAttribute:
        done = dialog->SetItemAttribute(edit.id, edit.name.c_str(), edit.value.c_str());
        break;
    }
    if (!done) {
      all = false;
      if (dialog->FindItem(edit.id))
        std::fprintf(err, "skinview: %s %d: element %d refused it\n", Describe(edit.kind), edit.id, edit.id);
      else
        std::fprintf(err, "skinview: %s %d: the layout has no element %d\n", Describe(edit.kind), edit.id,
                     edit.id);
    }
  }
  return all;
}
