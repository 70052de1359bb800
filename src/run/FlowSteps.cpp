// Steps that several station flows take alike: the controller's version, the count of flash
// chips, the drive's volumes and running code, the flash ID through the boot code, the force to
// boot code, the opening of the flows that work on a drive's boot code with the MP firmware in
// RAM, the sort of the bad-block table on the sort stations, the write-read burn-in and the
// bin type of the firmware just programmed.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>

#include "device/DevicePaths.h"
#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "engine/firmware/StationImage.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/BadBlockTableSort.h"
#include "run/FlowDriveFacts.h"
#include "run/SlotTestTask.h"

namespace {

constexpr int kIdentifyProgress = 10;

// A running code that could not be identified, as the flows that accept any code show it.
constexpr char kUnidentifiedCodeTag[] = "I_B67";
constexpr char kUnidentifiedCodeMessage[] = "[ChkRC]Not Running on Flash Code now";

// A burn-in amount setting read as "%f": the whole text must be a number.
std::optional<float> ParseBurnInAmount(const std::string& text) {
  const std::string trimmed = platform::Trim(text);
  if (trimmed.empty()) return std::nullopt;
  char* end = nullptr;
  const float value = std::strtof(trimmed.c_str(), &end);
  if (end == trimmed.c_str() || *end != '\0') return std::nullopt;
  return value;
}

}  // namespace

bool CSlotTestTask::ControllerIsSupported() {
  if (m_pDevice->CheckICVer()) return true;
  SetFlowFailure("I_V01", "IC ver error!!");
  return false;
}

void CSlotTestTask::CountFlashChips() {
  std::array<std::uint8_t, kFlashIdTableBytes> flashIds{};
  if (m_pDevice->ReadAllFlashID(flashIds.data())) m_pDevice->m_CECount = CountFlashIdCEs(flashIds);
}

void CSlotTestTask::LockDriveVolumes() {
  if (m_pDevice->LockDiskVolumes() != 0) {
    m_VolumesLocked = 1;
    m_pDevice->WriteReportLine("Drive Letter are Locked.", CMPDevice::kPlainLine);
  } else {
    m_pDevice->WriteReportLine("Drive Letter are Not Locked.", CMPDevice::kPlainLine);
  }
}

bool CSlotTestTask::NoteRunningCode() {
  CMPDevice& device = *m_pDevice;
  if (device.m_RunOnFlashCode) {
    LockDriveVolumes();
    device.WriteReportLine("ROM mode", CMPDevice::kPlainLine);
  } else if (device.m_RunOnBootCode) {
    device.WriteReportLine("Boot mode", CMPDevice::kPlainLine);
    return CheckBootCodeFlashId();
  }
  return true;
}

bool CSlotTestTask::CheckBootCodeFlashId() {
  if (m_pDevice->CheckFlashID()) return true;
  SetFlowFailure("I_V02", "Controller version is not correct!!");
  return false;
}

bool CSlotTestTask::ForceDriveToBootCode() {
  if (m_pDevice->ForceToBootCode()) return true;
  m_pDevice->WriteFailReport();
  return false;
}

bool CSlotTestTask::IdentifyForBootCodeWork() {
  CMPDevice& device = *m_pDevice;
  if (g_U2AMode == 0 && !device.CheckIOState(kTaskInit)) {
    if (IsNoDriveTag(device.m_ErrorTag)) {
      NoDriveOut(0);
    } else {
      FailOut();
    }
    return false;
  }
  SetProgress(kIdentifyProgress);
  if (!ControllerIsSupported()) {
    FailOut();
    return false;
  }
  // A drive on its code from flash is identified as well: its records name its serial number.
  std::array<std::uint8_t, CMPDevice::kIdentifyBytes> identify{};
  if (!device.ChkRC(CMPDevice::kRequireAnyCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                    identify.data())) {
    // The check has written its fail record with its own tag; the slot shows the flow's,
    // unless the code was named and only its IDENTIFY failed.
    if (!device.m_RunOnFlashCode) {
      device.m_ErrorTag = kUnidentifiedCodeTag;
      device.m_ErrorMessage = kUnidentifiedCodeMessage;
    }
    FailOut();
    return false;
  }
  if (device.m_RunOnBootCode && !CheckBootCodeFlashId()) {
    FailOut();
    return false;
  }
  return true;
}

bool CSlotTestTask::BringFlashCodeToBootCode() {
  if (!ForceDriveToBootCode() || !m_pDevice->ChkRC(CMPDevice::kRequireBootCode, CMPDevice::kNoVersionCheck,
                                                   CMPDevice::kWriteFailRecord, "", nullptr)) {
    FailOut();
    return false;
  }
  return true;
}

void CSlotTestTask::TurnErrorTagPhase(char letter) {
  std::string& tag = m_pDevice->m_ErrorTag;
  std::replace(tag.begin(), tag.end(), 'x', letter);
}

