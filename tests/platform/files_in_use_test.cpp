// Files in use on the simulated host, as Windows refuses them: a running
// program's image and a loaded library cannot be deleted (access denied) but
// can be renamed, a folder that is a process's current directory stays, and a
// handle decides by its share mode whether a name may go while it is open.
#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/system_info.h"
#include "tests/support/SimTestSupport.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

#define EXPECT_ERROR(call, code)                           \
  do {                                                     \
    SetLastError(0);                                       \
    EXPECT_FALSE(call);                                    \
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(code));   \
  } while (0)

class FilesInUseTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Work", nullptr));
    helper_ = InstallHelper(u"C:\\Tools", "simproc.exe");
  }

  // A library of the machine: a file that starts as an image does.
  void MakeLibrary(const std::string& relative, const std::string& content = "MZ library") {
    ASSERT_TRUE(WriteTextFile(Real(relative), content));
  }

  void Start(ChildProcess* child, const std::vector<std::string>& args) {
    ASSERT_TRUE(StartInMachine(child, helper_, args));
    ASSERT_EQ(child->ReadLine(), "ready");
  }

  static HANDLE OpenForWrite(const char16_t* path) {
    return CreateFileW(path, GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }

  std::string helper_;
};

TEST_F(FilesInUseTest, RunningImageIsDeniedDeletionButCanBeRenamed) {
  ChildProcess child;
  Start(&child, {"sleep"});
  EXPECT_ERROR(DeleteFileW(u"C:\\Tools\\SIMPROC.exe"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(OpenForWrite(u"C:\\Tools\\simproc.exe"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  ASSERT_TRUE(MoveFileExW(u"C:\\Tools\\simproc.exe", u"C:\\Tools\\simproc.exe_7_del",
                          MOVEFILE_REPLACE_EXISTING));
  // The new name is the same image, still running.
  EXPECT_ERROR(DeleteFileW(u"C:\\Tools\\simproc.exe_7_del"), ERROR_ACCESS_DENIED);

  child.Kill();
  child.Wait();
  EXPECT_TRUE(DeleteFileW(u"C:\\Tools\\simproc.exe_7_del"));
}

TEST_F(FilesInUseTest, HandleWithoutShareDeleteOutranksTheImage) {
  // The delete's own open meets the handle first: a sharing violation.
  ChildProcess child;
  Start(&child, {"open-file", "C:\\Tools\\simproc.exe", "1"});
  EXPECT_ERROR(DeleteFileW(u"C:\\Tools\\simproc.exe"), ERROR_SHARING_VIOLATION);
  EXPECT_ERROR(MoveFileExW(u"C:\\Tools\\simproc.exe", u"C:\\Tools\\moved.exe", 0),
               ERROR_SHARING_VIOLATION);
  child.Kill();
  child.Wait();
}

TEST_F(FilesInUseTest, LibraryLoadedByAnotherProcessIsInUseUntilItEnds) {
  MakeLibrary("Work/plugin.dll");
  ChildProcess child;
  Start(&child, {"load-library", "C:\\Work\\plugin.dll"});

  EXPECT_ERROR(DeleteFileW(u"C:\\Work\\PLUGIN.dll"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(OpenForWrite(u"C:\\Work\\plugin.dll"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  // Reading is shared; renaming is allowed, and the renamed file is still loaded.
  HANDLE reader = CreateFileW(u"C:\\Work\\plugin.dll", GENERIC_READ, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);
  ASSERT_TRUE(MoveFileExW(u"C:\\Work\\plugin.dll", u"C:\\Work\\plugin.dll_9_del",
                          MOVEFILE_REPLACE_EXISTING));
  EXPECT_ERROR(DeleteFileW(u"C:\\Work\\plugin.dll_9_del"), ERROR_ACCESS_DENIED);
  // The folder holding it cannot go either.
  EXPECT_ERROR(RemoveDirectoryW(u"C:\\Work"), ERROR_DIR_NOT_EMPTY);

  child.Kill();
  child.Wait();
  EXPECT_TRUE(DeleteFileW(u"C:\\Work\\plugin.dll_9_del"));
}

TEST_F(FilesInUseTest, LoadLibraryHoldsTheFileUntilTheLastFreeLibrary) {
  MakeLibrary("Work/own.dll");
  HMODULE first = LoadLibraryW(u"C:\\Work\\own.dll");
  ASSERT_NE(first, nullptr) << GetLastError();
  HMODULE second = LoadLibraryW(u"c:\\work\\OWN.DLL");
  EXPECT_EQ(second, first) << "one file, one module";
  EXPECT_EQ(GetProcAddress(first, "Anything"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

  EXPECT_ERROR(DeleteFileW(u"C:\\Work\\own.dll"), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_ERROR(DeleteFileW(u"C:\\Work\\own.dll"), ERROR_ACCESS_DENIED);  // loaded twice
  EXPECT_TRUE(FreeLibrary(second));
  EXPECT_TRUE(DeleteFileW(u"C:\\Work\\own.dll"));
  EXPECT_FALSE(FreeLibrary(second));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FilesInUseTest, LoadLibraryRefusesWhatIsNoLibrary) {
  MakeLibrary("Work/notes.txt", "plain text");
  EXPECT_EQ(LoadLibraryW(u"C:\\Work\\notes.txt"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  EXPECT_TRUE(DeleteFileW(u"C:\\Work\\notes.txt")) << "a failed load holds nothing";
  EXPECT_EQ(LoadLibraryW(u"C:\\Work\\missing.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(LoadLibraryW(u"C:\\Gone\\missing.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

  // A file open for writing by a handle that does not share write cannot be mapped.
  MakeLibrary("Work/busy.dll");
  HANDLE writer = CreateFileW(u"C:\\Work\\busy.dll", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(LoadLibraryW(u"C:\\Work\\busy.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(writer);
}

TEST_F(FilesInUseTest, AnotherProcesssCurrentDirectoryCannotBeRemovedOrRenamed) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work\\Here", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work\\Before", nullptr));
  ChildProcess child;
  // The first folder is let go when the process moves on.
  Start(&child, {"cd", "C:\\Work\\Before", "cd", "C:\\Work\\Here"});

  EXPECT_ERROR(RemoveDirectoryW(u"C:\\Work\\HERE"), ERROR_SHARING_VIOLATION);
  EXPECT_ERROR(MoveFileExW(u"C:\\Work\\Here", u"C:\\Work\\There", 0), ERROR_SHARING_VIOLATION);
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\Work\\Before"));
  // Its content is not held.
  ASSERT_TRUE(WriteTextFile(Real("Work/Here/a.txt"), "a"));
  EXPECT_TRUE(DeleteFileW(u"C:\\Work\\Here\\a.txt"));

  child.Kill();
  child.Wait();
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\Work\\Here"));
}

TEST_F(FilesInUseTest, ProgramStartedInAFolderHoldsIt) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work\\Start", nullptr));
  // The report is written once the program runs, after it took its folder.
  std::u16string line = u"\"C:\\Tools\\simproc.exe\" identity C:\\Work\\started.txt sleep";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             u"C:\\Work\\Start", &startup, &info))
      << GetLastError();
  for (int i = 0; i < 1000 && !PathExists(Real("Work/started.txt")); ++i) Sleep(10);
  EXPECT_ERROR(RemoveDirectoryW(u"C:\\Work\\Start"), ERROR_SHARING_VIOLATION);
  TerminateProcess(info.hProcess, 1);
  WaitForSingleObject(info.hProcess, 10000);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\Work\\Start"));
}

TEST_F(FilesInUseTest, ShareDeleteLetsTheNameGoAtOnce) {
  ASSERT_TRUE(WriteTextFile(Real("Work/shared.txt"), "old"));
  ASSERT_TRUE(WriteTextFile(Real("Work/renamed.txt"), "x"));
  ChildProcess child;
  Start(&child, {"open-file", "C:\\Work\\shared.txt", "7", "open-file", "C:\\Work\\renamed.txt",
                 "5"});
  // Renaming and deleting need delete access, which both handles share.
  EXPECT_TRUE(MoveFileExW(u"C:\\Work\\renamed.txt", u"C:\\Work\\moved.txt", 0));
  EXPECT_TRUE(PathExists(Real("Work/moved.txt")));
  EXPECT_TRUE(DeleteFileW(u"C:\\Work\\shared.txt"));
  // The name is free at once, while the other process still holds the file.
  EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\shared.txt"), INVALID_FILE_ATTRIBUTES);
  HANDLE fresh = CreateFileW(u"C:\\Work\\shared.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(fresh, INVALID_HANDLE_VALUE) << GetLastError();
  CloseHandle(fresh);
  EXPECT_TRUE(child.Running());
  child.Kill();
  child.Wait();
}

}  // namespace
