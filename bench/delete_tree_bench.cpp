// Removing a large tree through the layer (FindFirstFileW / DeleteFileW /
// RemoveDirectoryW, as the uninstaller does) against rm -rf on the same tree
// on the same file system. Building the trees is not timed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "bench/BenchSupport.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/core/SimMachineSetup.h"
#include "tests/support/SimTestSupport.h"

namespace {

constexpr int kTopFolders = 20;
constexpr int kSubFolders = 20;
constexpr int kFilesPerFolder = 50;
constexpr int kFiles = kTopFolders * kSubFolders * kFilesPerFolder;

struct Totals {
  double seconds = 0;
  int runs = 0;
  double Mean() const { return runs ? seconds / runs : 0; }
};
Totals g_layer;
Totals g_rm;

bool BuildTree(const std::string& root) {
  static const std::string content(100, 'x');
  if (mkdir(root.c_str(), 0755) != 0) return false;
  char name[64];
  for (int t = 0; t < kTopFolders; ++t) {
    std::snprintf(name, sizeof(name), "/Folder%02d", t);
    std::string top = root + name;
    if (mkdir(top.c_str(), 0755) != 0) return false;
    for (int s = 0; s < kSubFolders; ++s) {
      std::snprintf(name, sizeof(name), "/Sub%02d", s);
      std::string sub = top + name;
      if (mkdir(sub.c_str(), 0755) != 0) return false;
      for (int f = 0; f < kFilesPerFolder; ++f) {
        std::snprintf(name, sizeof(name), "/File%03d.dat", f);
        int fd = open((sub + name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        bool written = write(fd, content.data(), content.size()) ==
                       static_cast<ssize_t>(content.size());
        close(fd);
        if (!written) return false;
      }
    }
  }
  sync();  // the removal should not pay for writing the tree back
  return true;
}

// A plain recursive walk, the way the uninstaller removes a folder.
bool DeleteTreeThroughLayer(const std::u16string& dir) {
  WIN32_FIND_DATAW data;
  bool ok = true;
  HANDLE find = FindFirstFileW((dir + u"*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::u16string name(data.cFileName);
      if (name == u"." || name == u"..") continue;
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        ok = DeleteTreeThroughLayer(dir + name + u"\\") && ok;
      else
        ok = DeleteFileW((dir + name).c_str()) && ok;
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  return RemoveDirectoryW(dir.c_str()) && ok;
}

void BM_DeleteTreeThroughLayer(benchmark::State& state) {
  TempDir temp;
  std::string machine = temp.Path() + "/machine";
  std::string error;
  if (!SimCreateMachine(machine, SimMachineOptions(), &error)) {
    state.SkipWithError(("cannot create a machine: " + error).c_str());
    return;
  }
  const std::string real_root = machine + "/drives/c/Tree";
  for (auto _ : state) {
    if (!BuildTree(real_root)) {
      state.SkipWithError("cannot build the tree");
      break;
    }
    auto start = std::chrono::steady_clock::now();
    bool ok = DeleteTreeThroughLayer(u"C:\\Tree\\");
    double elapsed = Seconds(start);
    state.SetIterationTime(elapsed);
    if (!ok || PathExists(real_root)) {
      state.SkipWithError("the layer left part of the tree behind");
      break;
    }
    g_layer.seconds += elapsed;
    ++g_layer.runs;
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
  SimHost::ForgetMachine();
}

void BM_DeleteTreeRmRf(benchmark::State& state) {
  TempDir temp;
  const std::string root = temp.Path() + "/Tree";
  for (auto _ : state) {
    if (!BuildTree(root)) {
      state.SkipWithError("cannot build the tree");
      break;
    }
    auto start = std::chrono::steady_clock::now();
    bool ok = RunRmRf(root);
    double elapsed = Seconds(start);
    state.SetIterationTime(elapsed);
    if (!ok || PathExists(root)) {
      state.SkipWithError("rm -rf failed");
      break;
    }
    g_rm.seconds += elapsed;
    ++g_rm.runs;
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}

BENCHMARK(BM_DeleteTreeThroughLayer)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteTreeRmRf)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_layer.runs && g_rm.runs) {
    std::printf("ratio layer/rm-rf = %.2f (target <= 1.5)\n", g_layer.Mean() / g_rm.Mean());
    std::fflush(stdout);
  }
  return 0;
}
