#include "run/BlockInfoFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "run/SlotTestTask.h"

namespace {

int OpenForAppend(const std::string& path) {
  return ::open(platform::ToNativePath(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
}

// Writes the whole buffer; false when the file took less.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    const ssize_t written = ::write(fd, data, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    length -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

std::string BlockInfoFolder() { return GetModuleFolder() + "\\Configuration\\Temp\\"; }

std::string BlockInfoFilePath(int port) { return BlockInfoFolder() + platform::Format("#%d.bin", port); }

std::vector<BlockInfoRecord> ReadBlockInfoRecords(const std::string& path) {
  std::vector<BlockInfoRecord> records;
  const std::optional<std::string> contents = platform::ReadWholeFile(path);
  if (!contents) return records;
  const std::size_t whole = contents->size() / kBlockInfoRecordBytes;
  records.resize(whole);
  for (std::size_t i = 0; i < whole; ++i) {
    std::memcpy(&records[i], contents->data() + i * kBlockInfoRecordBytes, kBlockInfoRecordBytes);
  }
  return records;
}

void CSlotTestTask::WriteBlockInfoToFile(const BlockInfoRecord& record) {
  const std::string path = BlockInfoFilePath(m_PortNumber);
  const auto reportLine = [this](const char* text) {
    if (m_pDevice) m_pDevice->WriteReportLine(text, 1);
  };
  int fd = OpenForAppend(path);
  if (fd < 0) {
    if (!MakeDirectoryPath(BlockInfoFolder())) {
      reportLine("WriteBlockInfoToFile create folder fail!!");
      return;
    }
    fd = OpenForAppend(path);
    if (fd < 0) {
      reportLine("WriteBlockInfoToFile create file fail!!");
      return;
    }
  }
  struct stat before {};
  const bool sized = ::fstat(fd, &before) == 0;
  if (!WriteAll(fd, reinterpret_cast<const std::uint8_t*>(&record), kBlockInfoRecordBytes)) {
    // A part of a record would shift every later record: the file goes back to its old size.
    const bool restored = sized && ::ftruncate(fd, before.st_size) == 0;
    reportLine(restored ? "WriteBlockInfoToFile write fail!!" : "WriteBlockInfoToFile write fail, file not restored!!");
  }
  ::close(fd);
}
