#include "app/dialog/LayoutLoad.h"

#include "packet_public/ZText.h"
#include "ui/dialog/CVuDialogView.h"
#include "ui/resource/VuResourceLocator.h"

bool LoadLayoutWithProblems(CVuDialogView* view, std::u16string* problems) {
  VuResourceLocator::Instance().SetProblemSink([problems](const VuLoadProblem& problem) {
    if (!problems->empty()) *problems += u"; ";
    *problems += Utf8ToUtf16(problem.document + ":" + std::to_string(problem.line) + ": " +
                             problem.message);
  });
  const bool loaded = view->LoadLayout();
  VuResourceLocator::Instance().SetProblemSink(nullptr);
  return loaded;
}
