#pragma once
// One program per station folder. Two copies of the program in one folder would count each
// other's passes, mix lines in each other's reports and, on real hardware, drive the same
// disks; so the program takes an exclusive lock on a file in the station folder before it
// reads or writes anything else, and keeps it until it ends. The lock is an flock(2) lock:
// the system drops it when its holder ends, however it ends, so a crashed program never
// leaves the folder locked.
#include <filesystem>
#include <memory>
#include <string>

namespace platform {

// The lock file in the station folder. Its text names the process that holds the station.
inline constexpr char kStationLockFile[] = "Station.lock";

class StationLock {
 public:
  // Takes the lock of the folder. Null when it cannot be had; `refusal` then says why: which
  // process holds the station ("... is in use by process 1234 (tv3160_station, started
  // 2024/05/06 07:08:09) ..."), or why the lock file cannot be opened. A refused caller has
  // changed no byte of the folder.
  static std::unique_ptr<StationLock> Take(const std::filesystem::path& folder, std::string& refusal);
  ~StationLock();
  StationLock(const StationLock&) = delete;
  StationLock& operator=(const StationLock&) = delete;

  // What the holder wrote into the lock file: "process <pid> (<program>, started <time>)".
  static std::string HolderText();

 private:
  explicit StationLock(int fd) : m_fd(fd) {}
  int m_fd;
};

}  // namespace platform
