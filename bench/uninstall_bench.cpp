// What a silent uninstall does for the install packet's records, timed end to
// end: ZInstallFileActionMgr::LoadPacket + UninstallAll on a packet that lists
// 2,000 files in 20 folders (one filelist item each) and one folder of 20,000
// files (one dirlist item). For every listed file the removal scans the
// process list, pauses 100 ms (Sleep through the layer) and deletes the file.
//
// Baseline, in the same run: rm -rf of the same trees (plain directories
// outside the machine) plus one scan of /proc per listed file (the same number
// of scans the uninstall makes). The 20,000-file folder record is also timed
// alone against rm -rf of that folder. Building the trees is not timed.
//
// The 100 ms pause per listed file makes a full run last more than 200 s, so
// the long benchmarks run once. UNINST_BENCH_SCALE (e.g. 0.1) scales every
// file count down for a quick try.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchSupport.h"
#include "engine/ZInstallFileActionMgr.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "tests/support/SimTestSupport.h"
// PackConfig lives in cfgtool, not in a library this program links with; its
// small source file is compiled in here.
#include "tools/cfgtool/ConfigScrambler.cpp"  // NOLINT(bugprone-suspicious-include)

namespace {

constexpr int kListedFolders = 20;
constexpr int kFullListedPerFolder = 100;  // 20 x 100 = 2,000 listed files
constexpr int kFullFolderFiles = 20000;    // the one dirlist folder
constexpr double kPauseSeconds = 0.1;      // per listed file

// The product's folder inside the machine, and its real place under drives/c.
const char16_t* const kInstallDir = u"C:\\Bench Product";
const char* const kInstallDirReal = "/drives/c/Bench Product";
const char* const kFolderName = "Data";

double Scale() {
  const char* text = std::getenv("UNINST_BENCH_SCALE");
  if (!text || !*text) return 1.0;
  char* end = nullptr;
  double value = std::strtod(text, &end);
  if (end == text || !(value > 0)) return 1.0;
  return value;
}

int Scaled(int full) {
  long value = std::lround(full * Scale());
  return value < 1 ? 1 : static_cast<int>(value);
}

int ListedPerFolder() { return Scaled(kFullListedPerFolder); }
int ListedFiles() { return kListedFolders * ListedPerFolder(); }
int FolderFiles() { return Scaled(kFullFolderFiles); }

struct Figure {
  double seconds = 0;
  int runs = 0;
  void Add(double s) {
    seconds += s;
    ++runs;
  }
  double Mean() const { return runs ? seconds / runs : 0; }
};
Figure g_uninstall;      // LoadPacket + UninstallAll, whole packet
Figure g_folder_record;  // LoadPacket + UninstallAll, the dirlist folder alone
Figure g_rm_folder;      // rm -rf of that folder
Figure g_base_scans;     // one /proc scan per listed file
Figure g_base_rm;        // rm -rf of the same trees

std::string ListedFolderName(int folder) {
  char name[32];
  std::snprintf(name, sizeof(name), "Folder%02d", folder);
  return name;
}

std::string ListedFileName(int file) {
  char name[32];
  std::snprintf(name, sizeof(name), "File%04d.dat", file);
  return name;
}

bool WriteSmallFile(const std::string& path) {
  static const std::string content(100, 'x');
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool written = write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  close(fd);
  return written;
}

bool MakeDir(const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

// The 20 folders of listed files under root (which must exist).
bool BuildListedFiles(const std::string& root) {
  for (int d = 0; d < kListedFolders; ++d) {
    std::string folder = root + "/" + ListedFolderName(d);
    if (!MakeDir(folder)) return false;
    for (int f = 0; f < ListedPerFolder(); ++f)
      if (!WriteSmallFile(folder + "/" + ListedFileName(f))) return false;
  }
  return true;
}

// The one folder of many files under root (which must exist).
bool BuildFolder(const std::string& root) {
  std::string folder = root + "/" + kFolderName;
  if (!MakeDir(folder)) return false;
  for (int f = 0; f < FolderFiles(); ++f) {
    char name[32];
    std::snprintf(name, sizeof(name), "/Item%05d.bin", f);
    if (!WriteSmallFile(folder + name)) return false;
  }
  return true;
}

std::string PacketXml(bool with_listed_files, bool with_folder) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<packet>\n  <installcfg>\n"
      "    <item key=\"title\" value=\"Bench Product Uninstall\"/>\n  </installcfg>\n"
      "  <installfile>\n";
  if (with_listed_files) {
    xml += "    <filelist>\n";
    for (int d = 0; d < kListedFolders; ++d)
      for (int f = 0; f < ListedPerFolder(); ++f)
        xml += "      <item path=\"" + ListedFolderName(d) + "\\" + ListedFileName(f) + "\"/>\n";
    xml += "    </filelist>\n";
  }
  if (with_folder) xml += std::string("    <dirlist>\n      <item path=\"") + kFolderName + "\"/>\n    </dirlist>\n";
  xml += "  </installfile>\n</packet>\n";
  return xml;
}

// One process-list scan: every /proc/<pid>/exe link read. Returns how many were readable.
int ScanProc() {
  DIR* proc = opendir("/proc");
  if (!proc) return -1;
  int readable = 0;
  char link[288];
  char target[4096];
  while (dirent* entry = readdir(proc)) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
    std::snprintf(link, sizeof(link), "/proc/%s/exe", entry->d_name);
    if (readlink(link, target, sizeof(target)) > 0) ++readable;
  }
  closedir(proc);
  return readable;
}

