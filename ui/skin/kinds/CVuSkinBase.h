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

  // Virtual operations after CVuObject's six, in their slot order.
  // Extension point with one argument; nothing in the base.
  virtual void SkinExtension(int argument);
  // Draws the skin over rect in state (or, for a skin that reads raw
  // element state bits such as "button", those bits) with constant alpha.
  virtual void Draw(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha) = 0;
  // Extension point with Draw's four arguments; nothing in the base.
  virtual void DrawExtension(ZCanvas* dc, const ZRect& rect, int state, BYTE alpha);
  // Six further drawing extension points; nothing in the base.
  virtual void DrawExtension1(ZCanvas* dc, const ZRect& rect);
  virtual void DrawExtension2(ZCanvas* dc, const ZRect& rect);
  virtual void DrawExtension3(ZCanvas* dc, const ZRect& rect);
  virtual void DrawExtension4(ZCanvas* dc, const ZRect& rect);
  virtual void DrawExtension5(ZCanvas* dc, const ZRect& rect);
  virtual void DrawExtension6(ZCanvas* dc, const ZRect& rect);
  // The natural size of one state image; 0 x 0 in the base.
  virtual VuSize GetSkinSize();
  // True when drawing does not depend on the state (the base).
  virtual bool IsStateless() const;
  // Loads what the skin draws from (its image), once; 0 in the base,
  // nonzero once something is loaded.
  virtual int EnsureLoaded();
  // Two further extension points; nothing in the base.
  virtual void SkinExtension1();
  virtual void SkinExtension2();

  // True for skins that read the raw element state bits (the "button" face).
  virtual bool TakesRawStateBits() const { return false; }
  // The source line of the skin's element (0 when not loaded from a document).
  int Line() const { return line_; }
  bool Load(const ZXmlElement& element) override;

 protected:
  std::string name_;
  int line_ = 0;
};
