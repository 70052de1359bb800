#pragma once
// Change notices from the kernel (inotify) for the folders and files whose parse the profile
// cache keeps, so that a cached read needs no look at the file system: the kernel queues a
// notice the moment a file or folder entry changes, and a reader only asks whether any notice
// is queued (one cheap system call that reads nothing) before it trusts what it has.
//
// The notices are exact where they are offered: only on file systems of this computer
// (ext2/3/4, XFS, Btrfs, tmpfs, overlay, F2FS, ...), whose every change goes through the
// kernel that queues the notices. A network file system also changes behind the kernel's back;
// there, and wherever a watch cannot be set, the caller falls back to its own checks.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

namespace platform {

class ChangeWatch {
 public:
  // One change taken from the queue: the watch it belongs to, what happened (inotify mask
  // bits) and, for a change inside a watched folder, the name of the entry.
  struct Change {
    int watch = -1;
    std::uint32_t what = 0;
    std::string_view name;
    // The watched object itself went away or moved, or the watch ended.
    bool WatchedObjectGone() const;
    // The kernel dropped notices: anything may have changed.
    bool Overflowed() const;
  };

  // The process-wide watch (made on first use).
  static ChangeWatch& Instance();

  // False when the kernel offers no notices to this process (no inotify, no instance left).
  bool Available() const { return m_fd >= 0; }
  // Whether the notices cover the file system of the folder (see above).
  static bool CoversFileSystemOf(const std::filesystem::path& folder);

  // Starts watching a folder (changes of its entries, and of itself) or a file (changes of
  // its contents and attributes, and of itself); a symbolic link is never followed. The
  // watch's number, or -1 when it cannot be watched (missing, a link, no watch left).
  int WatchFolder(const std::filesystem::path& folder);
  int WatchFile(const std::filesystem::path& file);

  // Whether changes may wait to be taken: true when one is queued. No lock, nothing read.
  bool ChangesQueued() const;
  // Takes every queued change, in order, and hands each to `take`. The caller serialises
  // its calls (the changes are taken by one thread at a time).
  void TakeChanges(const std::function<void(const Change&)>& take);

 private:
  ChangeWatch();
  ~ChangeWatch() = delete;  // lives as long as the process
  int Add(const std::filesystem::path& path, std::uint32_t what);

  int m_fd = -1;
};

}  // namespace platform
