#include "tests/support/XServer.h"

#include <unistd.h>

std::string FindProgram(const std::string& name) {
  for (const char* dir : {"/usr/bin", "/bin", "/usr/local/bin"}) {
    const std::string candidate = std::string(dir) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::string();
}

XvfbServer::~XvfbServer() {
  if (server_.Running()) {
    server_.Kill(15);
    server_.Wait();
  }
}

bool XvfbServer::Start(const std::string& screen) {
  const std::string xvfb = FindProgram("Xvfb");
  if (xvfb.empty() ||
      !server_.Start(xvfb, {"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"}))
    return false;
  const std::string number = server_.ReadLine();
  if (number.empty()) return false;
  display_ = "DISPLAY=:" + number;
  return true;
}
