// The service control manager: services that run as real processes of the
// machine, stop after their own stop time, and are removed only once they are
// stopped and no live process holds a handle to them.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/services.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/processes/SimProcesses.h"
#include "platform/sim/services/SimServices.h"
#include "platform/sim/text/SimUnicode.h"
#include "tests/support/SimTestSupport.h"

namespace {

const std::u16string kServiceDir = u"C:\\Program Files\\Sample Service";
const std::u16string kQuotedImage = u"\"" + kServiceDir + u"\\svc.exe\" sleep";

// The arguments a process was started with.
std::vector<std::string> CommandLine(int64_t pid) {
  std::string raw = ReadTextFile("/proc/" + std::to_string(pid) + "/cmdline");
  std::vector<std::string> args;
  size_t start = 0;
  while (start < raw.size()) {
    size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    args.push_back(raw.substr(start, end - start));
    start = end + 1;
  }
  return args;
}

int64_t ParentOf(int64_t pid) {
  std::string stat = ReadTextFile("/proc/" + std::to_string(pid) + "/stat");
  std::istringstream fields(stat.substr(stat.rfind(')') + 1));
  std::string state;
  int64_t parent = 0;
  fields >> state >> parent;
  return parent;
}

class ServicesTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    program_ = InstallHelper(kServiceDir, "svc.exe");
    manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager_, nullptr);
  }
  void TearDown() override {
    if (manager_) CloseServiceHandle(manager_);
    // Services outlive their starters; none may outlive the test.
    for (const auto& p : SimListMachineProcesses(MachineDir())) kill(p.pid, SIGKILL);
    MachineTest::TearDown();
  }

  SC_HANDLE Create(const std::u16string& name, int64_t stop_ms = 0,
                   const std::u16string& image = kQuotedImage) {
    SC_HANDLE service = CreateServiceW(manager_, name.c_str(), nullptr, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_NORMAL, image.c_str(), nullptr, nullptr,
                                       nullptr, nullptr, nullptr);
    EXPECT_NE(service, nullptr) << GetLastError();
    EXPECT_TRUE(SimSetServiceStopMs(name, stop_ms));
    return service;
  }
  SC_HANDLE Open(const std::u16string& name, DWORD access) {
    return OpenServiceW(manager_, name.c_str(), access);
  }
  static DWORD State(SC_HANDLE service) {
    SERVICE_STATUS status = {};
    EXPECT_TRUE(QueryServiceStatus(service, &status)) << GetLastError();
    return status.dwCurrentState;
  }
  static SimServiceInfo Info(const std::u16string& name) {
    SimServiceInfo info;
    EXPECT_TRUE(SimFindService(name, &info)) << SimToUtf8(name);
    return info;
  }
  static bool Exists(const std::u16string& name) {
    SimServiceInfo info;
    return SimFindService(name, &info);
  }
  static std::vector<std::string> Events(const std::u16string& name) {
    return SimServiceEvents(name);
  }

  std::string program_;
  SC_HANDLE manager_ = nullptr;
};

// ---- starting ----------------------------------------------------------------

