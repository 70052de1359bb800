#include "platform/StationLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace platform {

namespace {

constexpr std::size_t kHolderTextLimit = 256;

// The first line of the lock file, printable characters only (the file may hold anything).
std::string ReadHolder(int fd) {
  char buffer[kHolderTextLimit] = {};
  const ssize_t got = ::pread(fd, buffer, sizeof buffer, 0);
  std::string text;
  for (ssize_t i = 0; i < got; ++i) {
    const char c = buffer[i];
    if (c == '\n' || c == '\r') break;
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) text += c;
  }
  return Trim(text);
}

}  // namespace

std::string StationLock::HolderText() {
  const LocalTime now = Now();
  return Format("process %d (%s, started %04d/%02d/%02d %02d:%02d:%02d)", static_cast<int>(::getpid()),
                program_invocation_short_name, now.year, now.month, now.day, now.hour, now.minute, now.second);
}

std::unique_ptr<StationLock> StationLock::Take(const std::filesystem::path& folder, std::string& refusal) {
  const std::filesystem::path path = folder / kStationLockFile;
  // Opening an existing file to read and write changes none of its bytes; a folder that
  // cannot be written still lets an existing lock file be locked for reading.
  bool writable = true;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0 && (errno == EROFS || errno == EACCES || errno == EPERM)) {
    writable = false;
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (fd < 0) {
    refusal = Format("The station folder %s cannot be locked: %s: %s.", folder.c_str(), path.c_str(),
                     ErrnoText(errno).c_str());
    return nullptr;
  }
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    const int error = errno;
    const std::string holder = ReadHolder(fd);
    ::close(fd);
    if (error == EWOULDBLOCK) {
      refusal = Format("The station folder %s is in use by %s. Only one program may run in a station folder at a "
                       "time; this one ends without changing anything.",
                       folder.c_str(), holder.empty() ? "another process" : holder.c_str());
    } else {
      refusal = Format("The station folder %s cannot be locked: %s: %s.", folder.c_str(), path.c_str(),
                       ErrnoText(error).c_str());
    }
    return nullptr;
  }
  if (writable) {
    const std::string text = HolderText() + "\n";
    // The holder's name is a courtesy to the next program: a failure here does not matter.
    if (::ftruncate(fd, 0) == 0) {
      const ssize_t written = ::pwrite(fd, text.data(), text.size(), 0);
      static_cast<void>(written);
    }
  }
  return std::unique_ptr<StationLock>(new StationLock(fd));
}

StationLock::~StationLock() {
  if (m_fd >= 0) ::close(m_fd);
}

}  // namespace platform
