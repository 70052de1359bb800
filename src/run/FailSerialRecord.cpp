// The fail-serial record: a local INI record of failed drives under a running four-digit
// number, and the copy of its waiting entries to a log on the server drive when that drive
// is reachable.
#include <set>

#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/IniText.h"
#include "run/SlotTestTask.h"

namespace {

constexpr const char* kSerialSection = "Serial Number";
constexpr const char* kLastSerialKey = "Last Serial Number";
constexpr const char* kMappingSection = "Fail_SN_Mapping_Table";
constexpr const char* kUploadSection = "WaitForUpload";
constexpr int kUploadSlots = 10000;

std::string LastCharacters(std::string_view text, std::size_t count) {
  return std::string(text.size() > count ? text.substr(text.size() - count) : text);
}

std::string NextRunningNumber(const std::string& running) {
  if (running == "9999") return "0000";
  return platform::Format("%04d", platform::ParseLeadingInt(running) + 1);
}

}  // namespace

void CSlotTestTask::RecordFailSerial() {
  if (!m_pDevice) return;
  platform::CriticalSectionGuard guard(PageLock(kLockEndOfTest));
  CMPDevice& device = *m_pDevice;
  const char* prefix = m_Kind == kTaskInit ? "F1" : m_Kind == kTaskQC ? "QC" : "";
  const std::string record = platform::Format("%s\\%s_FailSNRecord.log", m_LogFolder.c_str(), prefix);
  MakeDirectoryPath(m_LogFolder);
  // The record file is a record of the drive: each local write that fails is a lost record
  // (the server copy may fail: its entries stay queued for the next call).
  const auto write = [this, &record](const char* section, const std::string& key, const std::string& value) {
    if (!platform::WriteProfileString(record, section, key, value)) NoteLostRecord(record);
  };
  if (!platform::FileExists(record)) write(kSerialSection, kLastSerialKey, "0000");
  const std::string running = platform::Trim(platform::ReadProfileString(record, kSerialSection, kLastSerialKey, "", 5));

  if (device.m_IdentifierText.empty()) device.m_IdentifierText = "xxxxxxxxxxxx";
  const std::string key = IniKeyText(running + LastCharacters(device.m_IdentifierText, 4));
  write(kMappingSection, key,
        IniValueText(platform::Format("%s,%s", device.m_DriveSerial.c_str(), device.m_ErrorTag.c_str())));
  AppendFailStatusText(key);
  write(kSerialSection, kLastSerialKey, NextRunningNumber(running));

  // Queue the key in the first free "Wait_%04d" entry; a full queue keeps it local only.
  std::set<std::string> used;
  for (const auto& [entry, value] : platform::ReadProfileSection(record, kUploadSection)) {
    if (!value.empty()) used.insert(platform::ToLower(entry));
  }
  for (int n = 0; n < kUploadSlots; ++n) {
    const std::string name = platform::Format("Wait_%04d", n);
    if (used.count(platform::ToLower(name)) == 0) {
      write(kUploadSection, name, key);
      break;
    }
  }

  const std::string serverDrive = platform::Trim(settings::ReadText(settings::keys::SetServerPath, 5));
  const std::string drive = serverDrive.empty() ? std::string("P") : serverDrive;
  MakeDirectoryPath(platform::Format("%s:\\FailSNLog\\", drive.c_str()));
  platform::Sleep(500);
  if (!platform::FileExists(record)) return;

  std::string workOrder = g_WorkingNo.Get();
  if (workOrder.empty()) workOrder = platform::Trim(settings::ReadText(settings::keys::WorkingNo, 256));
  const std::string serverLog = platform::Format("%s:\\FailSNLog\\%s_%s_%s.log", drive.c_str(), workOrder.c_str(),
                                                 LastCharacters(device.m_ReportName, 4).c_str(), prefix);

  // The whole queue, each entry copied to the server and dequeued only once the copy is made.
  for (const auto& [entry, mappingKey] : platform::ReadProfileSection(record, kUploadSection)) {
    if (mappingKey.empty()) continue;
    const std::string mapping =
        platform::Trim(platform::ReadProfileString(record, kMappingSection, mappingKey, "", 30));
    // An entry whose mapping is missing stays queued rather than being lost.
    if (mapping.empty()) continue;
    if (platform::WriteProfileString(serverLog, kMappingSection, mappingKey, mapping)) {
      platform::DeleteProfileKey(record, kUploadSection, entry);
    }
  }
}
