// One thing to undo for an installed file or folder ("config" element of a
// packet item): a registry value, a service, a shortcut, a start-menu entry...
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/xml.h"

class ZDeletionGuard;

// The phase in which the uninstaller carries the actions out.
constexpr int kUninstallPhase = 6;

class ZFileActionBase {
 public:
  // record_path: the full path of the file or folder the action belongs to.
  explicit ZFileActionBase(const std::u16string& record_path);
  virtual ~ZFileActionBase();
  ZFileActionBase(const ZFileActionBase&) = delete;
  ZFileActionBase& operator=(const ZFileActionBase&) = delete;

  // Reads the action's attributes from its element: 1 when read, else 0
  // (always 0 for an empty element).
  virtual int LoadFromXml(const ZXmlElement& element) = 0;
  // The uninstaller installs nothing; the slot is kept for the installer's side.
  virtual void Install(int phase);
  // Acts only in kUninstallPhase.
  virtual void Uninstall(int phase) = 0;
  // The kind name the packet uses ("reg", "service" ...).
  virtual const char* GetActionName() const = 0;

  const std::u16string& RecordPath() const { return record_path_; }
  // The run's deletion guard; without one, the removal helpers make their own.
  void SetDeletionGuard(ZDeletionGuard* guard) { guard_ = guard; }
  ZDeletionGuard* DeletionGuard() const { return guard_; }

 protected:
  // The run's guard, or one of the action's own when it runs alone.
  ZDeletionGuard& Guard();
  // Attribute readers shared by the kinds: text converted to UTF-16 (empty when
  // missing), numbers read leniently (0 when missing).
  static bool HasAttribute(const ZXmlElement& element, const char* name);
  static std::u16string TextAttribute(const ZXmlElement& element, const char* name);
  static int32_t NumberAttribute(const ZXmlElement& element, const char* name);

 private:
  const std::u16string record_path_;
  ZDeletionGuard* guard_ = nullptr;
  std::unique_ptr<ZDeletionGuard> own_guard_;
};
