#include "platform/IniFile.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Debug.h"
#include "platform/Text.h"

namespace platform {
namespace {

std::int64_t Nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileIdentity IdentityOf(const struct stat& info) {
  FileIdentity identity;
  identity.device = static_cast<std::uint64_t>(info.st_dev);
  identity.inode = static_cast<std::uint64_t>(info.st_ino);
  identity.size = static_cast<std::uint64_t>(info.st_size);
  identity.modifiedNs = Nanoseconds(info.st_mtim);
  identity.changedNs = Nanoseconds(info.st_ctim);
  return identity;
}

// Reads the open file to its end (it may have grown since fstat), within the limit.
bool ReadToEnd(int fd, std::string& bytes) {
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) {
      if (bytes.size() >= kIniFileLimit) return false;
      bytes.resize(bytes.size() + 4096);
    }
    const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return true;
}

IniFileRead ReadOpenFile(int fd, const std::filesystem::path& native) {
  IniFileRead result;
  result.status = IniFileRead::Status::Failed;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return result;
  if (static_cast<std::uint64_t>(info.st_size) > kIniFileLimit) {
    DebugOutput(Format("INI file %s is larger than %llu bytes; not read\n", native.c_str(),
                       static_cast<unsigned long long>(kIniFileLimit)));
    return result;
  }
  result.bytes.resize(static_cast<std::size_t>(info.st_size));
  if (!ReadToEnd(fd, result.bytes)) return IniFileRead{IniFileRead::Status::Failed, {}, {}};
  result.identity = IdentityOf(info);
  result.status = IniFileRead::Status::Ok;
  return result;
}

}  // namespace

std::int64_t FileClockNowNs() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return Nanoseconds(now);
}

bool IdentityHasSettled(const FileIdentity& identity, std::int64_t readAtNs) {
  // A later change stamps both times with the clock of that moment; it can keep the identity
  // only when both stamps already lie within that moment.
  constexpr std::int64_t kSettledAfterNs = 2'000'000'000;
  return readAtNs - identity.modifiedNs > kSettledAfterNs || readAtNs - identity.changedNs > kSettledAfterNs;
}

bool StatIniFile(const std::filesystem::path& native, FileIdentity& identity) {
  struct stat info {};
  if (::stat(native.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  identity = IdentityOf(info);
  return true;
}

IniFileRead ReadIniFile(const std::filesystem::path& native) {
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    IniFileRead missing;
    missing.status = (errno == ENOENT || errno == ENOTDIR) ? IniFileRead::Status::Missing
                                                           : IniFileRead::Status::Failed;
    return missing;
  }
  IniFileRead result = ReadOpenFile(fd, native);
  ::close(fd);
  return result;
}

}  // namespace platform
