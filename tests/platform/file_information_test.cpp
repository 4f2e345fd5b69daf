// Information through a file handle: links, identity, attributes set through
// a handle (also after the name it was opened by is gone), and long names.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/kernel.h"
#include "tests/support/SimTestSupport.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class FileInformationTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Work", nullptr));
  }

  static void MakeFile(const char16_t* path, const std::string& text) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    CloseHandle(file);
  }

  static HANDLE Open(const char16_t* path, DWORD access, DWORD flags = 0) {
    return CreateFileW(path, access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
  }

  static BY_HANDLE_FILE_INFORMATION Info(const char16_t* path) {
    BY_HANDLE_FILE_INFORMATION info = {};
    HANDLE file = Open(path, FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_TRUE(GetFileInformationByHandle(file, &info)) << GetLastError();
    CloseHandle(file);
    return info;
  }

  void Link(const std::string& from, const std::string& to) {
    ASSERT_EQ(link(Real(from).c_str(), Real(to).c_str()), 0);
  }
};

TEST_F(FileInformationTest, ReportsSizeAttributesLinksAndIdentity) {
  MakeFile(u"C:\\Work\\a.txt", "twelve bytes");
  MakeFile(u"C:\\Work\\b.txt", "x");
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\a.txt",
                                 FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  BY_HANDLE_FILE_INFORMATION a = Info(u"C:\\Work\\a.txt");
  BY_HANDLE_FILE_INFORMATION b = Info(u"C:\\Work\\b.txt");
  EXPECT_EQ(a.nFileSizeLow, 12u);
  EXPECT_EQ(a.nFileSizeHigh, 0u);
  EXPECT_EQ(a.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(a.nNumberOfLinks, 1u);
  EXPECT_EQ(a.dwVolumeSerialNumber, b.dwVolumeSerialNumber);
  EXPECT_NE(a.nFileIndexLow, b.nFileIndexLow);
  EXPECT_NE(a.ftLastWriteTime.dwLowDateTime | a.ftLastWriteTime.dwHighDateTime, 0u);

  BY_HANDLE_FILE_INFORMATION dir = Info(u"C:\\Work");
  EXPECT_EQ(dir.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(dir.nFileSizeLow, 0u);

  SetLastError(0);
  BY_HANDLE_FILE_INFORMATION ignored;
  EXPECT_FALSE(GetFileInformationByHandle(INVALID_HANDLE_VALUE, &ignored));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FileInformationTest, HardLinksShareIndexAndCountEachName) {
  MakeFile(u"C:\\Work\\one.dll", "MZ");
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work\\Other", nullptr));
  Link("Work/one.dll", "Work/two.dll");
  Link("Work/one.dll", "Work/Other/three.dll");
  BY_HANDLE_FILE_INFORMATION one = Info(u"C:\\Work\\one.dll");
  BY_HANDLE_FILE_INFORMATION three = Info(u"C:\\Work\\Other\\THREE.dll");
  EXPECT_EQ(one.nNumberOfLinks, 3u);
  EXPECT_EQ(three.nNumberOfLinks, 3u);
  EXPECT_EQ(one.nFileIndexLow, three.nFileIndexLow);
  EXPECT_EQ(one.nFileIndexHigh, three.nFileIndexHigh);

  ASSERT_TRUE(DeleteFileW(u"C:\\Work\\two.dll"));
  EXPECT_EQ(Info(u"C:\\Work\\one.dll").nNumberOfLinks, 2u);
}

TEST_F(FileInformationTest, RestoresAttributesThroughHandleAfterNameIsDeleted) {
  // What a removal does with a multiply-linked read-only file: clear the
  // attribute, delete one name, put the attributes back through the handle.
  MakeFile(u"C:\\Work\\shared.dll", "MZ");
  Link("Work/shared.dll", "Work/kept.dll");
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\shared.dll",
                                 FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
  HANDLE file = Open(u"C:\\Work\\shared.dll", FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  BY_HANDLE_FILE_INFORMATION before = {};
  ASSERT_TRUE(GetFileInformationByHandle(file, &before));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\shared.dll", FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(DeleteFileW(u"C:\\Work\\shared.dll")) << GetLastError();

  FILE_BASIC_INFO basic = {};
  basic.FileAttributes = before.dwFileAttributes;
  ASSERT_TRUE(SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic))
      << GetLastError();
  CloseHandle(file);
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\kept.dll"),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
  // The restored read-only attribute protects the remaining name again.
  SetLastError(0);
  EXPECT_FALSE(DeleteFileW(u"C:\\Work\\kept.dll"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(FileInformationTest, BasicInfoZeroFieldsLeaveThingsAsTheyAre) {
  MakeFile(u"C:\\Work\\t.txt", "t");
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\t.txt", FILE_ATTRIBUTE_HIDDEN));
  HANDLE file = Open(u"C:\\Work\\t.txt", FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  BY_HANDLE_FILE_INFORMATION before = {};
  ASSERT_TRUE(GetFileInformationByHandle(file, &before));

  FILE_BASIC_INFO basic = {};
  ASSERT_TRUE(SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic));
  BY_HANDLE_FILE_INFORMATION same = {};
  ASSERT_TRUE(GetFileInformationByHandle(file, &same));
  EXPECT_EQ(same.dwFileAttributes, before.dwFileAttributes);
  EXPECT_EQ(same.ftLastWriteTime.dwLowDateTime, before.ftLastWriteTime.dwLowDateTime);

  // 2001-01-01 00:00:00 UTC as a FILETIME.
  basic.LastWriteTime.QuadPart = 126227808000000000ll;
  ASSERT_TRUE(SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic));
  BY_HANDLE_FILE_INFORMATION dated = {};
  ASSERT_TRUE(GetFileInformationByHandle(file, &dated));
  EXPECT_EQ((static_cast<uint64_t>(dated.ftLastWriteTime.dwHighDateTime) << 32) |
                dated.ftLastWriteTime.dwLowDateTime,
            126227808000000000ull);
  EXPECT_EQ(dated.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));

  basic.LastWriteTime.QuadPart = 0;
  basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  ASSERT_TRUE(SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\t.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
  CloseHandle(file);
}

TEST_F(FileInformationTest, SetInformationNeedsWriteAttributesAndBasicInfo) {
  MakeFile(u"C:\\Work\\r.txt", "r");
  FILE_BASIC_INFO basic = {};
  basic.FileAttributes = FILE_ATTRIBUTE_HIDDEN;
  HANDLE reader = Open(u"C:\\Work\\r.txt", GENERIC_READ);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  SetLastError(0);
  EXPECT_FALSE(SetFileInformationByHandle(reader, FileBasicInfo, &basic, sizeof basic));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(reader);

  HANDLE writer = Open(u"C:\\Work\\r.txt", FILE_WRITE_ATTRIBUTES);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  SetLastError(0);
  EXPECT_FALSE(SetFileInformationByHandle(writer, FileStandardInfo, &basic, sizeof basic));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_FALSE(SetFileInformationByHandle(writer, FileBasicInfo, &basic, sizeof basic - 1));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  CloseHandle(writer);
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\r.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

TEST_F(FileInformationTest, LongPathSpellsEachComponentAsOnDisk) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work\\Mixed Case", nullptr));
  MakeFile(u"C:\\Work\\Mixed Case\\ReadMe.TXT", "r");
  char16_t out[MAX_PATH];
  DWORD n = GetLongPathNameW(u"C:\\WORK\\mixed case\\readme.txt", out, MAX_PATH);
  EXPECT_EQ(std::u16string(out), u"C:\\Work\\Mixed Case\\ReadMe.TXT");
  EXPECT_EQ(n, std::u16string(out).size());
  n = GetLongPathNameW(u"c:/work/", out, MAX_PATH);
  EXPECT_EQ(std::u16string(out, n), u"c:/Work/");

  // Too small: the size needed, terminator included; nothing is written.
  const std::u16string expected = u"C:\\Work\\Mixed Case";
  out[0] = u'#';
  EXPECT_EQ(GetLongPathNameW(u"c:\\work\\MIXED CASE", out, static_cast<DWORD>(expected.size())),
            expected.size() + 1);
  EXPECT_EQ(out[0], u'#');
  EXPECT_EQ(GetLongPathNameW(u"c:\\work\\MIXED CASE", nullptr, 0), expected.size() + 1);
  EXPECT_EQ(GetLongPathNameW(u"c:\\work\\MIXED CASE", out,
                             static_cast<DWORD>(expected.size() + 1)),
            expected.size());

  SetLastError(0);
  EXPECT_EQ(GetLongPathNameW(u"C:\\Work\\missing.txt", out, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  SetLastError(0);
  EXPECT_EQ(GetLongPathNameW(u"C:\\Missing\\x.txt", out, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  // No short aliases exist to be expanded.
  SetLastError(0);
  EXPECT_EQ(GetLongPathNameW(u"C:\\Work\\MIXEDC~1", out, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
