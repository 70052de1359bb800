// The work-order file's results list: one line per drive tested at any station but EraseAll,
// and the file's checksum over its kept lines.
#include <utility>

#include "device/Crc16.h"
#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/IniDocument.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/IniText.h"
#include "run/ResultsList.h"
#include "run/SlotTestTask.h"
#include "run/VerdictRecords.h"

namespace {

constexpr std::size_t kSettingBuffer = 256;

// The firmware image's file name: the text after the last "\" (the whole text without one).
std::string ImageFileName(const std::string& path) {
  const std::string trimmed = platform::TrimRight(path);
  const std::size_t slash = trimmed.rfind('\\');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

}  // namespace

bool CSlotTestTask::WriteResultsList(int result) {
  const platform::LocalTime now = platform::Now();
  m_EndTimeText = platform::Format("%02d:%02d:%02d", now.hour, now.minute, now.second);
  return WriteResultsListLine(result);
}

bool CSlotTestTask::WriteResultsListLine(int result) {
  const std::string workOrder = g_WorkOrderFilePath.Get();
  // Before the page has made the work-order file there is no list to write to.
  if (workOrder.empty() || !m_pDevice) return true;
  WriteOwedTakeBacks(workOrder);
  const bool rdtImage =
      m_StationMode == kStationRDT || m_StationMode == kStationReRDT || m_StationMode == kStationSortRDT;
  m_TextBuffer = settings::ReadText(rdtImage ? settings::keys::IspRDTBinCode : settings::keys::IspMPBinCode,
                                    kSettingBuffer);
  const std::string imageName = ImageFileName(m_TextBuffer);

  const CMPDevice& device = *m_pDevice;
  ResultsListLine line;
  line.workOrder = workOrder;
  line.key = platform::Format("[%s~%s,%02d]", m_StartTimeText.c_str(), m_EndTimeText.c_str(), m_PortNumber);
  line.fields = platform::Format("%d,Tester_%02d,%s,%s(%s),%s,%s,%d,%s,%s,", 0, m_PortNumber,
                                 device.m_TesterVersionText.c_str(), m_VersionText.c_str(), "Normal",
                                 imageName.c_str(), device.RecordedSerial().c_str(),
                                 static_cast<int>(device.m_RDTTotalTime), device.m_StandbyCurrentText.c_str(),
                                 device.m_WRCurrentText.c_str());
  const bool written = result != 0 ? WriteResultsListEntry(line, true, "", "")
                                   : WriteResultsListEntry(line, false, device.m_ErrorTag, device.m_ErrorMessage);
  m_ListLine = line;
  if (written) return true;
  NoteLostRecord(workOrder);
  if (!platform::ReadWholeFile(workOrder)) {
    // The old checksum stays: a made-up value would pass for a check of a file never read.
    m_pDevice->WriteReportLine("Results list checksum not updated: work-order file cannot be read",
                               CMPDevice::kPlainLine);
  }
  return false;
}

bool WriteResultsListEntry(const ResultsListLine& line, bool pass, std::string_view tag, std::string_view message) {
  std::string value = line.fields + (pass ? "Pass" : "Fail");
  if (!pass) value += platform::Format(",%s,%s", std::string(tag).c_str(), std::string(message).c_str());
  const std::string listKey = IniKeyText(line.key);
  const std::string listValue = IniValueText(value);
  // The line and the checksum of the file with it (and with the checksum it had) go in one
  // replacement of the file, made from one read and one parse of it.
  std::string checksum;
  return platform::UpdateProfileStrings(line.workOrder, [&](const platform::IniDocument& list) {
    const platform::ProfileValue entry{"Results List", listKey, listValue};
    const std::optional<std::string> withLine = list.WithValues({{{entry.section, entry.key, entry.value}}});
    checksum = platform::Format("%04x", CSlotTestTask::ChecksumOfText(withLine ? *withLine : list.Bytes()));
    return std::vector<platform::ProfileValue>{entry, {"Base Info", "Checksum", checksum}};
  });
}

RecordTakeBack ResultsListLineTakeBack(const ResultsListLine& line, std::string tag, std::string failure) {
  return {line.workOrder, "still lists the drive as Pass",
          [line, tag = std::move(tag), failure = std::move(failure)] {
            return WriteResultsListEntry(line, false, tag, failure);
          }};
}

std::uint16_t CSlotTestTask::ChecksumOfText(std::string_view text) {
  std::uint16_t value = 0;
  CCrc16::Init(value);
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.starts_with("//")) continue;
    CCrc16::UpdateString(value, line);
  }
  return value;
}

std::optional<std::uint16_t> CSlotTestTask::ComputeFileChecksum(std::string_view path) {
  const std::optional<std::string> contents = platform::ReadWholeFile(path);
  if (!contents) return std::nullopt;
  return ChecksumOfText(*contents);
}
