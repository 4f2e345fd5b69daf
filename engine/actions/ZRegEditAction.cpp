#include "engine/actions/ZRegEditAction.h"

#include "app/log/ZLog.h"
#include "engine/guard/ZRegistryGuard.h"
#include "packet_public/ZRegRootTable.h"
#include "platform/registry.h"

namespace {

constexpr DWORD kNameBuffer = 1024;

// Deletes root\path with everything below it, staying in one view: the
// subkeys first (always the first one left, until none is), then the key
// from its parent. A subkey that cannot go keeps the key in place.
bool DeleteKeyTree(HKEY parent, const std::u16string& name, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS)
    return false;
  for (;;) {
    char16_t child[kNameBuffer];
    DWORD length = kNameBuffer;
    if (RegEnumKeyExW(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    if (!DeleteKeyTree(key, std::u16string(child, length), view)) {
      RegCloseKey(key);
      return false;
    }
  }
  RegCloseKey(key);
  return RegDeleteKeyExW(parent, name.c_str(), view, 0) == ERROR_SUCCESS;
}

// Deletes root\path in the given view. The parent is opened in that view, so
// the key is looked up below the parent the view sees.
void DeleteKeyTreeFromRoot(HKEY root, std::u16string path, REGSAM view) {
  while (!path.empty() && path.back() == u'\\') path.pop_back();
  if (path.empty()) return;  // never a root key itself
  size_t slash = path.find_last_of(u'\\');
  if (slash == std::u16string::npos) {
    DeleteKeyTree(root, path, view);
    return;
  }
  HKEY parent = nullptr;
  if (RegOpenKeyExW(root, path.substr(0, slash).c_str(), 0, KEY_ALL_ACCESS | view, &parent) !=
      ERROR_SUCCESS)
    return;
  DeleteKeyTree(parent, path.substr(slash + 1), view);
  RegCloseKey(parent);
}

}  // namespace

ZRegEditAction::ZRegEditAction(const std::u16string& record_path) : ZFileActionBase(record_path) {}

int ZRegEditAction::LoadFromXml(const ZXmlElement& element) {
  if (!element) return 0;
  main_key_ = TextAttribute(element, "mainkey");
  sub_key_ = TextAttribute(element, "subkey");
  key_name_ = TextAttribute(element, "keyname");
  value_ = TextAttribute(element, "value");
  key_type_ = NumberAttribute(element, "keytype");
  wow64_ = NumberAttribute(element, "wow64");
  if (main_key_.empty() || sub_key_.empty() || key_name_.empty() || value_.empty()) return 0;
  HKEY root = nullptr;
  return LookupRootKey(main_key_, &root) ? 1 : 0;
}

void ZRegEditAction::Uninstall(int phase) {
  if (phase != kUninstallPhase) return;
  HKEY root = nullptr;
  if (!LookupRootKey(main_key_, &root)) return;
  if (IsProtectedRegistryKey(main_key_, sub_key_)) {
    ZLOG(kLogWarning) << u"skip protected registry key : " << main_key_ << u"\\" << sub_key_;
    return;
  }
  const REGSAM view = wow64_ ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  // An entry whose key does not exist has nothing to undo: opening, never
  // creating, leaves no empty key behind.
  HKEY key = nullptr;
  const LSTATUS opened = RegOpenKeyExW(root, sub_key_.c_str(), 0, KEY_ALL_ACCESS | view, &key);
  if (opened == ERROR_ACCESS_DENIED)
    ZLOG(kLogWarning) << u"no right to change registry key : " << main_key_ << u"\\" << sub_key_;
  if (opened != ERROR_SUCCESS) return;
  if (RegDeleteValueW(key, key_name_.c_str()) != ERROR_SUCCESS) {
    RegCloseKey(key);
    return;
  }
  // Anything but "no more items" counts as an entry: a name longer than the
  // buffer, or one that cannot be read, keeps the key.
  char16_t name[kNameBuffer];
  DWORD length = kNameBuffer;
  const bool has_subkey = RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr,
                                        nullptr) != ERROR_NO_MORE_ITEMS;
  length = kNameBuffer;
  const bool has_value =
      RegEnumValueW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_NO_MORE_ITEMS;
  if (!has_subkey && !has_value) DeleteKeyTreeFromRoot(root, sub_key_, view);
  RegCloseKey(key);
}
