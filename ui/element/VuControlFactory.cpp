#include "ui/element/VuControlFactory.h"

#include <cstring>

#include "ui/controls/basic/CVuButton.h"
#include "ui/controls/basic/CVuImageWnd.h"
#include "ui/controls/basic/CVuLineBreak.h"
#include "ui/controls/basic/CVuSkinBtnWnd.h"
#include "ui/controls/basic/CVuStatic.h"
#include "ui/controls/button/CVuDialogButton.h"
#include "ui/controls/button/CVuImageBtnWnd.h"
#include "ui/controls/button/CVuImgbtnsized.h"
#include "ui/controls/button/CVuLink.h"
#include "ui/controls/choice/CVuCheckBox.h"
#include "ui/controls/choice/CVuRadioBox.h"
#include "ui/controls/choice/CVuSelfDefineRadioBox.h"
#include "ui/controls/container/CVuRealWnd.h"
#include "ui/controls/container/CVuRealWnd2.h"
#include "ui/controls/container/CVuTabCtrl.h"
#include "ui/controls/image/CVuHIcon.h"
#include "ui/controls/image/CVuIconWnd.h"
#include "ui/controls/image/CVuImageBg.h"
#include "ui/controls/image/CVuImageEx.h"
#include "ui/controls/image/CVuImageRotale.h"
#include "ui/controls/image/CVuImageScroll.h"
#include "ui/controls/image/CVuImgGray.h"
#include "ui/controls/image/CVuMemoryImage.h"
#include "ui/controls/image/CVuStorageImage.h"
#include "ui/controls/image/CVuStorageImageEx.h"
#include "ui/controls/line/CVuLine.h"
#include "ui/controls/progress/CVuProgress.h"
#include "ui/controls/progress/CVuProgressEx.h"
#include "ui/controls/progress/VuSlider.h"
#include "ui/element/CVuContainerWnd.h"

namespace {

using Maker = std::unique_ptr<CVuWindow> (*)();

template <typename T>
std::unique_ptr<CVuWindow> Make() {
  return std::make_unique<T>();
}

struct BuiltIn {
  const char* tag;
  Maker make;  // null: a built-in tag whose control is not made yet
};

// The built-in tags in the factory's order; the first exact match wins.
constexpr BuiltIn kBuiltIns[] = {
    {"dlg", &Make<CVuDialog>},
    {"text", &Make<CVuStatic>},
    {"button", &Make<CVuButton>},
    {"img", &Make<CVuImageWnd>},
    {"imgbg", &Make<CVuImageBg>},
    {"scrollimg", &Make<CVuImageScroll>},
    {"progress", &Make<CVuProgress>},
    {"progressex", &Make<CVuProgressEx>},
    {"imgbtn", &Make<CVuImageBtnWnd>},
    {"skinbtn", &Make<CVuSkinBtnWnd>},
    {"realwnd", &Make<CVuRealWnd>},
    {"realwnd2", &Make<CVuRealWnd2>},
    {"hr", &Make<CVuLine>},
    {"check", &Make<CVuCheckBox>},
    {"icon", &Make<CVuIconWnd>},
    {"tabctrl", &Make<CVuTabCtrl>},
    {"radio", &Make<CVuRadioBox>},
    {"customradio", &Make<CVuSelfDefineRadioBox>},
    {"richtext", nullptr},
    {"link", &Make<CVuLink>},
    {"memimage", &Make<CVuMemoryImage>},
    {"storageimage", &Make<CVuStorageImage>},
    {"storageimageex", &Make<CVuStorageImageEx>},
    {"imgbtnsized", &Make<CVuImgbtnsized>},
    {"imggray", &Make<CVuImgGray>},
    {"imgex", &Make<CVuImageEx>},
    {"imgrotale", &Make<CVuImageRotale>},
    {"slider", &Make<VuSlider>},
    {"dlgbtn", &Make<CVuDialogButton>},
    {"hicon", &Make<CVuHIcon>},
    // The flow layout's line break.
    {"br", &Make<CVuLineBreak>},
};

}  // namespace

std::unique_ptr<CVuWindow> VuCreateControl(const char* tag, IVuControlCreator* creator) {
  if (!tag) return nullptr;
  for (const BuiltIn& built_in : kBuiltIns) {
    if (std::strcmp(tag, built_in.tag) != 0) continue;
    if (!built_in.make) return nullptr;
    std::unique_ptr<CVuWindow> element = built_in.make();
    // A container made here gets the creator in force.
    if (auto* container = dynamic_cast<CVuContainerWnd*>(element.get())) container->SetCreator(creator);
    return element;
  }
  return creator ? creator->CreateControl(tag) : nullptr;
}
