#include "engine/ZFileActionFactory.h"

#include "engine/actions/ZCompleteRunAction.h"
#include "engine/actions/ZRegEditAction.h"
#include "engine/actions/ZServiceAction.h"
#include "engine/actions/ZShortCutAction.h"
#include "engine/actions/ZStartMenuAction.h"

std::unique_ptr<ZFileActionBase> ZFileActionFactory::CreateAction(const std::u16string& kind,
                                                                  const std::u16string& record_path) {
  if (kind == u"shortcut") return std::make_unique<ZShortCutAction>(record_path);
  if (kind == u"completerun") return std::make_unique<ZCompleteRunAction>(record_path);
  if (kind == u"startmenu") return std::make_unique<ZStartMenuAction>(record_path);
  if (kind == u"service") return std::make_unique<ZServiceAction>(record_path);
  if (kind == u"reg") return std::make_unique<ZRegEditAction>(record_path);
  return nullptr;
}
