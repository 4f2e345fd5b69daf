// Directory links inside a machine: followed in the middle of a path, shown
// as directories with a reparse point, removed without their target.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/shell.h"
#include "platform/sim/files/SimFiles.h"
#include "platform/sim/files/SimPendingRenames.h"
#include "tests/support/SimTestSupport.h"

namespace {

constexpr DWORD kJunction = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

class JunctionTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Data", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Data\\Deep", nullptr));
    ASSERT_TRUE(WriteTextFile(Real("Data/Deep/keep.txt"), "keep"));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Prod", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Prod\\Sub", nullptr));
    ASSERT_EQ(SimCreateJunction(u"C:\\Prod\\Sub\\Link", u"c:\\data"), 0u);
  }
};

TEST_F(JunctionTest, LookupsGoThroughTheLinkInAnyCase) {
  EXPECT_EQ(GetFileAttributesW(u"C:\\Prod\\Sub\\Link"), kJunction);
  EXPECT_EQ(GetFileAttributesW(u"C:\\Prod\\Sub\\Link\\Deep\\keep.txt"),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetFileAttributesW(u"c:\\PROD\\sub\\LINK\\deep\\KEEP.TXT"),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  HANDLE file = CreateFileW(u"C:\\Prod\\Sub\\link\\Deep\\new.txt", GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  CloseHandle(file);
  EXPECT_TRUE(PathExists(Real("Data/Deep/new.txt")));

  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(u"C:\\Prod\\Sub\\*", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  bool listed = false;
  do {
    if (std::u16string(data.cFileName) == u"Link") {
      listed = true;
      EXPECT_EQ(data.dwFileAttributes, kJunction);
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  EXPECT_TRUE(listed);
  // The link's own content is its target's.
  find = FindFirstFileW(u"C:\\Prod\\Sub\\Link\\Deep\\keep.*", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  FindClose(find);

  char16_t long_path[MAX_PATH];
  ASSERT_GT(GetLongPathNameW(u"c:\\prod\\sub\\link\\deep", long_path, MAX_PATH), 0u);
  EXPECT_EQ(std::u16string(long_path), u"c:\\Prod\\Sub\\Link\\Deep");
}

TEST_F(JunctionTest, RemovingTheLinkLeavesTheTarget) {
  SetLastError(0);
  EXPECT_FALSE(DeleteFileW(u"C:\\Prod\\Sub\\Link"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\Prod\\Sub\\LINK")) << GetLastError();
  EXPECT_EQ(GetFileAttributesW(u"C:\\Prod\\Sub\\Link"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadTextFile(Real("Data/Deep/keep.txt")), "keep");

  // A shell tree removal and a restart's pending deletion take the link only.
  ASSERT_EQ(SimCreateJunction(u"C:\\Prod\\Sub\\Again", u"C:\\Data"), 0u);
  ASSERT_EQ(SimCreateJunction(u"C:\\Later", u"C:\\Data\\Deep"), 0u);
  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = u"C:\\Prod\0";
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  EXPECT_EQ(SHFileOperationW(&op), 0);
  EXPECT_FALSE(PathExists(Real("Prod")));
  ASSERT_TRUE(MoveFileExW(u"C:\\Later", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(SimRunPendingRenames());
  EXPECT_EQ(GetFileAttributesW(u"C:\\Later"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadTextFile(Real("Data/Deep/keep.txt")), "keep");
}

TEST_F(JunctionTest, OnlyNewNamesToExistingFoldersOnTheSameDrive) {
  EXPECT_EQ(SimCreateJunction(u"C:\\Prod\\Sub\\Link", u"C:\\Data"),
            static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(SimCreateJunction(u"C:\\Prod\\x", u"C:\\Nowhere"),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(SimCreateJunction(u"C:\\Prod\\x", u"C:\\Data\\Deep\\keep.txt"),
            static_cast<DWORD>(ERROR_DIRECTORY));
  EXPECT_EQ(SimCreateJunction(u"C:\\Missing\\x", u"C:\\Data"),
            static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(SimCreateJunction(u"D:\\x", u"C:\\Data"), static_cast<DWORD>(ERROR_NOT_SAME_DEVICE));
  // A link to the drive's root stays a relative link inside the drive.
  ASSERT_EQ(SimCreateJunction(u"C:\\Top", u"C:\\"), 0u);
  EXPECT_EQ(GetFileAttributesW(u"C:\\Top\\Data\\Deep\\keep.txt"),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  char target[256] = {};
  ASSERT_GT(readlink(Real("Top").c_str(), target, sizeof(target) - 1), 0);
  EXPECT_NE(target[0], '/');
}

}  // namespace
