#pragma once
// Fault injection at the file layer, for tests. A test arms a fault for one or more kinds of
// write to the files whose name matches a pattern; from then on the file helpers of Files.h
// fail those writes as the system would:
//  - EROFS, EACCES and EPERM strike before anything is created or opened for writing;
//  - ENOSPC, EDQUOT and EFBIG strike after part of the data reached the file (a full disk),
//    and only a write that carries data: a full disk still takes an empty file (a name needs
//    no data block);
//  - any other error strikes on the write itself, before any data.
// Everything above the file helpers (profile writes, log appends, copies, the station's
// records) sees an ordinary failure with that errno. A test may also make every file system
// report little room left (FreeDiskSpace), as a nearly full disk does, and fail the device
// layer's reads of a folder in sysfs (a listing of it, a look at a file in it) as a security
// policy that denies them does, which no chmod does for a test that runs as root. Nothing is
// armed unless a test arms it; an unarmed seam costs one atomic load per write or read.
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// The kinds of write the helpers make (a fault names any combination of them).
enum FileWriteKind : std::uint8_t {
  kWriteReplace = 0x01,  // a whole file written through a temporary file (WriteWholeFile, INI writes)
  kWriteAppend = 0x02,   // bytes appended to a file (AppendToFile: reports, logs, CSV, records)
  kWriteCopy = 0x04,     // a file copied (CopyFile, a move between file systems)
  kWriteFolder = 0x08,   // a folder created (CreateDirectory)
  kWriteAny = 0x0F,
};

// The kinds of read of a folder that a fault may fail, named by the folder.
enum FileReadKind : std::uint8_t {
  kReadFolderList = 0x10,    // the folder listed
  kReadFolderSearch = 0x20,  // a file in the folder looked at (whether it is there)
};

struct FileFault {
  std::string namePattern = "*";       // wildcards on the file's name, without regard to case
  std::uint8_t kinds = kWriteAny;      // FileWriteKind and FileReadKind bits
  int error = EIO;                     // the errno the write fails with
  unsigned skip = 0;                   // matching writes that still succeed first
  unsigned times = 0;                  // failures before the fault is spent; 0 = never spent
};

// Adds a fault (several may be armed at once; the first that matches a write strikes).
void ArmFileFault(const FileFault& fault);
// From now on every file system reports `available` bytes left for the calling user.
void ArmSpaceFault(std::uint64_t available);
// Removes every fault (the space fault too) and sets the strike count back to 0.
void DisarmFileFaults();
// Writes failed by armed faults since they were last disarmed.
unsigned FileFaultStrikes();

// Arms a fault for the life of the object (and disarms every fault at its end).
class ScopedFileFault {
 public:
  explicit ScopedFileFault(const FileFault& fault) { ArmFileFault(fault); }
  ~ScopedFileFault() { DisarmFileFaults(); }
  ScopedFileFault(const ScopedFileFault&) = delete;
  ScopedFileFault& operator=(const ScopedFileFault&) = delete;
};

// For the file helpers: the errno with which this write of `target` must fail, or 0.
// carriesData: the write puts at least one byte into the file (see the full disk above).
int FileFaultFor(const std::filesystem::path& target, FileWriteKind kind, bool carriesData = true);
// For the reads of a folder: the errno with which this read of `folder` must fail, or 0.
int FileFaultFor(const std::filesystem::path& folder, FileReadKind kind);
// For FreeDiskSpace: the room an armed space fault reports, or nothing.
std::optional<std::uint64_t> SpaceFault();
// When the fault's errno strikes (see above).
bool FaultStrikesBeforeOpening(int error);
bool FaultStrikesAfterPartialWrite(int error);

}  // namespace platform
