// "memimage": an image the application holds in memory, stretched over the
// rectangle. "mempointer" is the key of a VuMemoryImages entry (never an
// address); the entry is looked up at each paint, so the application may
// register it after the layout loads.
#pragma once

#include <string>

#include "ui/element/CVuWindow.h"

class CVuMemoryImage : public CVuWindow {
 public:
  const char* GetTag() const override;  // "memimage"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  void PaintContent(ZCanvas* dc) override;

  const std::string& GetKey() const { return key_; }

 protected:
  VuSize WantedSize(int cx, int cy) override;

 private:
  std::string key_;
};
