#include "ui/controls/container/CVuControlCreator.h"

#include <cstring>

#include "ui/controls/button/CVuDialogButton.h"
#include "ui/controls/container/CVuListItem.h"
#include "ui/controls/container/CVuListWnd.h"
#include "ui/controls/container/CVuRealWndEx.h"
#include "ui/controls/container/CVuWindowScollBar.h"
#include "ui/controls/container/CVuOwnerEventDlg.h"
#include "ui/controls/image/CVuExpendImg.h"
#include "ui/controls/image/CVuImageEx2.h"
#include "ui/controls/line/CVUShadowText.h"
#include "ui/controls/line/CVuLine.h"
#include "ui/controls/line/CVuLineViewEx.h"
#include "ui/controls/line/CVuRoundRect.h"
#include "ui/controls/progress/CVuSliderViewEx.h"

namespace {

using Maker = std::unique_ptr<CVuWindow> (*)();

template <typename T>
std::unique_ptr<CVuWindow> Make() {
  return std::make_unique<T>();
}

struct Extended {
  const char* tag;
  Maker make;  // null: an extended tag whose control is not made yet
};

// The extended tags in the creator's order; each on its own line so that
// each control's line is filled in on its own.
constexpr Extended kExtended[] = {
    {"listwnd", &Make<CVuListWnd>},
    {"listitem", &Make<CVuListItem>},
    {"rundrect", &Make<CVuRoundRect>},
    {"rundrectpath", &Make<CVuRoundRectPath>},
    {"expendimg", &Make<CVuExpendImg>},
    {"realwndex", &Make<CVuRealWndEx>},
    {"shadowtext", &Make<CVUShadowText>},
    {"richtextex", nullptr},
    {"imgex2", &Make<CVuImageEx2>},
    {"hrex", &Make<CVuLineEx>},
    {"listscrollbar", &Make<CVuWindowScollBar>},
    {"dlgbtnEx2", &Make<CVuDlgBtnEx2>},
    {"richtext2", nullptr},
    {"lineviewex", &Make<CVuLineViewEx>},
    {"ownereventdlg", &Make<CVuOwnerEventDlg>},
    {"sliderviewex", &Make<CVuSliderViewEx>},
};

}  // namespace

std::unique_ptr<CVuWindow> CVuControlCreator::CreateControl(const char* tag) {
  if (!tag) return nullptr;
  for (const Extended& extended : kExtended) {
    if (std::strcmp(tag, extended.tag) != 0) continue;
    return extended.make ? extended.make() : nullptr;
  }
  return nullptr;
}

CVuControlCreator& CVuControlCreator::Default() {
  static CVuControlCreator* instance = new CVuControlCreator;
  return *instance;
}
