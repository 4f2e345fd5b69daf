// A named bundle of visual settings shared by many elements: colours and
// fonts by state, text layout, margins and spacing, skin and cursor.
#pragma once

#include <cstdint>
#include <string>

#include "ui/core/CVuObject.h"
#include "ui/core/VuTypes.h"

class VuStyle : public CVuObject {
 public:
  VuStyle() = default;

  const char* GetTag() const override;  // "class"
  // 1 when applied; E_FAIL (the field unchanged) for an unknown attribute or
  // a value its syntax refuses (a colour not six characters, a font id of
  // more than four digits, a cursor other than "hand" and "arrow").
  // Integers are read leniently; "alphabg"/"alphatxt" are clamped to 0-255,
  // "gditxtrndhit" to 0-5 and margins and spacings to +-32767.
  HRESULT SetAttribute(const char* name, const char* value, bool loading) override;

  const std::string& Name() const { return name_; }

  // What an element in state (kVuState* bits) draws with. Disabled takes
  // crdisabled, pushed crpush/pushfont, hovered crhover/hoverfont/crbghover;
  // a state value that is unset (-1, font 0) falls back to the next
  // matching state, then to crtext/font/crbg. Pushed before hover.
  VuColor TextColorForState(uint32_t state) const;
  uint16_t FontForState(uint32_t state) const;
  VuColor BackgroundForState(uint32_t state) const;

  // Fields in declaration order; kVuNoColor = none.
  VuColor crbg = kVuNoColor;
  VuColor crbghover = kVuNoColor;
  VuColor crtext = kVuNoColor;
  VuColor crhover = kVuNoColor;
  VuColor crdisabled = kVuNoColor;
  VuColor crpush = kVuNoColor;
  uint32_t textmode = 0;       // DT_* flags
  uint16_t font = 0;
  uint16_t hoverfont = 0;      // 0 = none
  uint16_t pushfont = 0;       // 0 = none
  int x_margin = 0;
  int y_margin = 0;
  int spacing = 0;
  int linespacing = 0;
  int cursor = 32512;          // IDC_ARROW; "hand" = IDC_HAND (32649)
  std::string skin;
  bool shadow = false;
  bool gdiplus = false;
  bool gdipluscalctxt = false;
  bool yhresizedisable = false;
  int gditxtrndhit = 0;
  VuColor crshadow = kVuNoColor;
  uint8_t alphabg = 255;
  uint8_t alphatxt = 255;
  bool bggdiplus = false;
  uint32_t textmodeex = 0;

 private:
  std::string name_;
};

// The process-wide pool of styles by name; it always holds the unnamed
// default style once a style document was loaded (or Clear() was called).
class VuStylePool {
 public:
  static VuStylePool& Instance();

  // Empties the pool and creates the unnamed default style.
  void Clear();
  // Adds the "class" children of one "style" document; a name already
  // present keeps its first definition. Returns the number added.
  int LoadDocument(const ZXmlElement& root);
  // The style of that name; the default style for "" ; null for an unknown name.
  VuStyle* GetStyle(const std::string& name);
  // The unnamed default style.
  VuStyle* DefaultStyle();

 private:
  VuStylePool();
  struct Impl;
  Impl* impl_;
};
