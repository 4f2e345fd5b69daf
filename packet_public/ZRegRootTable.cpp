#include "packet_public/ZRegRootTable.h"

#include <map>

namespace {

const std::map<std::u16string, HKEY>& RootTable() {
  // Built once, on first use, by whichever thread gets there first.
  static const std::map<std::u16string, HKEY> table = {
      {u"hkcr", HKEY_CLASSES_ROOT},
      {u"hkcu", HKEY_CURRENT_USER},
      {u"hklm", HKEY_LOCAL_MACHINE},
      {u"hkus", HKEY_USERS},
  };
  return table;
}

}  // namespace

bool LookupRootKey(const std::u16string& name, HKEY* root) {
  const auto& table = RootTable();
  auto it = table.find(name);
  if (it == table.end()) return false;
  if (root) *root = it->second;
  return true;
}