bool CSlotTestTask::SortBadBlockTableOnSortStation(const std::uint8_t* rdtInfo64, std::string_view failureExtra) {
  if ((m_StationMode != kStationSortRDT && m_StationMode != kStationSortMP) ||
      settings::ReadInt(settings::keys::SkipSortBBT) != 0) {
    return true;
  }
  CMPDevice& device = *m_pDevice;
  const bool showFailure = settings::ReadInt(settings::keys::ShowSortBBTFail) != 0;
  std::array<std::uint8_t, CMPDevice::kRecordBytes> parameters{};
  // A table whose parameters cannot be read is left as it is.
  if (!device.ReadBadBlockTable(parameters.data(), nullptr)) return true;

  std::vector<std::uint8_t>& table = device.m_BBTBuffer;
  const std::optional<TableSortLengths> lengths = TableSortLengthsOf(parameters, table.size());
  if (!lengths) {
    device.WriteReportLine(
        platform::Format("Sort BBT skipped: the BBT parameters do not fit the table buffer(%zu).", table.size()),
        CMPDevice::kPlainLine);
    return true;
  }
  std::fill_n(table.begin(), lengths->tableBytes, 0xFF);
  std::fill_n(table.begin(), lengths->mapBytes, 0x00);

  std::uint32_t wholeLength = 0;
  bool sorted = device.ReadWhole3rdBBT(table, parameters.data(), device.m_WholeTableBuffer, &wholeLength) != 0;
  if (sorted) {
    std::uint16_t checksum = 0xFFFF;
    sorted = device.WriteBadBlockTable(table, rdtInfo64, parameters.data(), &checksum, 1) != 0;
  }
  device.m_WholeTableBuffer.clear();
  device.m_WholeTableBuffer.shrink_to_fit();
  if (sorted || !showFailure) return true;
  // A sort failure that fails the drive is recorded under the engine's tag; one that does not
  // leaves the report of a passing drive without a fail record.
  device.WriteFailReport();
  TakeEngineErrorTag();
  SetSlotStatus(kSlotFail, device.m_ErrorTag, device.m_ErrorMessage);
  return FailOutWithSerial(failureExtra);
}

CSlotTestTask::BurnInRun CSlotTestTask::RunWriteReadBurnIn(int progressPoints) {
  BurnInRun run;
  const int loops = settings::ReadInt(settings::keys::BurnInLoop);
  const settings::Key* amountKey = nullptr;
  if (settings::ReadInt(settings::keys::BurnInSetPercent) == 1) {
    amountKey = &settings::keys::BurnInPercent;
  } else if (settings::ReadInt(settings::keys::BurnInSetCapacity) == 1) {
    amountKey = &settings::keys::BurnInCapacity;
    run.byCapacity = true;
  } else {
    return run;  // neither: no write-read test
  }
  run.passed = false;
  if (loops < 1) {
    // A loop count below one would burn nothing in (or, read unsigned, loop for ever).
    SetFlowFailure("S_x42", platform::Format("Write_Read BurnIn Loop setting must be 1 or more (%d) !!!", loops));
    return run;
  }
  const std::string amountText = settings::ReadText(*amountKey, 10);
  const std::optional<float> amount = ParseBurnInAmount(amountText);
  if (!amount) {
    // Nothing burned is no pass: a setting that names no amount stops the drive here.
    SetFlowFailure("S_x42", platform::Format("Write_Read BurnIn %s setting is empty or not a number (%s) !!!",
                                             amountKey->name, platform::Trim(amountText).c_str()));
    return run;
  }
  run.passed = m_pDevice->WriteReadBurnIn(m_pProgress, progressPoints, *amount, run.byCapacity ? 1 : 0,
                                          static_cast<std::uint32_t>(loops)) != 0;
  run.testFailed = !run.passed;
  return run;
}

bool CSlotTestTask::CheckFirmwareBinType(bool rdtImage) {
  CMPDevice& device = *m_pDevice;
  const bool onlyReport = settings::ReadInt(settings::keys::SkipCheckFWBinHeader) != 0;
  // The firmware just programmed answers its system information: a drive that does not (gone,
  // silent or answering nonsense) is not passed without its firmware-type check.
  if (!device.ReadSystemInfo()) {
    device.WriteFailReport();
    return false;
  }
  const std::string firmwareType = FirmwareBinTypeText(device.m_SystemInfoBuffer);
  std::string binType = engine::firmware::ExpectedBinType(rdtImage, device.m_CECount);
  // The RDT firmware built for the "8311" flash reports the type "311".
  if (rdtImage && binType == "8311") binType = "311";
  if (firmwareType.find(binType) == std::string::npos) {
    const std::string failure = platform::Format("Bin file fail!! FW do not equal to ini(%s)", firmwareType.c_str());
    if (!onlyReport) {
      SetFlowFailure("S_x30", failure);
      return false;
    }
    // Only reported: the tag stays although the drive may pass.
    device.m_ErrorTag = "S_x30";
    if (rdtImage) {
      m_ErrorTag = device.m_ErrorTag;
      device.WriteReportLine(platform::Format("Bin file fail, FW do not equal to ini(%s)", firmwareType.c_str()),
                             CMPDevice::kPlainLine);
    } else {
      device.m_ErrorMessage = failure;
      device.WriteReportLine(failure, CMPDevice::kPlainLine);
    }
  }
  if (device.m_CECount != 1) return true;
  if (binType.find("311") != std::string::npos || binType.find("315") != std::string::npos) {
    SetFlowFailure("S_x31", "1CE do not support 1P mode!");
    return false;
  }
  // The two-plane layout of the system information, which one CE cannot run.
  if (binType.find("7312") != std::string::npos && device.m_B0KBFlag != 0) {
    SetFlowFailure("S_x31", "B0KB 1CE do not support 2P mode!");
    return false;
  }
  return true;
}
