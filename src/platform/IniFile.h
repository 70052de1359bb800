#pragma once
// Reading whole INI files by native path together with the identity of the version read,
// for the profile cache. Reads refuse files larger than kIniFileLimit, so a stray huge
// file cannot exhaust memory. (Writes replace the file through WriteWholeFile, Files.h.)
#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

inline constexpr std::uint64_t kIniFileLimit = 64ull << 20;

// What identifies one version of a file on disk.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::int64_t changedNs = 0;
  bool operator==(const FileIdentity&) const = default;
};

struct IniFileRead {
  enum class Status { Ok, Missing, Failed };
  Status status = Status::Missing;
  std::string bytes;        // the whole file when Ok, empty otherwise
  FileIdentity identity;    // of the file the bytes came from, when Ok
};

IniFileRead ReadIniFile(const std::filesystem::path& native);
// Identity of the file now; false when it does not exist or cannot be examined.
bool StatIniFile(const std::filesystem::path& native, FileIdentity& identity);

// Nanoseconds since 1970 of the real-time clock that stamps file times.
std::int64_t FileClockNowNs();

// Whether a later change of the file must show in its identity: true once its times lie far
// enough behind the moment it was read (file times tick coarsely on some file systems, so a
// file changed just before it was read may change again within the same tick).
bool IdentityHasSettled(const FileIdentity& identity, std::int64_t readAtNs);

}  // namespace platform
