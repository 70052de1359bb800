#include "device/SysfsFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fstream>

#include "platform/FileFaults.h"

namespace device {
namespace fs = std::filesystem;

namespace {

thread_local std::uint64_t t_sysfsReads = 0;

// The path that the kernel resolved for the path opened as this descriptor; empty when /proc
// does not tell it or the folder has been removed since.
fs::path PathOfDescriptor(int fd) {
  char text[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = ::readlink(link.c_str(), text, sizeof(text));
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof(text) || text[0] != '/') return {};
  const std::string_view path(text, static_cast<std::size_t>(length));
  if (path.ends_with(" (deleted)")) return {};
  return fs::path(path);
}

}  // namespace

fs::path CanonicalOrEmpty(const fs::path& path) {
  ++t_sysfsReads;
  // Opened for its path alone (O_PATH reads nothing of the file and opens no device), the
  // kernel resolves it at once; the library's canonical() asks for every component on its own,
  // dozens of calls for a SCSI device deep below a USB port.
  const int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
  if (fd >= 0) {
    fs::path real = PathOfDescriptor(fd);
    ::close(fd);
    if (!real.empty()) return real;
  } else if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP) {
    return {};
  }
  std::error_code error;
  fs::path real = fs::canonical(path, error);
  return error ? fs::path() : real;
}

std::string ReadFirstLine(const fs::path& path) {
  ++t_sysfsReads;
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  return line;
}

int ReadNumberFile(const fs::path& path) {
  ++t_sysfsReads;
  std::ifstream file(path);
  int value = -1;
  if (!(file >> value)) return -1;
  return value;
}

fs::directory_iterator FolderEntries(const fs::path& folder) {
  std::error_code error;
  return FolderEntries(folder, error);
}

fs::directory_iterator FolderEntries(const fs::path& folder, std::error_code& error) {
  ++t_sysfsReads;
  if (const int fault = platform::FileFaultFor(folder, platform::kReadFolderList)) {
    error = std::error_code(fault, std::generic_category());
    return {};
  }
  return fs::directory_iterator(folder, error);
}

bool FileIsThere(const fs::path& path, std::error_code& error) {
  ++t_sysfsReads;
  if (const int fault = platform::FileFaultFor(path.parent_path(), platform::kReadFolderSearch)) {
    error = std::error_code(fault, std::generic_category());
    return false;
  }
  return fs::exists(path, error);
}

std::uint64_t SysfsReadsOfThisThread() { return t_sysfsReads; }

bool IsNumberedName(std::string_view name, std::string_view prefix) {
  return name.size() > prefix.size() && name.substr(0, prefix.size()) == prefix &&
         std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace device
