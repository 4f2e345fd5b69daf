// The system folder as this 32-bit program reaches it and as native programs
// (process images, the service manager) name it.
#include <gtest/gtest.h>

#include "engine/guard/ZNativePaths.h"
#include "platform/sim/core/SimHost.h"
#include "tests/support/SimTestSupport.h"

namespace {

class NativePathsTest : public MachineTest {};

TEST_F(NativePathsTest, A32BitProgramOnX64ReachesSysWow64UnderSystem32) {
  EXPECT_EQ(NativePathOf(u"C:\\Windows\\System32\\x.dll"), u"C:\\Windows\\SysWOW64\\x.dll");
  EXPECT_EQ(NativePathOf(u"c:\\windows\\SYSTEM32"), u"C:\\Windows\\SysWOW64");
  EXPECT_EQ(NativePathOf(u"C:\\Windows\\System32\\drivers\\x.sys"),
            u"C:\\Windows\\SysWOW64\\drivers\\x.sys");
  EXPECT_EQ(NativePathOf(u"C:\\Windows\\Sysnative\\x.dll"), u"C:\\Windows\\System32\\x.dll");
  EXPECT_EQ(NativePathOf(u"C:\\Windows\\regedit.exe"), u"C:\\Windows\\SysWOW64\\regedit.exe");
  // Shared folders, look-alike names and other places stay.
  for (const char16_t* same :
       {u"C:\\Windows\\System32\\drivers\\etc\\hosts", u"C:\\Windows\\System32\\spool\\a",
        u"C:\\Windows\\System32\\catroot2", u"C:\\Windows\\System32x\\a.dll",
        u"C:\\Windows\\SysWOW64\\a.dll", u"C:\\Program Files\\a.dll"})
    EXPECT_EQ(NativePathOf(same), same);

  EXPECT_EQ(PathReachingNative(u"C:\\Windows\\System32\\svc.exe"),
            u"C:\\Windows\\Sysnative\\svc.exe");
  EXPECT_EQ(PathReachingNative(u"C:\\Windows\\System32\\drivers\\etc\\hosts"),
            u"C:\\Windows\\System32\\drivers\\etc\\hosts");
  EXPECT_EQ(PathReachingNative(u"C:\\Windows\\SysWOW64\\svc.exe"),
            u"C:\\Windows\\SysWOW64\\svc.exe");
}

TEST_F(NativePathsTest, WithoutARedirectorPathsStayAsTheyAre) {
  {
    struct Native {
      Native() { SimHost::SetNativeProcess(true); }
      ~Native() { SimHost::SetNativeProcess(false); }
    } native;
    EXPECT_EQ(NativePathOf(u"C:\\Windows\\System32\\x.dll"), u"C:\\Windows\\System32\\x.dll");
    EXPECT_EQ(PathReachingNative(u"C:\\Windows\\System32\\x.dll"),
              u"C:\\Windows\\System32\\x.dll");
  }
  RecreateMachine(false);
  EXPECT_EQ(NativePathOf(u"C:\\Windows\\System32\\x.dll"), u"C:\\Windows\\System32\\x.dll");
  EXPECT_EQ(PathReachingNative(u"C:\\Windows\\System32\\x.dll"), u"C:\\Windows\\System32\\x.dll");
}

}  // namespace
