// cfgtool: packs an install configuration into installConfig.dat and back.
//   cfgtool pack IN.xml OUT.dat    writes the magic ".tmp" and the body XORed with 0xA7
//   cfgtool unpack IN.dat          prints the XML
// Bad input gets one line on standard error and exit code 2.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/cfgtool/ConfigScrambler.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "cfgtool: %s\n", message.c_str());
  return 2;
}

bool ReadAll(const char* path, std::string* content, std::string* error) {
  FILE* in = std::fopen(path, "rb");
  if (!in) {
    *error = std::string("cannot open ") + path + ": " + std::strerror(errno);
    return false;
  }
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), in)) > 0) content->append(buffer, n);
  bool ok = !std::ferror(in);
  std::fclose(in);
  if (!ok) *error = std::string("cannot read ") + path;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "pack") == 0) {
    std::string xml, error;
    if (!ReadAll(argv[2], &xml, &error)) return Fail(error);
    if (xml.empty()) return Fail(std::string(argv[2]) + " is empty");
    std::string packed = PackConfig(xml);
    FILE* out = std::fopen(argv[3], "wb");
    if (!out) return Fail(std::string("cannot create ") + argv[3] + ": " + std::strerror(errno));
    bool ok = std::fwrite(packed.data(), 1, packed.size(), out) == packed.size();
    ok = std::fclose(out) == 0 && ok;
    return ok ? 0 : Fail(std::string("cannot write ") + argv[3]);
  }
  if (argc == 3 && std::strcmp(argv[1], "unpack") == 0) {
    std::string data, error, xml;
    if (!ReadAll(argv[2], &data, &error)) return Fail(error);
    if (!UnpackConfig(data, &xml, &error)) return Fail(std::string(argv[2]) + ": " + error);
    std::fwrite(xml.data(), 1, xml.size(), stdout);
    return 0;
  }
  std::fprintf(stderr, "usage: cfgtool pack IN.xml OUT.dat | cfgtool unpack IN.dat\n");
  return 2;
}
