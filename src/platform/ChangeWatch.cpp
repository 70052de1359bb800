#include "platform/ChangeWatch.h"

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace platform {
namespace {

// What a folder watch reports: its entries made, removed, renamed, written or touched; and
// the folder itself removed or moved. Reads and opens are of no interest.
constexpr std::uint32_t kFolderChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                                         IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;
// What a file watch reports: its bytes or attributes changed (through any of its names), or
// the file removed or moved.
constexpr std::uint32_t kFileChanges = IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_DONT_FOLLOW;

// File systems whose every change passes through this computer's kernel (statfs magic).
constexpr std::array<std::uint64_t, 13> kLocalFileSystems = {
    0xEF53,      // ext2, ext3, ext4
    0x58465342,  // XFS
    0x9123683E,  // Btrfs
    0x01021994,  // tmpfs
    0x858458F6,  // ramfs
    0x794C7630,  // overlay
    0xF2F52010,  // F2FS
    0x2FC12FC1,  // ZFS
    0x3153464A,  // JFS
    0x52654973,  // ReiserFS
    0xCA451A4E,  // bcachefs
    0x4D44,      // FAT (a local disk)
    0x5346544E,  // NTFS (ntfs3)
};

}  // namespace

bool ChangeWatch::Change::WatchedObjectGone() const {
  return (what & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) != 0;
}

bool ChangeWatch::Change::Overflowed() const { return (what & IN_Q_OVERFLOW) != 0; }

ChangeWatch& ChangeWatch::Instance() {
  static ChangeWatch* const watch = new ChangeWatch;
  return *watch;
}

ChangeWatch::ChangeWatch() : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

bool ChangeWatch::CoversFileSystemOf(const std::filesystem::path& folder) {
  struct statfs info {};
  if (::statfs(folder.c_str(), &info) != 0) return false;
  const auto type = static_cast<std::uint64_t>(static_cast<std::uint32_t>(info.f_type));
  return std::find(kLocalFileSystems.begin(), kLocalFileSystems.end(), type) != kLocalFileSystems.end();
}

int ChangeWatch::Add(const std::filesystem::path& path, std::uint32_t what) {
  if (m_fd < 0) return -1;
  const int watch = ::inotify_add_watch(m_fd, path.c_str(), what);
  return watch < 0 ? -1 : watch;
}

int ChangeWatch::WatchFolder(const std::filesystem::path& folder) { return Add(folder, kFolderChanges); }

int ChangeWatch::WatchFile(const std::filesystem::path& file) {
  // inotify cannot refuse to follow a link to a file: a link is refused here instead, since
  // the notices would be of the link, not of the file it names.
  struct stat info {};
  if (::lstat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return Add(file, kFileChanges);
}

bool ChangeWatch::ChangesQueued() const {
  if (m_fd < 0) return false;
  int queued = 0;
  // A failed question is answered as "maybe": the caller then takes the changes itself.
  if (::ioctl(m_fd, FIONREAD, &queued) != 0) return true;
  return queued > 0;
}

void ChangeWatch::TakeChanges(const std::function<void(const Change&)>& take) {
  if (m_fd < 0) return;
  alignas(inotify_event) char buffer[16 * 1024];
  for (;;) {
    const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;  // EAGAIN: nothing more is queued
    std::size_t at = 0;
    while (at + sizeof(inotify_event) <= static_cast<std::size_t>(got)) {
      inotify_event header;
      std::memcpy(&header, buffer + at, sizeof header);
      const std::size_t nameRoom = std::min<std::size_t>(header.len, static_cast<std::size_t>(got) - at - sizeof header);
      const char* name = buffer + at + sizeof header;
      Change change;
      change.watch = header.wd;
      change.what = header.mask;
      change.name = std::string_view(name, ::strnlen(name, nameRoom));
      take(change);
      at += sizeof header + header.len;
    }
  }
}

}  // namespace platform
