#include "device/LogFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Debug.h"
#include "platform/Path.h"

int CLogFile::AppendText(std::string_view path, std::string_view text) {
  const std::string native = platform::ToNativePath(path).string();
  const int fd = ::open(native.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return -1;

  struct stat before {};
  if (::fstat(fd, &before) != 0 || !S_ISREG(before.st_mode)) {
    ::close(fd);
    return -1;
  }
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // Cut a partial line back off so the file stays as it was.
      if (written > 0 && ::ftruncate(fd, before.st_size) != 0) {
        // Nothing more can be done; the caller only learns that the append failed.
      }
      ::close(fd);
      return -1;
    }
    written += static_cast<std::size_t>(n);
  }
  ::close(fd);
  platform::DebugOutput(text);
  return 0;
}
