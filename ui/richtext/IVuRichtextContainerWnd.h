// What an element that holds rich-text objects offers: the objects
// themselves (VuRichRun values: text runs, links, line breaks, offsets and
// images as boxes drawn by skin name), changed at run time and laid out
// again, and the report of a link object's click.
#pragma once

#include <cstddef>
#include <vector>

#include "ui/richtext/VuRichRuns.h"

class IVuRichtextContainerWnd {
 public:
  virtual ~IVuRichtextContainerWnd() = default;
  virtual void AppendObject(const VuRichRun& object) = 0;
  virtual void ClearObjects() = 0;
  virtual const std::vector<VuRichRun>& Objects() const = 0;
  // Lays the objects out again in the element and asks for a repaint.
  virtual void RefreshObjects() = 0;
  // A link object was clicked: the container tells the application.
  virtual void OnObjectLinkClicked(int link_id) = 0;
};
