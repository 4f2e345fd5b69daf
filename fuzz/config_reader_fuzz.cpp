// The install-configuration reader over arbitrary files. The first byte picks
// how the rest becomes the file: odd, it is written as it is (magic,
// scrambling and all); even, it is configuration text that gets the magic and
// the scrambling added, so that the XML reading behind them is reached.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "packet_public/ZInstallConfigLoader.h"
#include "platform/sim/core/SimMachineSetup.h"

namespace {

constexpr char kMagic[] = ".tmp";
constexpr unsigned char kScrambleKey = 0xA7;
constexpr char16_t kConfigPath[] = u"C:\\fuzz\\installConfig.dat";

std::string g_machine_root;

void RemoveMachine() {
  if (g_machine_root.empty()) return;
  std::string command = "rm -rf '" + g_machine_root + "'";
  if (std::system(command.c_str()) != 0)
    std::fprintf(stderr, "could not remove %s\n", g_machine_root.c_str());
}

// One machine for the run, made on the first input: a machine per input
// would spend the time on SQLite rather than on the reader.
const std::string& ConfigRealPath() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/config_reader_fuzz.XXXXXX";
    FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
    g_machine_root = pattern;
    std::atexit(RemoveMachine);
    std::string machine = g_machine_root + "/machine";
    std::string error;
    if (!SimCreateMachine(machine, SimMachineOptions(), &error)) {
      std::fprintf(stderr, "cannot create a machine: %s\n", error.c_str());
      std::abort();
    }
    std::string dir = machine + "/drives/c/fuzz";
    std::string command = "mkdir -p '" + dir + "'";
    FUZZ_CHECK(std::system(command.c_str()) == 0);
    return dir + "/installConfig.dat";
  }();
  return path;
}

// Returns the size of the file written.
size_t WriteConfig(const uint8_t* data, size_t size) {
  std::string file;
  if (size > 0 && (data[0] & 1) == 0) {
    file = kMagic;
    for (size_t i = 1; i < size; ++i)
      file += static_cast<char>(data[i] ^ kScrambleKey);
  } else if (size > 0) {
    file.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
  }
  FILE* out = std::fopen(ConfigRealPath().c_str(), "wb");
  FUZZ_CHECK(out != nullptr);
  FUZZ_CHECK(std::fwrite(file.data(), 1, file.size(), out) == file.size());
  FUZZ_CHECK(std::fclose(out) == 0);
  return file.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const size_t file_size = WriteConfig(data, size);

  std::unique_ptr<char[]> buffer;
  uint32_t length = 0;
  if (ReadConfigBuffer(kConfigPath, &buffer, &length)) {
    FUZZ_CHECK(buffer != nullptr);
    FUZZ_CHECK(length + 4 == file_size);
    FUZZ_CHECK(buffer[length] == '\0');
  }

  std::string text;
  if (ZInstallConfigLoader::DecryptConfigFile(kConfigPath, &text))
    FUZZ_CHECK(text.find('\0') == std::string::npos);

  ZInstallConfigLoader loader;
  bool loaded = loader.Load(kConfigPath);
  FUZZ_CHECK(loader.IsLoaded() == loaded);
  // Whatever was read must be safe to ask for, loaded or not.
  loader.GetValue(u"title");
  loader.GetCheckboxValue(1);
  loader.GetTryNo();
  loader.GetInstallDays();
  loader.GetInstallIdValue(u"uuid");
  // A loaded loader does not read again.
  FUZZ_CHECK(!loaded || loader.Load(u"C:\\nothing\\there.dat"));
  return 0;
}
