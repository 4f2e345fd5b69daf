// "storageimageex": a storage image with a constant opacity ("alpha", 0-255).
#pragma once

#include "ui/controls/image/CVuStorageImage.h"

class CVuStorageImageEx : public CVuStorageImage {
 public:
  const char* GetTag() const override;  // "storageimageex"
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
};
