#include "run/BlockInfoFile.h"

#include <cerrno>
#include <cstring>

#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "run/SlotTestTask.h"

std::string BlockInfoFolder() { return GetModuleFolder() + "\\Configuration\\Temp\\"; }

std::string BlockInfoFilePath(int port) { return BlockInfoFolder() + platform::Format("#%d.bin", port); }

int MostBlockInfoRecords(SlotFlow flow) {
  switch (flow) {
    case SlotFlow::MP: return 3;
    case SlotFlow::RDT:
    case SlotFlow::RDTResult: return 1;
    default: return 0;
  }
}

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

bool CSlotTestTask::WriteBlockInfoToFile(const BlockInfoRecord& record) {
  const std::string path = BlockInfoFilePath(m_PortNumber);
  const auto reportLine = [this](const char* text) {
    if (m_pDevice) m_pDevice->WriteReportLine(text, CMPDevice::kPlainLine);
  };
  const std::string_view bytes(reinterpret_cast<const char*>(&record), kBlockInfoRecordBytes);
  // The record goes in whole or not at all: a part of one would shift every later record.
  if (platform::AppendToFile(path, bytes, true)) return true;
  const int error = platform::LastFileErrno();
  if (error == ENOSPC || error == EDQUOT || error == EFBIG || error == EIO) {
    NoteLostRecord(path);
    reportLine("WriteBlockInfoToFile write fail!!");
    return false;
  }
  // The file could not be opened: the folder is made (it may be missing) and it is tried again.
  if (!MakeDirectoryPath(BlockInfoFolder())) {
    NoteLostRecord(path);
    reportLine("WriteBlockInfoToFile create folder fail!!");
    return false;
  }
  if (platform::AppendToFile(path, bytes, true)) return true;
  NoteLostRecord(path);
  reportLine("WriteBlockInfoToFile create file fail!!");
  return false;
}
