#include "pages/production/RecordRoom.h"

#include <map>
#include <optional>

#include "device/StationHelpers.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace {

constexpr const char* kProbeName = "~RecordCheck.tmp";
constexpr const char* kNoPass = ": the pass does not start, and no drive is touched.";

// What a file system needs besides the records' bytes: its own entries and blocks, and the
// bytes other programs write while the pass runs.
constexpr std::uint64_t kRecordRoomReserve = 4u << 20;

// The probe's data: as large as the largest block a file system gives a file, and bytes that
// no compressing file system can store in less.
const std::string& ProbeBytes() {
  static const std::string bytes = [] {
    std::string data(64u << 10, '\0');
    std::uint32_t state = 0x9E3779B9u;
    for (char& byte : data) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      byte = static_cast<char>(state);
    }
    return data;
  }();
  return bytes;
}

// "" when the folder (made when missing) takes the probe's data on the disk, else the message.
// A folder that could not be made fails the probe with the reason.
std::string CheckFolderTakesData(const std::string& folder) {
  if (!platform::IsDirectory(folder)) MakeDirectoryPath(folder);
  const std::string probe = folder + "\\" + kProbeName;
  // The file is replaced through a temporary file whose data is synced before it is named.
  if (!platform::WriteWholeFile(probe, ProbeBytes())) {
    return CannotRecordText(folder, platform::ErrnoText(platform::LastFileErrno()));
  }
  platform::DeleteFile(probe);
  return {};
}

std::string MebibytesText(std::uint64_t bytes) {
  return platform::Format("%.1f MiB", static_cast<double>(bytes) / (1u << 20));
}

// A file system's room and what the pass writes to it; `named` is its first folder.
struct FileSystemNeed {
  std::uint64_t available = 0;
  std::uint64_t need = kRecordRoomReserve;
  std::string named;
};

}  // namespace

std::string CannotRecordText(std::string_view path, std::string_view reason) {
  return platform::Format("%s cannot be written (%s)%s", platform::ToNativePath(path).string().c_str(),
                          std::string(reason).c_str(), kNoPass);
}

std::string CheckRecordRoom(const std::vector<RecordFolder>& folders, int drives) {
  std::map<std::uint64_t, FileSystemNeed> fileSystems;
  std::vector<std::uint64_t> order;  // the file systems in the order their folders come
  for (const RecordFolder& folder : folders) {
    if (std::string problem = CheckFolderTakesData(folder.folder); !problem.empty()) return problem;
    const std::optional<platform::DiskSpace> space = platform::FreeDiskSpace(folder.folder);
    if (!space) continue;  // a file system that tells no size: the probe is all there is to go by
    auto [entry, added] = fileSystems.try_emplace(space->fileSystem);
    FileSystemNeed& fileSystem = entry->second;
    if (added) {
      fileSystem.available = space->available;
      fileSystem.named = folder.folder;
      order.push_back(space->fileSystem);
    }
    fileSystem.need += folder.bytesPerDrive * static_cast<std::uint64_t>(drives);
    for (const std::string& file : folder.replaced) fileSystem.need += platform::FileSize(file).value_or(0);
  }
  for (const std::uint64_t id : order) {
    const FileSystemNeed& fileSystem = fileSystems.at(id);
    if (fileSystem.available >= fileSystem.need) continue;
    return platform::Format(
        "%s has too little room for the pass: %s left, and a pass of %d drives needs %s there; free space on its "
        "disk or choose another folder%s",
        platform::ToNativePath(fileSystem.named).string().c_str(), MebibytesText(fileSystem.available).c_str(), drives,
        MebibytesText(fileSystem.need).c_str(), kNoPass);
  }
  return {};
}
