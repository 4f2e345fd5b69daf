// An X server of a test's own (Xvfb), for tests that drive real X windows.
#pragma once

#include <string>

#include "tests/support/SimTestSupport.h"

// The path of an installed program, or empty.
std::string FindProgram(const std::string& name);

class XvfbServer {
 public:
  XvfbServer() = default;
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // Starts Xvfb on a free display; false when it is missing or gave none.
  bool Start(const std::string& screen = "1280x1024x24");
  // "DISPLAY=:N", for a child's environment.
  const std::string& DisplayVariable() const { return display_; }

 private:
  ChildProcess server_;
  std::string display_;
};
