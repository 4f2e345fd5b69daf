#include "ui/controls/container/CVuTab.h"

#include <cstring>

#include "ui/resource/VuStringTable.h"
#include "ui/resource/VuUtf8.h"
#include "ui/style/VuValueParsers.h"

// A page fills the area its control offers.
CVuTab::CVuTab() { size_modes_ = kVuWidthFull | kVuHeightFull; }

const char* CVuTab::GetTag() const { return "tab"; }

HRESULT CVuTab::SetAttribute(const char* name, const char* value, bool loading) {
  const HRESULT base = CVuDialog::SetAttribute(name, value, loading);
  if (base != E_FAIL || !name || !value) return base;
  if (std::strcmp(name, "title") == 0) {
    title_ = VuStringTable::Instance().Substitute(VuUtf8ToUtf16(value));
    return 1;
  }
  if (std::strcmp(name, "hide") == 0) {
    tab_hidden_ = VuParseInt(value) != 0;
    return 1;
  }
  return E_FAIL;
}
