// HKEY_CLASSES_ROOT: the user's classes merged over the machine's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "tests/support/SimTestSupport.h"

namespace {

const char16_t kUserClasses[] = u"Software\\Classes\\";
const char16_t kMachineClasses[] = u"SOFTWARE\\Classes\\";

class ClassesRootTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    Set(HKEY_CURRENT_USER, std::u16string(kUserClasses) + u".both", u"user");
    Set(HKEY_LOCAL_MACHINE, std::u16string(kMachineClasses) + u".both", u"machine");
    Set(HKEY_LOCAL_MACHINE, std::u16string(kMachineClasses) + u".both\\Shell", u"machine");
    Set(HKEY_CURRENT_USER, std::u16string(kUserClasses) + u".both\\OpenWith", u"user");
    Set(HKEY_CURRENT_USER, std::u16string(kUserClasses) + u".user", u"user");
    Set(HKEY_LOCAL_MACHINE, std::u16string(kMachineClasses) + u".machine", u"machine");
  }

  static void Set(HKEY root, const std::u16string& path, const std::u16string& text,
                  REGSAM view = KEY_WOW64_64KEY) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * 2)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  static std::u16string Get(HKEY root, const std::u16string& path, REGSAM view = KEY_WOW64_64KEY) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return u"<none>";
    char16_t buffer[64] = {};
    DWORD size = sizeof(buffer) - 2;
    LSTATUS status = RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? buffer : u"<no value>";
  }

  static std::vector<std::u16string> Subkeys(HKEY root, const char16_t* path, DWORD* counted) {
    std::vector<std::u16string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return names;
    char16_t name[256];
    for (DWORD i = 0;; ++i) {
      DWORD size = 256;
      if (RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.emplace_back(name);
    }
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, counted, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return names;
  }
};

TEST_F(ClassesRootTest, ReadsSeeTheUsersKeyFirstAndListBothSides) {
  EXPECT_EQ(Get(HKEY_CLASSES_ROOT, u".both"), u"user");
  EXPECT_EQ(Get(HKEY_CLASSES_ROOT, u".user"), u"user");
  EXPECT_EQ(Get(HKEY_CLASSES_ROOT, u".machine"), u"machine");
  DWORD counted = 0;
  std::vector<std::u16string> top = Subkeys(HKEY_CLASSES_ROOT, nullptr, &counted);
  std::vector<std::u16string> expected = {u".both", u".machine", u".user"};
  EXPECT_EQ(top, expected) << "each name once, in order";
  EXPECT_EQ(counted, 3u);
  // Below a key both sides have, the subkeys merge too.
  std::vector<std::u16string> below = Subkeys(HKEY_CLASSES_ROOT, u".both", &counted);
  expected = {u"OpenWith", u"Shell"};
  EXPECT_EQ(below, expected);
  EXPECT_EQ(counted, 2u);
  EXPECT_EQ(Get(HKEY_CLASSES_ROOT, u".both\\Shell"), u"machine");
}

TEST_F(ClassesRootTest, WritesGoToTheUsersKeyOnlyWhereItExists) {
  Set(HKEY_CLASSES_ROOT, u".both", u"changed");
  EXPECT_EQ(Get(HKEY_CURRENT_USER, std::u16string(kUserClasses) + u".both"), u"changed");
  EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, std::u16string(kMachineClasses) + u".both"), u"machine");
  Set(HKEY_CLASSES_ROOT, u".new", u"made");
  EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, std::u16string(kMachineClasses) + u".new"), u"made");
  EXPECT_EQ(Get(HKEY_CURRENT_USER, std::u16string(kUserClasses) + u".new"), u"<none>");
  // Deleting takes the user's key; the machine's then shows through.
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u".both\\OpenWith"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u".both"), ERROR_SUCCESS);
  EXPECT_EQ(Get(HKEY_CURRENT_USER, std::u16string(kUserClasses) + u".both"), u"<none>");
  EXPECT_EQ(Get(HKEY_CLASSES_ROOT, u".both"), u"machine");
}

TEST_F(ClassesRootTest, TheThirtyTwoBitViewKeepsItsOwnClassIds) {
  Set(HKEY_CLASSES_ROOT, u"CLSID\\{1}", u"thirty-two", KEY_WOW64_32KEY);
  EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, std::u16string(kMachineClasses) + u"WOW6432Node\\CLSID\\{1}"),
            u"thirty-two");
  EXPECT_EQ(Get(HKEY_CLASSES_ROOT, u"CLSID\\{1}"), u"<none>");
  Set(HKEY_CURRENT_USER, std::u16string(kUserClasses) + u"CLSID\\{1}", u"user", KEY_WOW64_32KEY);
  EXPECT_EQ(Get(HKEY_CLASSES_ROOT, u"CLSID\\{1}", KEY_WOW64_32KEY), u"user");
  EXPECT_EQ(Get(HKEY_CURRENT_USER, std::u16string(kUserClasses) + u"WOW6432Node\\CLSID\\{1}"), u"user");
}

}  // namespace