bool ListedFilesGone(const std::string& root) {
  for (int d = 0; d < kListedFolders; ++d)
    for (int f = 0; f < ListedPerFolder(); ++f)
      if (PathExists(root + "/" + ListedFolderName(d) + "/" + ListedFileName(f))) return false;
  return true;
}

// A fresh machine with the product's folder and its packet; real_root receives
// the folder's real path.
bool PrepareMachine(const std::string& machine, bool with_listed_files, bool with_folder,
                    std::string* real_root, std::string* error) {
  if (!SimCreateMachine(machine, SimMachineOptions(), error)) return false;
  *real_root = machine + kInstallDirReal;
  if (!MakeDir(*real_root) ||
      !WriteTextFile(*real_root + "/installConfig.dat", PackConfig(PacketXml(with_listed_files, with_folder)))) {
    *error = "cannot write the packet";
    return false;
  }
  return true;
}

// LoadPacket + UninstallAll(6), the way the silent uninstall runs the records.
double TimeUninstall() {
  auto start = std::chrono::steady_clock::now();
  {
    ZInstallFileActionMgr records;
    records.LoadPacket(std::u16string(kInstallDir) + u"\\installConfig.dat", kInstallDir);
    records.UninstallAll(6);
  }
  return Seconds(start);
}

void BM_UninstallPacket(benchmark::State& state) {
  TempDir temp;
  std::string machine = temp.Path() + "/machine";
  std::string root, error;
  if (!PrepareMachine(machine, true, true, &root, &error)) {
    state.SkipWithError(("cannot prepare the machine: " + error).c_str());
    return;
  }
  for (auto _ : state) {
    if (!BuildListedFiles(root) || !BuildFolder(root)) {
      state.SkipWithError("cannot create the files");
      break;
    }
    sync();  // the removal should not pay for writing the files back
    double elapsed = TimeUninstall();
    state.SetIterationTime(elapsed);
    if (!ListedFilesGone(root) || PathExists(root + "/" + kFolderName)) {
      state.SkipWithError("the uninstall left files behind");
      break;
    }
    g_uninstall.Add(elapsed);
  }
  state.SetItemsProcessed(state.iterations() * (ListedFiles() + FolderFiles()));
  SimHost::ForgetMachine();
}

void BM_UninstallFolderRecord(benchmark::State& state) {
  TempDir temp;
  std::string machine = temp.Path() + "/machine";
  std::string root, error;
  if (!PrepareMachine(machine, false, true, &root, &error)) {
    state.SkipWithError(("cannot prepare the machine: " + error).c_str());
    return;
  }
  for (auto _ : state) {
    if (!BuildFolder(root)) {
      state.SkipWithError("cannot create the files");
      break;
    }
    sync();
    double elapsed = TimeUninstall();
    state.SetIterationTime(elapsed);
    if (PathExists(root + "/" + kFolderName)) {
      state.SkipWithError("the uninstall left the folder behind");
      break;
    }
    g_folder_record.Add(elapsed);
  }
  state.SetItemsProcessed(state.iterations() * FolderFiles());
  SimHost::ForgetMachine();
}

