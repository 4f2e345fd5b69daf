// Anything loadable from an XML element of a skin document or layout:
// elements, styles and skins.
#pragma once

#include "platform/types.h"
#include "platform/xml.h"

class CVuObject {
 public:
  CVuObject() = default;
  CVuObject(const CVuObject&) = delete;
  CVuObject& operator=(const CVuObject&) = delete;

  // 1.
  virtual ~CVuObject();
  // 2. True when tag equals this class's own tag exactly (a base class's tag
  // never matches a subclass).
  virtual bool MatchesTag(const char* tag) const;
  // 3. The class's XML tag; "" for the abstract bases.
  virtual const char* GetTag() const;
  // 4. SetAttribute(name, value, true) for each attribute in document order
  // (a rejected one is reported to the resource locator's problem sink with
  // the element's line), then OnLoaded(). Returns true.
  virtual bool Load(const ZXmlElement& element);
  // 5. After all attributes are applied; nothing in the base.
  virtual void OnLoaded();
  // 6. Applies one attribute: 0 or 1 when applied (per attribute), E_FAIL
  // when the name is unknown to the class or the value is invalid. An
  // override offers the attribute to its base first and handles it only
  // when the base answered E_FAIL.
  virtual HRESULT SetAttribute(const char* name, const char* value, bool loading);
};
