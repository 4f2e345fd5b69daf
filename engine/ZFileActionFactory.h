// Creates the action for a "config" element's "mode".
#pragma once

#include <memory>
#include <string>

#include "engine/ZFileActionBase.h"

class ZFileActionFactory {
 public:
  // kind compares exactly ("reg", not "Reg"); null for a kind we do not know.
  static std::unique_ptr<ZFileActionBase> CreateAction(const std::u16string& kind,
                                                       const std::u16string& record_path);
};
