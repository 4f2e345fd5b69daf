// Creates elements from their XML tags: the built-in controls in the
// factory's order, then the container's creator for extended tags.
#pragma once

#include <memory>

#include "ui/element/CVuWindow.h"

class IVuControlCreator {
 public:
  virtual ~IVuControlCreator() = default;
  // A new element for tag, or null.
  virtual std::unique_ptr<CVuWindow> CreateControl(const char* tag) = 0;
};

// The built-in tags (first exact match wins), then creator (may be null).
// Null for an unknown tag.
std::unique_ptr<CVuWindow> VuCreateControl(const char* tag, IVuControlCreator* creator);
