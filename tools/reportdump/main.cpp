// reportdump: shows what a usage-report packet carries.
//   reportdump PACKET.bin    prints the header, the records and their fields as
//                            one line of JSON (exit 0)
// A packet that fails a check gets "reportdump: FILE: <what failed, where>" on
// standard error and exit code 1; a missing file or bad usage, exit code 2.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/reportcodec/ReportDecoder.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: reportdump PACKET.bin\n");
    return 2;
  }
  FILE* in = std::fopen(argv[1], "rb");
  if (!in) {
    std::fprintf(stderr, "reportdump: cannot open %s: %s\n", argv[1], std::strerror(errno));
    return 2;
  }
  std::string data;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), in)) > 0) data.append(buffer, n);
  const bool read_ok = !std::ferror(in);
  std::fclose(in);
  if (!read_ok) {
    std::fprintf(stderr, "reportdump: cannot read %s\n", argv[1]);
    return 2;
  }

  DecodedReport report;
  std::string error;
  if (!DecodeReport(reinterpret_cast<const uint8_t*>(data.data()), data.size(), &report, &error)) {
    std::fprintf(stderr, "reportdump: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  std::printf("%s\n", ReportToJson(report).c_str());
  return 0;
}
