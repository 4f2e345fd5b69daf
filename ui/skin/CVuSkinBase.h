// A skin: a named, reusable way of painting a rectangle. Skins are defined
// in the skin document (10000), kept by name in VuSkinPool and drawn by
// elements in a state frame.
#pragma once

#include <string>

#include "platform/canvas.h"
#include "ui/core/CVuObject.h"
#include "ui/core/VuTypes.h"

// Skin states: normal, hover, pushed, disabled; kVuSkinWhole draws the
// whole image whatever the states.
constexpr int kVuSkinNormal = 0;
constexpr int kVuSkinHover = 1;
constexpr int kVuSkinPushed = 2;
constexpr int kVuSkinDisabled = 3;
constexpr int kVuSkinWhole = -1;

class CVuSkinBase : public CVuObject {
 public:
  // "name" (the key in the pool); other attributes are the kind's.
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;
  const std::string& Name() const { return name_; }

  // Draws the skin over rect in state (or, for a skin that reads raw
  // element state bits such as "button", those bits) with constant alpha.
  virtual void Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) = 0;
  // The natural size of one state image; 0 x 0 in the base.
  virtual VuSize GetSkinSize();
  // True when drawing does not depend on the state (the base).
  virtual bool IsStateless() const;
  // Loads what the skin draws from (its image), once; 0 in the base,
  // nonzero once something is loaded.
  virtual int EnsureLoaded();
  // True for skins that read the raw element state bits (the "button" face).
  virtual bool TakesRawStateBits() const { return false; }

 protected:
  std::string name_;
};