TEST_F(ServicesTest, StartRunsTheProgramDetachedWithImageThenStartArguments) {
  SC_HANDLE service = Create(u"SampleSvc");
  EXPECT_EQ(State(service), static_cast<DWORD>(SERVICE_STOPPED));
  const char16_t* arguments[] = {u"hold-mutex", u"Global\\SampleSvcMutex"};
  ASSERT_TRUE(StartServiceW(service, 2, arguments)) << GetLastError();

  SERVICE_STATUS status = {};
  ASSERT_TRUE(QueryServiceStatus(service, &status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(status.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
  EXPECT_EQ(status.dwControlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP));
  const int64_t pid = Info(u"SampleSvc").pid;
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(ProcessListed(pid));
  EXPECT_EQ(CommandLine(pid),
            (std::vector<std::string>{program_, "sleep", "hold-mutex", "Global\\SampleSvcMutex"}));
  // Not our child: nobody has to wait for it when it ends.
  EXPECT_NE(ParentOf(pid), static_cast<int64_t>(getpid()));

  // It runs inside the machine: its kernel objects are the machine's.
  HANDLE mutex = nullptr;
  for (int i = 0; i < 200 && !mutex; ++i) {
    mutex = OpenMutexW(SYNCHRONIZE, FALSE, u"Global\\SampleSvcMutex");
    if (!mutex) usleep(5000);
  }
  EXPECT_NE(mutex, nullptr);
  if (mutex) CloseHandle(mutex);

  EXPECT_FALSE(StartServiceW(service, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
  EXPECT_EQ(Events(u"SampleSvc"), (std::vector<std::string>{"created", "started"}));
  CloseServiceHandle(service);
}

TEST_F(ServicesTest, ProgramPathIsFoundQuotedOrNotAndAMissingOneIsReported) {
  // Unquoted, with blanks: the shortest run of words that names a file wins.
  SC_HANDLE unquoted = Create(u"Unquoted", 0, kServiceDir + u"\\svc.exe sleep");
  ASSERT_TRUE(StartServiceW(unquoted, 0, nullptr)) << GetLastError();
  EXPECT_EQ(CommandLine(Info(u"Unquoted").pid), (std::vector<std::string>{program_, "sleep"}));

  SC_HANDLE missing = Create(u"Missing", 0, u"\"C:\\Program Files\\Nowhere\\svc.exe\" sleep");
  EXPECT_FALSE(StartServiceW(missing, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(State(missing), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(Events(u"Missing"), (std::vector<std::string>{"created"}));
  CloseServiceHandle(unquoted);
  CloseServiceHandle(missing);
}

// ---- stopping ----------------------------------------------------------------

TEST_F(ServicesTest, StopTakesTheStopTimeThenEndsTheProcess) {
  SC_HANDLE service = Create(u"SampleSvc", 1000);
  ASSERT_TRUE(StartServiceW(service, 0, nullptr));
  const int64_t pid = Info(u"SampleSvc").pid;

  SERVICE_STATUS status = {};
  ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
  EXPECT_EQ(status.dwControlsAccepted, 0u);
  EXPECT_GT(status.dwWaitHint, 0u);
  SERVICE_STATUS first = {}, second = {};
  ASSERT_TRUE(QueryServiceStatus(service, &first));
  ASSERT_TRUE(QueryServiceStatus(service, &second));
  EXPECT_EQ(second.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
  EXPECT_GT(second.dwCheckPoint, first.dwCheckPoint);
  EXPECT_TRUE(ProcessListed(pid));  // still stopping

  EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_CANNOT_ACCEPT_CTRL));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));

  usleep(1100 * 1000);
  EXPECT_EQ(State(service), static_cast<DWORD>(SERVICE_STOPPED));
  // Its process ends a moment after the reported stop.
  for (int i = 0; i < 1000 && ProcessListed(pid); ++i) usleep(5000);
  EXPECT_FALSE(ProcessListed(pid));
  EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
  EXPECT_EQ(Events(u"SampleSvc"),
            (std::vector<std::string>{"created", "started", "stop-requested", "stopped"}));

  // A stopped service starts again, as a new process.
  ASSERT_TRUE(StartServiceW(service, 0, nullptr));
  EXPECT_EQ(State(service), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_NE(Info(u"SampleSvc").pid, pid);
  CloseServiceHandle(service);
}

TEST_F(ServicesTest, ServiceThatNeverStopsStaysPendingUntilItsProcessIsEnded) {
  SC_HANDLE stubborn = Create(u"Stubborn", kSimServiceNeverStops);
  SC_HANDLE other = Create(u"Other");
  ASSERT_TRUE(StartServiceW(stubborn, 0, nullptr));
  ASSERT_TRUE(StartServiceW(other, 0, nullptr));
  SERVICE_STATUS status = {};
  ASSERT_TRUE(ControlService(stubborn, SERVICE_CONTROL_STOP, &status));
  usleep(100 * 1000);
  EXPECT_EQ(State(stubborn), static_cast<DWORD>(SERVICE_STOP_PENDING));
  EXPECT_TRUE(ProcessListed(Info(u"Stubborn").pid));

  // Whoever ends a service's process, running or stopping, stops the service.
  kill(static_cast<pid_t>(Info(u"Stubborn").pid), SIGKILL);
  kill(static_cast<pid_t>(Info(u"Other").pid), SIGKILL);
  auto stopped = [](SC_HANDLE h) { return State(h) == SERVICE_STOPPED; };
  for (int i = 0; i < 200 && !(stopped(stubborn) && stopped(other)); ++i) usleep(5000);
  EXPECT_EQ(State(stubborn), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(State(other), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(Events(u"Other").back(), "stopped");

  // Interrogating a stopped service reports it and says it is not running.
  EXPECT_FALSE(ControlService(other, SERVICE_CONTROL_INTERROGATE, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  ASSERT_TRUE(StartServiceW(other, 0, nullptr));
  EXPECT_TRUE(ControlService(other, SERVICE_CONTROL_INTERROGATE, &status));
  EXPECT_FALSE(ControlService(other, SERVICE_CONTROL_PAUSE, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  CloseServiceHandle(stubborn);
  CloseServiceHandle(other);
}

// ---- deleting ----------------------------------------------------------------

TEST_F(ServicesTest, DeletedServiceStaysUntilStoppedAndEveryHandleIsClosed) {
  SC_HANDLE service = Create(u"SampleSvc", 0);
  ASSERT_TRUE(StartServiceW(service, 0, nullptr));
  SC_HANDLE second = Open(u"samplesvc", SERVICE_QUERY_STATUS);
  ASSERT_NE(second, nullptr);

  ASSERT_TRUE(DeleteService(service));
  EXPECT_FALSE(DeleteService(service));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
  EXPECT_TRUE(Info(u"SampleSvc").delete_pending);
  EXPECT_EQ(State(service), static_cast<DWORD>(SERVICE_RUNNING));
  // Marked, it can still be opened, but neither started nor created again.
  SC_HANDLE third = Open(u"SampleSvc", SERVICE_START);
  ASSERT_NE(third, nullptr);
  CloseServiceHandle(third);
  EXPECT_EQ(CreateServiceW(manager_, u"SAMPLESVC", nullptr, SERVICE_ALL_ACCESS,
                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                           kQuotedImage.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));

  SERVICE_STATUS status = {};
  ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));  // stop time 0
  EXPECT_FALSE(StartServiceW(service, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
  EXPECT_TRUE(Exists(u"SampleSvc"));  // two handles open

  ASSERT_TRUE(CloseServiceHandle(service));
  EXPECT_TRUE(Exists(u"SampleSvc"));
  ASSERT_TRUE(CloseServiceHandle(second));
  EXPECT_FALSE(Exists(u"SampleSvc"));
  EXPECT_EQ(Open(u"SampleSvc", SERVICE_QUERY_STATUS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  EXPECT_EQ(Events(u"SampleSvc"),
            (std::vector<std::string>{"created", "started", "delete-marked", "stop-requested",
                                      "stopped", "removed"}));

  // The name is free again.
  SC_HANDLE again = Create(u"SampleSvc");
  EXPECT_NE(again, nullptr);
  CloseServiceHandle(again);
}

TEST_F(ServicesTest, OnlyHandlesOfLiveProcessesKeepAMarkedService) {
  SC_HANDLE service = Create(u"SampleSvc");
  // Another process marks it; this one still holds a handle.
  auto deleted = RunCommand({kSimhostPath, "svc", MachineDir(), "delete", "SampleSvc"});
  ASSERT_EQ(deleted.exit_code, 0) << deleted.err;
  auto query = RunCommand({kSimhostPath, "svc", MachineDir(), "query", "SampleSvc"});
  EXPECT_EQ(query.out, "SampleSvc STOPPED delete-pending\n");
  CloseServiceHandle(service);
  EXPECT_EQ(RunCommand({kSimhostPath, "svc", MachineDir(), "query", "SampleSvc"}).exit_code, 1);

  // A process that ended while holding a handle holds nothing.
  ChildProcess ended;
  ASSERT_TRUE(ended.Start("/bin/true", {}));
  ASSERT_EQ(ended.Wait(), 0);
  service = Create(u"Second");
  ASSERT_TRUE(DeleteService(service));
  {
    SimDb& db = SimHost::Machine()->Db();
    SimTransaction tx(db);
    SimStatement st(db,
                    "INSERT INTO service_handles(name, pid, pid_start) VALUES('Second', ?1, 0)");
    st.Bind(1, static_cast<int64_t>(ended.Pid()));
    st.Step();
    ASSERT_TRUE(tx.Commit());
  }
  CloseServiceHandle(service);
  EXPECT_FALSE(Exists(u"Second"));
}

// ---- names, rights and handles -------------------------------------------------

TEST_F(ServicesTest, NamesIgnoreCaseAndDuplicatesAreRefused) {
  SC_HANDLE service = Create(u"SampleSvc");
  EXPECT_EQ(Info(u"SAMPLESVC").name, "SampleSvc");
  EXPECT_EQ(Info(u"SampleSvc").display_name, "SampleSvc");  // none given: the name
  SC_HANDLE upper = Open(u"SAMPLESVC", SERVICE_QUERY_STATUS);
  EXPECT_NE(upper, nullptr);
  CloseServiceHandle(upper);

  auto create = [&](const char16_t* name) {
    return CreateServiceW(manager_, name, u"Display", SERVICE_ALL_ACCESS,
                          SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                          kQuotedImage.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  };
  EXPECT_EQ(create(u"samplesvc"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_EXISTS));
  for (const char16_t* bad : {u"", u"a\\b", u"a/b"}) {
    EXPECT_EQ(create(bad), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  }
  EXPECT_EQ(Open(u"NoSuchService", SERVICE_QUERY_STATUS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  CloseServiceHandle(service);
}

TEST_F(ServicesTest, ManagerIsLocalAndChecksItsRights) {
  EXPECT_EQ(OpenSCManagerW(u"\\\\OTHER", nullptr, SC_MANAGER_CONNECT), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(OpenSCManagerW(nullptr, u"ServicesFailed", SC_MANAGER_CONNECT), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DATABASE_DOES_NOT_EXIST));

  SC_HANDLE connect = OpenSCManagerW(nullptr, u"servicesactive", SC_MANAGER_CONNECT);
  ASSERT_NE(connect, nullptr);
  EXPECT_EQ(CreateServiceW(connect, u"SampleSvc", nullptr, SERVICE_ALL_ACCESS,
                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                           kQuotedImage.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  SC_HANDLE created = Create(u"SampleSvc");
  SC_HANDLE opened = OpenServiceW(connect, u"SampleSvc", SERVICE_QUERY_STATUS);
  EXPECT_NE(opened, nullptr);  // opening needs no right of the manager
  for (SC_HANDLE h : {opened, created, connect}) EXPECT_TRUE(CloseServiceHandle(h));
}

TEST_F(ServicesTest, EachCallNeedsItsRightOnTheServiceHandle) {
  SC_HANDLE all = Create(u"SampleSvc");
  SERVICE_STATUS status = {};
  auto denied = [](BOOL result) { return !result && GetLastError() == ERROR_ACCESS_DENIED; };

  SC_HANDLE query = Open(u"SampleSvc", SERVICE_QUERY_STATUS);
  EXPECT_TRUE(denied(StartServiceW(query, 0, nullptr)));
  EXPECT_TRUE(denied(ControlService(query, SERVICE_CONTROL_STOP, &status)));
  EXPECT_TRUE(denied(DeleteService(query)));
  SC_HANDLE start = Open(u"SampleSvc", SERVICE_START);
  EXPECT_TRUE(denied(QueryServiceStatus(start, &status)));
  ASSERT_TRUE(StartServiceW(start, 0, nullptr));

  // Generic rights map onto the service's own.
  SC_HANDLE read = Open(u"SampleSvc", GENERIC_READ);
  EXPECT_TRUE(QueryServiceStatus(read, &status));
  EXPECT_TRUE(denied(ControlService(read, SERVICE_CONTROL_STOP, &status)));
  SC_HANDLE execute = Open(u"SampleSvc", GENERIC_EXECUTE);
  EXPECT_TRUE(denied(DeleteService(execute)));
  EXPECT_TRUE(ControlService(execute, SERVICE_CONTROL_STOP, &status));
  EXPECT_TRUE(DeleteService(all));  // SERVICE_ALL_ACCESS includes DELETE

  // Handles of the wrong kind, closed or made up.
  EXPECT_FALSE(QueryServiceStatus(manager_, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  for (SC_HANDLE h : {query, start, read, execute}) EXPECT_TRUE(CloseServiceHandle(h));
  EXPECT_FALSE(CloseServiceHandle(query));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseServiceHandle(nullptr));
  EXPECT_EQ(OpenServiceW(all, u"SampleSvc", SERVICE_START), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(CloseServiceHandle(all));
  EXPECT_FALSE(Exists(u"SampleSvc"));  // stopped at once, marked, last handle gone
}

}  // namespace
