// An open file or directory handle of the simulated host.
#pragma once

#include <string>

#include "platform/sim/core/SimHandles.h"

class SimFileObject : public SimObject {
 public:
  // fd: the data descriptor; lock_fd: a readable descriptor of the same file
  // that carries the sharing locks, or -1 when fd itself does.
  SimFileObject(int fd, int lock_fd, DWORD access, bool is_directory, bool append,
                std::string delete_on_close_path)
      : fd_(fd),
        lock_fd_(lock_fd),
        access_(access),
        directory_(is_directory),
        append_(append),
        delete_on_close_(std::move(delete_on_close_path)) {}
  ~SimFileObject() override;
  SimFileObject(const SimFileObject&) = delete;
  SimFileObject& operator=(const SimFileObject&) = delete;

  int Fd() const { return fd_; }
  DWORD Access() const { return access_; }
  bool IsDirectory() const { return directory_; }
  bool CanRead() const;
  bool CanWrite() const;
  bool Appends() const { return append_; }

 private:
  int fd_;
  int lock_fd_;
  DWORD access_;
  bool directory_;
  bool append_;
  std::string delete_on_close_;
};
