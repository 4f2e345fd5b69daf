// Files on the simulated host: Windows names, dispositions, error codes,
// sharing between handles and processes, attributes and paths.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/sim/core/SimHost.h"
#include "tests/support/SimTestSupport.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class FilesTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Work", nullptr));
  }

  static HANDLE Open(const char16_t* path, DWORD access, DWORD share, DWORD disposition,
                     DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    return CreateFileW(path, access, share, nullptr, disposition, flags, nullptr);
  }

  static void Write(const char16_t* path, const std::string& text) {
    HANDLE file = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    ASSERT_EQ(written, text.size());
    CloseHandle(file);
  }

  static std::string Read(const char16_t* path) {
    HANDLE file = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return "<error " + std::to_string(GetLastError()) + ">";
    std::string text(4096, '\0');
    DWORD read = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    text.resize(read);
    return text;
  }

  std::string Work(const std::string& name) const { return Real("Work/" + name); }
};

#define EXPECT_ERROR(call, code)                       \
  do {                                                 \
    SetLastError(0);                                   \
    EXPECT_FALSE(call);                                \
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(code)); \
  } while (0)

TEST_F(FilesTest, LookupIgnoresCaseAndKeepsTheCreatedCase) {
  Write(u"C:\\Work\\MixedCase.Txt", "first");
  EXPECT_EQ(Read(u"c:/WORK/mixedcase.TXT"), "first");

  // Creating in another case reaches the same entry; no second file appears.
  HANDLE file = Open(u"C:\\work\\MIXEDCASE.TXT", GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  CloseHandle(file);
  EXPECT_TRUE(PathExists(Work("MixedCase.Txt")));
  EXPECT_FALSE(PathExists(Work("MIXEDCASE.TXT")));

  EXPECT_ERROR(CreateDirectoryW(u"c:\\WORK", nullptr), ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work\\Sub Dir", nullptr));
  Write(u"c:\\work\\sub dir\\Inner.dat", "x");
  EXPECT_TRUE(PathExists(Work("Sub Dir/Inner.dat")));
  EXPECT_TRUE(DeleteFileW(u"C:\\WORK\\SUB DIR\\INNER.DAT"));
  EXPECT_TRUE(RemoveDirectoryW(u"c:/work/sub dir/"));
  EXPECT_FALSE(PathExists(Work("Sub Dir")));
}

TEST_F(FilesTest, ReadWriteSeekAndSize) {
  HANDLE file = Open(u"C:\\Work\\data.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), 0u);
  DWORD done = 0;
  ASSERT_TRUE(WriteFile(file, "hello world", 11, &done, nullptr));
  EXPECT_EQ(GetFileSize(file, nullptr), 11u);

  EXPECT_EQ(SetFilePointer(file, 6, nullptr, FILE_BEGIN), 6u);
  char buffer[32] = {};
  ASSERT_TRUE(ReadFile(file, buffer, sizeof(buffer), &done, nullptr));
  EXPECT_EQ(std::string(buffer, done), "world");
  ASSERT_TRUE(ReadFile(file, buffer, sizeof(buffer), &done, nullptr));  // end of file
  EXPECT_EQ(done, 0u);

  EXPECT_EQ(SetFilePointer(file, -6, nullptr, FILE_END), 5u);
  ASSERT_TRUE(SetEndOfFile(file));
  LARGE_INTEGER size;
  ASSERT_TRUE(GetFileSizeEx(file, &size));
  EXPECT_EQ(size.QuadPart, 5);

  // Before the start: failure reported through the last error.
  SetLastError(0);
  EXPECT_EQ(SetFilePointer(file, -10, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  // A real position of 0xFFFFFFFF comes with ERROR_SUCCESS.
  LONG high = 0;
  SetLastError(ERROR_INVALID_FUNCTION);
  EXPECT_EQ(SetFilePointer(file, -1, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(high, 0);
  high = 1;
  EXPECT_EQ(SetFilePointer(file, 16, &high, FILE_BEGIN), 16u);
  EXPECT_EQ(high, 1);
  LARGE_INTEGER where;
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  ASSERT_TRUE(SetFilePointerEx(file, zero, &where, FILE_CURRENT));
  EXPECT_EQ(where.QuadPart, (1ll << 32) + 16);
  EXPECT_TRUE(FlushFileBuffers(file));
  CloseHandle(file);
  EXPECT_ERROR(ReadFile(file, buffer, 1, &done, nullptr), ERROR_INVALID_HANDLE);
}

TEST_F(FilesTest, AccessOfTheHandleIsEnforced) {
  Write(u"C:\\Work\\a.txt", "abc");
  HANDLE reader = Open(u"C:\\Work\\a.txt", GENERIC_READ, kShareAll, OPEN_EXISTING);
  DWORD done = 0;
  EXPECT_ERROR(WriteFile(reader, "x", 1, &done, nullptr), ERROR_ACCESS_DENIED);
  EXPECT_ERROR(SetEndOfFile(reader), ERROR_ACCESS_DENIED);
  CloseHandle(reader);
  HANDLE writer = Open(u"C:\\Work\\a.txt", GENERIC_WRITE, kShareAll, OPEN_EXISTING);
  char c;
  EXPECT_ERROR(ReadFile(writer, &c, 1, &done, nullptr), ERROR_ACCESS_DENIED);
  CloseHandle(writer);
  HANDLE appender = Open(u"C:\\Work\\a.txt", FILE_APPEND_DATA, kShareAll, OPEN_EXISTING);
  ASSERT_TRUE(WriteFile(appender, "def", 3, &done, nullptr));
  CloseHandle(appender);
  EXPECT_EQ(Read(u"C:\\Work\\a.txt"), "abcdef");
}

TEST_F(FilesTest, DispositionsAndTheirLastError) {
  EXPECT_EQ(Open(u"C:\\Work\\none.txt", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Open(u"C:\\Nowhere\\x.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Open(u"C:\\Work\\x.txt", GENERIC_READ, 0, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(Open(u"C:\\Work\\a*.txt", GENERIC_READ, 0, OPEN_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));

  HANDLE file = Open(u"C:\\Work\\x.txt", GENERIC_WRITE, 0, OPEN_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), 0u);
  CloseHandle(file);
  Write(u"C:\\Work\\x.txt", "content");

  SetLastError(0);
  file = Open(u"C:\\Work\\x.txt", GENERIC_READ, 0, OPEN_ALWAYS);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  CloseHandle(file);
  EXPECT_EQ(Read(u"C:\\Work\\x.txt"), "content");  // OPEN_ALWAYS keeps the content

  EXPECT_EQ(Open(u"C:\\Work\\x.txt", GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));

  file = Open(u"C:\\Work\\x.txt", GENERIC_WRITE, 0, TRUNCATE_EXISTING);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_EQ(Read(u"C:\\Work\\x.txt"), "");
  EXPECT_EQ(Open(u"C:\\Work\\x.txt", GENERIC_READ, 0, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  // Directories open only with backup semantics.
  EXPECT_EQ(Open(u"C:\\Work", GENERIC_READ, kShareAll, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  file = Open(u"C:\\Work", GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char c;
  DWORD done;
  EXPECT_ERROR(ReadFile(file, &c, 1, &done, nullptr), ERROR_INVALID_FUNCTION);
  CloseHandle(file);
}

TEST_F(FilesTest, DeleteOnCloseRemovesTheFile) {
  HANDLE file = Open(u"C:\\Work\\temp.tmp", GENERIC_WRITE, 0, CREATE_NEW,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(PathExists(Work("temp.tmp")));
  CloseHandle(file);
  EXPECT_FALSE(PathExists(Work("temp.tmp")));
}

TEST_F(FilesTest, DeletionAndRemovalErrors) {
  EXPECT_ERROR(DeleteFileW(u"C:\\Work\\none.txt"), ERROR_FILE_NOT_FOUND);
  EXPECT_ERROR(DeleteFileW(u"C:\\None\\none.txt"), ERROR_PATH_NOT_FOUND);
  EXPECT_ERROR(DeleteFileW(u"C:\\Work"), ERROR_ACCESS_DENIED);

  Write(u"C:\\Work\\ro.txt", "x");
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\ro.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_ERROR(DeleteFileW(u"C:\\Work\\ro.txt"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Open(u"C:\\Work\\ro.txt", GENERIC_WRITE, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Read(u"C:\\Work\\ro.txt"), "x");  // reading is fine
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\ro.txt", 0));
  EXPECT_TRUE(DeleteFileW(u"C:\\Work\\ro.txt"));
  EXPECT_FALSE(PathExists(Work("ro.txt")));

  Write(u"C:\\Work\\file.txt", "x");
  EXPECT_ERROR(RemoveDirectoryW(u"C:\\Work\\file.txt"), ERROR_DIRECTORY);
  EXPECT_ERROR(RemoveDirectoryW(u"C:\\Work"), ERROR_DIR_NOT_EMPTY);
  EXPECT_ERROR(RemoveDirectoryW(u"C:\\Work\\gone"), ERROR_FILE_NOT_FOUND);
  EXPECT_ERROR(RemoveDirectoryW(u"C:\\Gone\\gone"), ERROR_PATH_NOT_FOUND);
  EXPECT_ERROR(RemoveDirectoryW(u"C:\\"), ERROR_ACCESS_DENIED);
  EXPECT_ERROR(CreateDirectoryW(u"C:\\Gone\\new", nullptr), ERROR_PATH_NOT_FOUND);
  EXPECT_ERROR(CreateDirectoryW(u"C:\\Work\\file.txt", nullptr), ERROR_ALREADY_EXISTS);

  // The current directory is in use.
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work\\cwd", nullptr));
  ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Work\\cwd"));
  EXPECT_ERROR(RemoveDirectoryW(u"C:\\Work\\CWD"), ERROR_SHARING_VIOLATION);
  ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\"));
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\Work\\CWD"));
}

TEST_F(FilesTest, ShareModesBetweenHandles) {
  Write(u"C:\\Work\\s.txt", "x");
  const char16_t* path = u"C:\\Work\\s.txt";
  HANDLE reader = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  // Access meets the first handle's denial of write.
  EXPECT_EQ(Open(path, GENERIC_WRITE, kShareAll, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  // Denial of read meets the first handle's read access.
  EXPECT_EQ(Open(path, GENERIC_READ, FILE_SHARE_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  HANDLE second = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_NE(second, INVALID_HANDLE_VALUE);
  // Attribute-only opens neither check nor count.
  HANDLE attributes = Open(path, FILE_READ_ATTRIBUTES, 0, OPEN_EXISTING);
  EXPECT_NE(attributes, INVALID_HANDLE_VALUE);
  EXPECT_ERROR(DeleteFileW(path), ERROR_SHARING_VIOLATION);
  CloseHandle(second);
  CloseHandle(attributes);
  CloseHandle(reader);
  HANDLE writer = Open(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE)
      << "a reader that denies write meets an open writer";
  EXPECT_ERROR(DeleteFileW(path), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Open(path, DELETE, kShareAll, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  CloseHandle(writer);

  // Sharing delete lets the file go while open.
  HANDLE shared = Open(path, GENERIC_READ, kShareAll, OPEN_EXISTING);
  ASSERT_NE(shared, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(DeleteFileW(path));
  CloseHandle(shared);
  EXPECT_FALSE(PathExists(Work("s.txt")));
}

TEST_F(FilesTest, FileHeldByAnotherProcessCannotBeDeleted) {
  Write(u"C:\\Work\\held.txt", "x");
  std::string helper = InstallHelper(u"C:\\Tools", "simproc.exe");
  ChildProcess child;
  ASSERT_TRUE(StartInMachine(&child, helper, {"open-file", "C:\\Work\\held.txt", "1"}));
  ASSERT_EQ(child.ReadLine(), "ready");

  EXPECT_ERROR(DeleteFileW(u"C:\\Work\\HELD.txt"), ERROR_SHARING_VIOLATION);
  EXPECT_ERROR(MoveFileExW(u"C:\\Work\\held.txt", u"C:\\Work\\moved.txt", 0),
               ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Open(u"C:\\Work\\held.txt", GENERIC_WRITE, kShareAll, OPEN_EXISTING),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  HANDLE reader = Open(u"C:\\Work\\held.txt", GENERIC_READ, kShareAll, OPEN_EXISTING);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);
  // The helper's own image is in use as well: deleting it is denied.
  EXPECT_ERROR(DeleteFileW(u"C:\\Tools\\simproc.exe"), ERROR_ACCESS_DENIED);

  child.Kill();
  child.Wait();
  EXPECT_TRUE(DeleteFileW(u"C:\\Work\\held.txt"));
  EXPECT_TRUE(DeleteFileW(u"C:\\Tools\\simproc.exe"));
}

std::string ReadLink(const std::string& link) {
  char buffer[4096];
  ssize_t n = readlink(link.c_str(), buffer, sizeof(buffer) - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

TEST_F(FilesTest, RunningProgramCanBeRenamedButNotDeleted) {
  // Any program will do: the kernel itself reports the image in use.
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Tools", nullptr));
  ASSERT_EQ(RunCommand({"/bin/cp", "/bin/sleep", Real("Tools/sleeper.exe")}).exit_code, 0);
  ChildProcess child;
  ASSERT_TRUE(child.Start(Real("Tools/sleeper.exe"), {"30"}));
  // Wait until the child runs the copy, then ask whether this kernel reports a
  // running image as busy at all (some releases did not).
  std::string exe_link = "/proc/" + std::to_string(child.Pid()) + "/exe";
  for (int i = 0; i < 200 && ReadLink(exe_link) != Real("Tools/sleeper.exe"); ++i) usleep(10000);
  int probe = open(Real("Tools/sleeper.exe").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (probe >= 0) {
    close(probe);
    GTEST_SKIP() << "this kernel lets a running program's file be opened for writing";
  }

  EXPECT_ERROR(DeleteFileW(u"C:\\Tools\\sleeper.exe"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Open(u"C:\\Tools\\sleeper.exe", GENERIC_WRITE, kShareAll, OPEN_EXISTING),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  ASSERT_TRUE(MoveFileExW(u"C:\\Tools\\sleeper.exe", u"C:\\Tools\\sleeper.exe_1_del",
                          MOVEFILE_REPLACE_EXISTING));
  EXPECT_ERROR(DeleteFileW(u"C:\\Tools\\sleeper.exe_1_del"), ERROR_ACCESS_DENIED);
  Write(u"C:\\Tools\\other.exe", "x");
  EXPECT_ERROR(MoveFileExW(u"C:\\Tools\\other.exe", u"C:\\Tools\\sleeper.exe_1_del",
                           MOVEFILE_REPLACE_EXISTING),
               ERROR_ACCESS_DENIED);

  child.Kill();
  child.Wait();
  EXPECT_TRUE(DeleteFileW(u"C:\\Tools\\sleeper.exe_1_del"));
}

TEST_F(FilesTest, AttributesFollowWindows) {
  Write(u"C:\\Work\\a.txt", "x");
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\a.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_TRUE(GetFileAttributesW(u"C:\\") & FILE_ATTRIBUTE_DIRECTORY);

  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\a.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesW(u"c:\\work\\A.TXT"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\a.txt",
                                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\a.txt"),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  struct stat st;
  ASSERT_EQ(stat(Work("a.txt").c_str(), &st), 0);
  EXPECT_FALSE(st.st_mode & S_IWUSR);
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\a.txt", FILE_ATTRIBUTE_HIDDEN));
  // Overwriting a hidden file must say hidden again.
  EXPECT_EQ(Open(u"C:\\Work\\a.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  HANDLE file = Open(u"C:\\Work\\a.txt", GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\a.txt"),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\a.txt", FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\a.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));

  file = Open(u"C:\\Work\\new.txt", GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD done = 0;
  EXPECT_TRUE(WriteFile(file, "ok", 2, &done, nullptr)) << "the creating handle may write";
  CloseHandle(file);
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\new.txt"),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));

  SetLastError(0);
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\none"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesW(u"C:\\None\\none"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\a.txt\\x"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FilesTest, CopyFileKeepsContentAndAttributes) {
  Write(u"C:\\Work\\src.txt", "payload");
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\src.txt", FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(CopyFileW(u"c:\\work\\SRC.txt", u"C:\\Work\\Copy.txt", TRUE));
  EXPECT_EQ(ReadTextFile(Work("Copy.txt")), "payload");
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\Copy.txt"),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  struct stat a, b;
  ASSERT_EQ(stat(Work("src.txt").c_str(), &a), 0);
  ASSERT_EQ(stat(Work("Copy.txt").c_str(), &b), 0);
  EXPECT_EQ(a.st_mtim.tv_sec, b.st_mtim.tv_sec);

  EXPECT_ERROR(CopyFileW(u"C:\\Work\\src.txt", u"C:\\Work\\copy.txt", TRUE), ERROR_FILE_EXISTS);
  EXPECT_ERROR(CopyFileW(u"C:\\Work\\src.txt", u"C:\\Work\\SRC.TXT", FALSE),
               ERROR_SHARING_VIOLATION);
  EXPECT_ERROR(CopyFileW(u"C:\\Work\\none.txt", u"C:\\Work\\x.txt", FALSE), ERROR_FILE_NOT_FOUND);
  EXPECT_ERROR(CopyFileW(u"C:\\Work", u"C:\\Work2", FALSE), ERROR_ACCESS_DENIED);
  Write(u"C:\\Work\\ro.txt", "old");
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\ro.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_ERROR(CopyFileW(u"C:\\Work\\src.txt", u"C:\\Work\\ro.txt", FALSE), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ReadTextFile(Work("ro.txt")), "old");
  EXPECT_FALSE(PathExists(Work("x.txt")));
}

TEST_F(FilesTest, LinksNeverLeadOutOfTheMachine) {
  TempDir outside;
  ASSERT_TRUE(WriteTextFile(outside.Path() + "/secret.txt", "keep"));
  ASSERT_EQ(symlink(outside.Path().c_str(), Work("escape").c_str()), 0);
  ASSERT_EQ(symlink((outside.Path() + "/secret.txt").c_str(), Work("file-link").c_str()), 0);

  // A link to a folder is a directory with a reparse point, as on Windows.
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\escape"),
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\file-link"),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(Open(u"C:\\Work\\escape\\secret.txt", GENERIC_WRITE, 0, CREATE_ALWAYS),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open(u"C:\\Work\\file-link", GENERIC_WRITE, 0, TRUNCATE_EXISTING),
            INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeleteFileW(u"C:\\Work\\escape\\secret.txt"));
  EXPECT_FALSE(CopyFileW(u"C:\\Work\\file-link", u"C:\\Work\\stolen.txt", FALSE));
  EXPECT_ERROR(RemoveDirectoryW(u"C:\\Work\\file-link"), ERROR_DIRECTORY);
  EXPECT_ERROR(DeleteFileW(u"C:\\Work\\escape"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ReadTextFile(outside.Path() + "/secret.txt"), "keep");

  // Deleting a link removes the link only: a folder's with RemoveDirectoryW.
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\Work\\escape"));
  EXPECT_TRUE(DeleteFileW(u"C:\\Work\\file-link"));
  EXPECT_FALSE(PathExists(Work("escape")));
  EXPECT_EQ(ReadTextFile(outside.Path() + "/secret.txt"), "keep");
}

TEST_F(FilesTest, FullPathsAndCurrentDirectory) {
  char16_t buffer[MAX_PATH];
  LPWSTR file_part = nullptr;
  ASSERT_TRUE(SetCurrentDirectoryW(u"c:\\work"));
  DWORD n = GetFullPathNameW(u"sub\\..\\x.txt", MAX_PATH, buffer, &file_part);
  EXPECT_EQ(std::u16string(buffer), u"C:\\work\\x.txt");  // the drive letter is upper-cased
  EXPECT_EQ(n, std::u16string(buffer).size());
  ASSERT_NE(file_part, nullptr);
  EXPECT_EQ(std::u16string(file_part), u"x.txt");

  GetFullPathNameW(u"c:", MAX_PATH, buffer, nullptr);
  EXPECT_EQ(std::u16string(buffer), u"C:\\work");
  GetFullPathNameW(u"D:/a//b/./c.", MAX_PATH, buffer, &file_part);
  EXPECT_EQ(std::u16string(buffer), u"D:\\a\\b\\c");
  GetFullPathNameW(u"\\Windows\\System32\\", MAX_PATH, buffer, &file_part);
  EXPECT_EQ(std::u16string(buffer), u"C:\\Windows\\System32\\");
  EXPECT_EQ(file_part, nullptr);
  GetFullPathNameW(u"C:\\..\\..", MAX_PATH, buffer, nullptr);
  EXPECT_EQ(std::u16string(buffer), u"C:\\");
  // Too small a buffer: the size needed, terminator included.
  EXPECT_EQ(GetFullPathNameW(u"C:\\abc", 3, buffer, nullptr), 7u);

  n = GetCurrentDirectoryW(MAX_PATH, buffer);
  EXPECT_EQ(std::u16string(buffer).size(), n);
  EXPECT_EQ(std::u16string(buffer), u"C:\\work");  // as given, without a trailing "\\"
  EXPECT_EQ(GetCurrentDirectoryW(2, buffer), n + 1);
  EXPECT_ERROR(SetCurrentDirectoryW(u"C:\\Work\\none"), ERROR_FILE_NOT_FOUND);
  Write(u"C:\\Work\\f.txt", "");
  EXPECT_ERROR(SetCurrentDirectoryW(u"C:\\Work\\f.txt"), ERROR_DIRECTORY);
  ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\"));
  GetCurrentDirectoryW(MAX_PATH, buffer);
  EXPECT_EQ(std::u16string(buffer), u"C:\\");
  // Relative names now resolve against the root.
  Write(u"Work\\rel.txt", "r");
  EXPECT_TRUE(PathExists(Work("rel.txt")));
}

TEST_F(FilesTest, TempPathComesFromTheMachine) {
  char16_t buffer[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, buffer);
  EXPECT_EQ(std::u16string(buffer), u"C:\\Users\\User\\AppData\\Local\\Temp\\");
  EXPECT_EQ(n, std::u16string(buffer).size());
  EXPECT_EQ(GetTempPathW(5, buffer), n + 1);
  ASSERT_TRUE(SetEnvironmentVariableW(u"TEMP", u"C:\\Work"));
  GetTempPathW(MAX_PATH, buffer);
  EXPECT_EQ(std::u16string(buffer), u"C:\\Work\\");
}

}  // namespace
