#include "pages/results/ReportLines.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Path.h"

namespace {

// Chunk read from the file at a time; large enough that a report of some megabytes takes a
// few system calls only.
constexpr std::size_t kChunkBytes = 256 * 1024;

int OpenRegularFile(std::string_view path) {
  if (path.empty()) return -1;
  const std::string native = platform::ToNativePath(path).string();
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

CReportLines::~CReportLines() { Close(); }

bool CReportLines::Open(std::string_view path) {
  Close();
  m_fd = OpenRegularFile(path);
  if (m_fd < 0) return false;
  m_buffer.resize(kChunkBytes + kReportReadChars);
  m_begin = m_end = m_buffer.data();
  m_eof = false;
  return true;
}

void CReportLines::OpenText(std::string_view text) {
  Close();
  m_begin = text.data();
  m_end = text.data() + text.size();
  m_eof = true;
}

void CReportLines::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_eof = true;
  m_begin = m_end = nullptr;
}

void CReportLines::Refill() {
  // Keep the bytes not yet read, then fill the rest of the buffer.
  const std::size_t kept = static_cast<std::size_t>(m_end - m_begin);
  char* const base = m_buffer.data();
  if (kept > 0 && m_begin != base) std::memmove(base, m_begin, kept);
  m_begin = base;
  m_end = base + kept;
  const char* const limit = base + m_buffer.size();
  while (!m_eof && static_cast<std::size_t>(m_end - m_begin) < kReportReadChars) {
    const ssize_t got = ::read(m_fd, const_cast<char*>(m_end), static_cast<std::size_t>(limit - m_end));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      // End of file, or a read error: what was read stays, nothing more comes.
      m_eof = true;
      break;
    }
    m_end += got;
  }
}

bool CReportLines::Next(std::string_view& line) {
  if (!m_eof && static_cast<std::size_t>(m_end - m_begin) < kReportReadChars) Refill();
  const std::size_t available = static_cast<std::size_t>(m_end - m_begin);
  if (available == 0) return false;
  const std::size_t window = available < kReportReadChars ? available : kReportReadChars;
  const void* const lineEnd = std::memchr(m_begin, '\n', window);
  const std::size_t length =
      lineEnd != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lineEnd) - m_begin) + 1 : window;
  line = TrimReportLineEnd(std::string_view(m_begin, length));
  m_begin += length;
  return true;
}

std::string_view TrimReportLineEnd(std::string_view line) {
  std::size_t length = line.size();
  while (length > 0) {
    const char c = line[length - 1];
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
    --length;
  }
  return line.substr(0, length);
}

bool ReportCanBeOpened(std::string_view path) {
  const int fd = OpenRegularFile(path);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}