void BM_RmRfFolder(benchmark::State& state) {
  TempDir temp;
  const std::string folder = temp.Path() + "/" + kFolderName;
  for (auto _ : state) {
    if (!BuildFolder(temp.Path())) {
      state.SkipWithError("cannot create the files");
      break;
    }
    sync();
    auto start = std::chrono::steady_clock::now();
    bool ok = RunRmRf(folder);
    double elapsed = Seconds(start);
    state.SetIterationTime(elapsed);
    if (!ok || PathExists(folder)) {
      state.SkipWithError("rm -rf failed");
      break;
    }
    g_rm_folder.Add(elapsed);
  }
  state.SetItemsProcessed(state.iterations() * FolderFiles());
}

// rm -rf of the same trees plus one /proc scan per listed file.
void BM_BaselineRmRfAndScans(benchmark::State& state) {
  TempDir temp;
  const std::string root = temp.Path() + "/product";
  for (auto _ : state) {
    if (!MakeDir(root) || !BuildListedFiles(root) || !BuildFolder(root)) {
      state.SkipWithError("cannot create the files");
      break;
    }
    sync();
    auto start = std::chrono::steady_clock::now();
    bool ok = true;
    for (int i = 0; i < ListedFiles(); ++i) ok = ScanProc() >= 0 && ok;
    double scans = Seconds(start);
    auto rm_start = std::chrono::steady_clock::now();
    for (int d = 0; d < kListedFolders; ++d) ok = RunRmRf(root + "/" + ListedFolderName(d)) && ok;
    ok = RunRmRf(root + "/" + kFolderName) && ok;
    double rm = Seconds(rm_start);
    state.SetIterationTime(scans + rm);
    if (!ok) {
      state.SkipWithError("a scan or rm -rf failed");
      break;
    }
    g_base_scans.Add(scans);
    g_base_rm.Add(rm);
  }
  state.SetItemsProcessed(state.iterations() * (ListedFiles() + FolderFiles()));
}

BENCHMARK(BM_UninstallPacket)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineRmRfAndScans)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UninstallFolderRecord)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RmRfFolder)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::printf("scale %.3g: %d listed files in %d folders, one folder of %d files\n", Scale(),
              ListedFiles(), kListedFolders, FolderFiles());
  std::fflush(stdout);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  const double pauses = ListedFiles() * kPauseSeconds;
  auto line = [](const std::string& label, const char* format, double value) {
    std::printf("%-48s = ", label.c_str());
    std::printf(format, value);
    std::printf("\n");
  };
  std::printf("\n--- results (scale %.3g: %d listed files, folder of %d files) ---\n", Scale(),
              ListedFiles(), FolderFiles());
  if (g_uninstall.runs) {
    line("uninstall total (LoadPacket + UninstallAll)", "%9.3f s", g_uninstall.Mean());
    line("pauses (" + std::to_string(ListedFiles()) + " x 100 ms)", "%9.3f s", pauses);
    line("uninstall minus pauses", "%9.3f s", g_uninstall.Mean() - pauses);
  }
  if (g_base_scans.runs) {
    double base = g_base_scans.Mean() + g_base_rm.Mean();
    line("baseline: " + std::to_string(ListedFiles()) + " /proc scans", "%9.3f s", g_base_scans.Mean());
    line("baseline: rm -rf of the same trees", "%9.3f s", g_base_rm.Mean());
    line("baseline total", "%9.3f s", base);
    if (g_uninstall.runs && base > 0)
      line("ratio (uninstall minus pauses) / baseline", "%9.2f", (g_uninstall.Mean() - pauses) / base);
  }
  if (g_folder_record.runs && g_rm_folder.runs) {
    line("folder record alone (" + std::to_string(FolderFiles()) + " files, mean of " +
             std::to_string(g_folder_record.runs) + ")",
         "%9.3f s", g_folder_record.Mean());
    line("rm -rf of that folder (mean of " + std::to_string(g_rm_folder.runs) + ")", "%9.3f s", g_rm_folder.Mean());
    line("ratio folder record / rm -rf (target <= 1.5)", "%9.2f", g_folder_record.Mean() / g_rm_folder.Mean());
  }
  std::fflush(stdout);
  return 0;
}
