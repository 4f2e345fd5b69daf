// The creator of the extended controls: the tags the built-in factory does
// not know, in the creator's own order. A dialog view's layout installs the
// process-wide instance in its sections by default, so every layout can use
// them; an application adds tags by deriving from it (ask the base for the
// tags it does not make) and installing its own through VuLayout::SetCreator.
#pragma once

#include <memory>

#include "ui/element/VuControlFactory.h"

class CVuControlCreator : public IVuControlCreator {
 public:
  // Null for a tag not in the extended table, or one whose control is not
  // made yet.
  std::unique_ptr<CVuWindow> CreateControl(const char* tag) override;

  // The stateless instance the layouts install by default.
  static CVuControlCreator& Default();
};
