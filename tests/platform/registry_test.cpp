#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/core/SimHost.h"
#include "tests/support/SimTestSupport.h"

namespace {

class RegistryTest : public MachineTest {
 protected:
  HKEY Create(HKEY root, const std::u16string& path, REGSAM view = 0) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              &key, &disposition),
              ERROR_SUCCESS);
    return key;
  }
  void SetString(HKEY key, const std::u16string& name, const std::u16string& value) {
    ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * 2)),
              ERROR_SUCCESS);
  }
  std::u16string GetString(HKEY key, const std::u16string& name, LSTATUS* status) {
    char16_t buffer[256] = {};
    DWORD size = sizeof(buffer), type = 0;
    *status = RegQueryValueExW(key, name.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(buffer), &size);
    return buffer;
  }
  bool Exists(HKEY root, const std::u16string& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
};

TEST_F(RegistryTest, ValuesRoundTripAndNamesIgnoreCase) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\Product");
  SetString(key, u"InstallDir", u"C:\\Program Files\\Product");
  LSTATUS status;
  EXPECT_EQ(GetString(key, u"INSTALLDIR", &status), u"C:\\Program Files\\Product");
  EXPECT_EQ(status, ERROR_SUCCESS);

  HKEY again = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"software\\VENDOR\\product", 0, KEY_READ, &again),
            ERROR_SUCCESS);
  EXPECT_EQ(GetString(again, u"installdir", &status), u"C:\\Program Files\\Product");

  // Size query, too small a buffer, missing value.
  DWORD size = 0, type = 0;
  EXPECT_EQ(RegQueryValueExW(again, u"InstallDir", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 50u);  // 24 characters and the terminator
  BYTE small[4];
  size = sizeof(small);
  EXPECT_EQ(RegQueryValueExW(again, u"InstallDir", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 50u);  // 24 characters and the terminator
  GetString(again, u"Missing", &status);
  EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueW(again, u"InstallDir"), ERROR_ACCESS_DENIED);  // opened for reading
  EXPECT_EQ(RegDeleteValueW(key, u"installdir"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(key, u"installdir"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(again);
  RegCloseKey(key);
}

TEST_F(RegistryTest, ThirtyTwoBitViewIsRedirectedOnX64) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\Only32", KEY_WOW64_32KEY);
  SetString(key, u"v", u"32");
  RegCloseKey(key);
  EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\Only32", KEY_WOW64_32KEY));
  EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\Only32", KEY_WOW64_64KEY));
  EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\WOW6432Node\\Vendor\\Only32", KEY_WOW64_64KEY));

  // A program that names no view is a 32-bit program and sees the 32-bit view.
  SimHost::SetNativeProcess(false);
  EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\Only32", 0));

  // Shared keys are the same in both views.
  HKEY classes = Create(HKEY_CLASSES_ROOT, u"SampleProduct.Document", KEY_WOW64_32KEY);
  RegCloseKey(classes);
  EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\SampleProduct.Document", KEY_WOW64_64KEY));
  // ... but Classes\CLSID is not.
  HKEY clsid = Create(HKEY_CLASSES_ROOT, u"CLSID\\{1}", KEY_WOW64_32KEY);
  RegCloseKey(clsid);
  EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, u"CLSID\\{1}", KEY_WOW64_64KEY));
  EXPECT_TRUE(Exists(HKEY_CLASSES_ROOT, u"WOW6432Node\\CLSID\\{1}", KEY_WOW64_64KEY));

  // Subkeys opened through a 32-bit handle stay in the 32-bit view.
  HKEY vendor = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &vendor),
            ERROR_SUCCESS);
  HKEY child = nullptr;
  EXPECT_EQ(RegOpenKeyExW(vendor, u"Only32", 0, KEY_READ, &child), ERROR_SUCCESS);
  RegCloseKey(child);
  RegCloseKey(vendor);
}

TEST_F(RegistryTest, OneViewOnX86) {
  RecreateMachine(false);
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\Key", KEY_WOW64_32KEY);
  RegCloseKey(key);
  EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\Key", KEY_WOW64_64KEY));
  EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\WOW6432Node\\Vendor\\Key", KEY_WOW64_64KEY));
}

TEST_F(RegistryTest, DeleteKeyNeedsNoSubkeysAndInvalidatesHandles) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Vendor\\Parent\\Child");
  HKEY parent = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Vendor", 0, KEY_ALL_ACCESS, &parent),
            ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(parent, u"Parent"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(parent, u"Parent\\Child"), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(key, u"x", 0, REG_DWORD, reinterpret_cast<const BYTE*>("\1\0\0\0"), 4),
            ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteKeyW(parent, u"Parent\\Child"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(parent, u"Parent"), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  RegCloseKey(parent);
  // HKEY_CURRENT_USER lives under HKEY_USERS\<sid>.
  EXPECT_TRUE(Exists(HKEY_USERS, u"S-1-5-21-1004336348-1177238915-682003330-1001\\Software\\Vendor", 0));
}

TEST_F(RegistryTest, EnumerationOrderAndBufferSizes) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Enum", KEY_WOW64_64KEY);
  for (const char16_t* name : {u"beta", u"Alpha", u"gamma"}) RegCloseKey(Create(key, name));
  SetString(key, u"z", u"1");
  SetString(key, u"a", u"2");
  std::vector<std::u16string> keys, values;
  char16_t name[64];
  for (DWORD i = 0;; ++i) {
    DWORD size = 64;
    if (RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    keys.push_back(name);
  }
  for (DWORD i = 0;; ++i) {
    DWORD size = 64;
    if (RegEnumValueW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    values.push_back(name);
  }
  EXPECT_EQ(keys, (std::vector<std::u16string>{u"Alpha", u"beta", u"gamma"}));
  EXPECT_EQ(values, (std::vector<std::u16string>{u"z", u"a"}));  // in the order they were set
  DWORD size = 3;  // "Alpha" needs 6 with its terminator
  EXPECT_EQ(RegEnumKeyExW(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  size = 64;
  EXPECT_EQ(RegEnumKeyExW(key, 3, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(key);
}

TEST_F(RegistryTest, DefaultValueAndMissingKeys) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Default");
  LSTATUS status;
  GetString(key, u"", &status);
  EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
  SetString(key, u"", u"default");
  EXPECT_EQ(GetString(key, u"", &status), u"default");
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  RegCloseKey(key);
  HKEY missing = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Nope\\Nope", 0, KEY_READ, &missing),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyW(HKEY_CLASSES_ROOT, u"Nope", &missing), ERROR_FILE_NOT_FOUND);
}

}  // namespace
