#pragma once
// A POSIX file descriptor owned by one object, closed when the object goes.
#include <unistd.h>
#include <utility>

namespace platform {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
  ~FileDescriptor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return m_fd; }
  bool Valid() const { return m_fd >= 0; }
  void Reset(int fd) {
    Close();
    m_fd = fd;
  }
  // Hands the descriptor over to the caller, who closes it.
  int Release() { return std::exchange(m_fd, -1); }
  // Closes now and reports whether the close succeeded (a late write error shows here).
  bool Close() {
    const int fd = m_fd;
    m_fd = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int m_fd;
};

}  // namespace platform
