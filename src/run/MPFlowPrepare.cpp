// The MP flow's preparation: the drive, whatever code it came in on, is brought to the MP
// firmware in controller RAM (a drive on the RDT firmware has its results judged first), its
// device information checked, its DRAM tested, its bad-block table sorted on the sort
// stations, its flash erased and scanned ("SCA1"), its info block written under lock 2,
// preformatted, and the MP firmware programmed into flash.
#include <algorithm>
#include <cstring>

#include "device/DevicePaths.h"
#include "device/StationHelpers.h"
#include "device/records/InfoBlock.h"
#include "engine/reports/BlockStatistics.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/MPFlow.h"
#include "run/SlotLayouts.h"

namespace {

constexpr int kDeviceCheckedProgress = 10;
constexpr int kFirstScanProgress = 45;
constexpr int kStepProgressPoints = 10;
constexpr int kEraseAfterBootProgressPoints = 2;
constexpr int kRdtJudgementProgressPoints = 5;
// Burner versions from this one on support the timing-window scan.
constexpr char kWindowScanVersion[] = "0.6";

// Statistics items of the status cell: 8 slots show more than 16.
std::uint32_t StatisticsItems(int slotLayout) {
  return slotLayout == kEightSlotLayout ? engine::kStatisticsRdtItems | engine::kStatisticsPairItems
                                        : engine::kStatisticsPairItems;
}

// MpInfo.RunInfo.CEBitMap of the run-information record.
std::uint16_t CeBitMapOf(const std::array<std::uint8_t, CMPDevice::kRecordBytes>& record) {
  MpInfo info;
  ReadRecord(record, info);
  return static_cast<std::uint16_t>(info.ceBitMap.Get());
}

}  // namespace

bool CMPFlow::Prepare() {
  // The running code the drive came in on chooses the branch; the branches' own checks of
  // the running code change the engine's flags.
  const bool onFlashCode = m_device.m_RunOnFlashCode != 0;
  const bool onRdtFirmware = m_device.m_RunRDTFirmware != 0;
  if (m_device.m_RunOnBurnerCode) {
    if (!PrepareOnBurnerCode()) return false;
  } else if (m_device.m_RunOnBootCode) {
    if (!PrepareOnBootCode()) return false;
  }

  // The drive's system information and flash ID, and the run information's CE map against the
  // drive's CEs.
  if (!m_device.VerifyDeviceInfo(kTaskInit, 0, m_runInfo.data())) return FailOut();
  // The CE map of the run information of a drive on its MP firmware.
  if (onFlashCode && !onRdtFirmware) {
    m_haveRunInfoMap = false;
    const std::uint16_t map = CeBitMapOf(m_runInfo);
    if (map != 0) {
      m_device.m_CEMap = map;
      m_runInfoCeMap = map;
      m_haveRunInfoMap = true;
    }
    m_device.WriteReportLine(platform::Format("Run info CE map=%x", map), CMPDevice::kPlainLine);
  }
  m_task.SetProgress(kDeviceCheckedProgress);

  // The drive that came in on boot code now runs the MP firmware in RAM: its DRAM test, the
  // sort and the erase.
  if (m_loadedFromBoot) {
    if (settings::ReadInt(settings::keys::SkipSDRWriteReadTest) == 0 &&
        !m_device.DoSDRWriteReadTest(m_task.m_pProgress, kStepProgressPoints, 0)) {
      return FailOut();
    }
    if (!SortBadBlockTable()) return false;
    m_eraseType = GetPretestEraseType();
    SetCeMap(true);
    if (!EraseFlash(kEraseAfterBootProgressPoints)) return false;
  }

  if (onFlashCode) {
    if (!PrepareOnFlashCode(onRdtFirmware)) return false;
  } else {
    SetCeMap(true);  // the CE map in use for the scan and the preformat
  }

  m_task.SetProgress(kFirstScanProgress);
  if (settings::ReadInt(settings::keys::SkipMPScan) == 0 && !FirstScan()) return false;
  if (!WriteInfoBlock()) return false;
  if (!m_device.PreFormat(1, m_task.m_pProgress, kStepProgressPoints, m_preformatRdtOption, m_usePolling, 0)) {
    return FailOut();
  }
  return ProgramFirmware();
}

// Burner code runs the MP firmware's RAM code already: erase at once.
bool CMPFlow::PrepareOnBurnerCode() {
  if (!SortBadBlockTable()) return false;
  ChooseEraseType();
  ReadRunInformation();
  SetCeMap(true);
  return EraseFlash(kStepProgressPoints);
}

// Boot code gets the MP firmware in RAM, a timing-window scan and an eFuse check.
bool CMPFlow::PrepareOnBootCode() {
  if (!m_device.LoadPRAMCode(CMPDevice::kMpImage, "")) return FailOut();
  ReadRunInformation();
  if (!ScanTimingWindow(false) || !CheckEFuseBeforeCut()) return false;
  m_loadedFromBoot = true;
  m_preformatRdtOption = 0;
  return true;
}

// Code from flash (the MP or the RDT firmware) is judged when it is the RDT firmware,
// forced back to boot code and given the MP firmware in RAM.
bool CMPFlow::PrepareOnFlashCode(bool onRdtFirmware) {
  if (!onRdtFirmware && !m_device.ReadInfoPage()) return FailOut();
  if (m_outputRdt) {
    if (!JudgeRdtResults()) return false;
  } else if (settings::ReadInt(settings::keys::SkipCheckSelfBurnInLog) == 1) {
    m_rdtJudged = true;
  }
  if (!ForceToBootCode()) return false;
  if (!LoadMpImageOnBootCode()) return false;
  if (m_outputRdt || m_rdtFirmwareSeen) {
    m_device.ReadRDTInfo(m_runInfo.data(), nullptr);
    TakeRunInfoCeMap();
  }
  SetCeMap(true);
  if (!ScanTimingWindow(true) || !CheckEFuseBeforeCut()) return false;
  if (!m_device.DoSDRWriteReadTest(m_task.m_pProgress, kStepProgressPoints, 0)) return FailOut();
  if (!SortBadBlockTable()) return false;
  ChooseEraseType();
  SetCeMap(true);
  return EraseFlash(kStepProgressPoints);
}

// The RDT results of a drive on the RDT firmware, stored as the "RDT" record of the
// run whether the judgement passed or not.
bool CMPFlow::JudgeRdtResults() {
  const std::uint8_t judged = m_device.ReadRDTLog({.saveCsv = settings::ReadInt(settings::keys::SaveRDTLog) == 1,
                                                   .progress = m_task.m_pProgress,
                                                   .progressSpan = kRdtJudgementProgressPoints,
                                                   .dramOnly = settings::ReadInt(settings::keys::OnlyDoDRAM) == 1,
                                                   .infoRecordOut = m_runInfo.data(),
                                                   .blockInfo = m_blockInfo.get(),
                                                   .ignoreBadBlockVerdict = true});
  StoreBlockInfo();
  if (!judged) return FailOut();
  m_rdtJudged = true;
  TakeRunInfoCeMap();
  return true;
}

// After an RDT judgement or information read: a drive that has a CE map in use takes the one
// of its run information.
void CMPFlow::TakeRunInfoCeMap() {
  m_haveRunInfoMap = false;
  if (m_device.m_CEMap == 0) return;
  const std::uint16_t map = CeBitMapOf(m_runInfo);
  m_device.m_CEMap = map;
  m_runInfoCeMap = map;
  m_haveRunInfoMap = true;
  m_device.WriteReportLine(platform::Format("Run Info CHCE Map : %X", map), CMPDevice::kPlainLine);
}

void CMPFlow::ReadRunInformation() {
  if (!m_device.ReadRDTInfo(m_runInfo.data(), nullptr)) {
    m_runInfo.fill(0);
    m_device.m_CEMap = 0;
    return;
  }
  const std::uint16_t map = CeBitMapOf(m_runInfo);
  m_device.m_CEMap = map;
  m_runInfoCeMap = map;
  if (map != 0) {
    m_haveRunInfoMap = true;
    m_device.WriteReportLine(platform::Format("Run Info CHCE Map : %X", map), CMPDevice::kPlainLine);
  }
}

// The CE map in use: the run information's when it has one, else the UI CE map; only when
// the UI map is set or (with readDynamicKey) AutoCapacity_DynamicCE_En asks for it.
void CMPFlow::SetCeMap(bool readDynamicKey) {
  const bool dynamic = readDynamicKey && settings::ReadInt(settings::keys::AutoCapacityDynamicCEEn) != 0;
  if (m_uiCeMap == 0 && !dynamic) return;
  std::uint8_t set = 0;
  if (m_runInfoCeMap != 0 && m_haveRunInfoMap) {
    m_device.m_CEMap = m_runInfoCeMap;
    set = m_device.SetCEMap(0, 1);
  } else {
    set = m_device.SetCEMap(m_uiCeMap, m_haveRunInfoMap ? 1 : 0);
  }
  if (!set && readDynamicKey) m_device.WriteReportLine("Set CE bitmap fail.", CMPDevice::kSuccessLine);
}

// The bad-block table sorted anew on the sort stations, without RDT information.
bool CMPFlow::SortBadBlockTable() {
  static constexpr std::array<std::uint8_t, CMPDevice::kRecordBytes> kNoRdtRecord{};
  return m_task.SortBadBlockTableOnSortStation(kNoRdtRecord.data(), m_statisticsText);
}

// The timing-window scan on burner versions from 0.6 on (or when asked), then the drive is
// restarted and given the MP firmware in RAM again.
bool CMPFlow::ScanTimingWindow(bool fromFlashCode) {
  if (settings::ReadInt(settings::keys::SkipScanWindowTest) != 0) return true;
  const std::string& burner = m_device.m_BurnerVersion;
  const std::string version =
      platform::Format("%c.%c", burner.size() > 0 ? burner[0] : '\0', burner.size() > 2 ? burner[2] : '\0');
  const bool supported = std::strcmp(version.c_str(), kWindowScanVersion) >= 0;
  if (!supported && settings::ReadInt(settings::keys::DoScanWindowTest) == 0) return true;

  if (!fromFlashCode && m_uiCeMap != 0) SetCeMap(false);
  if (!m_device.ScanWindow()) return FailOut();
  const bool testerMode = g_U2AMode == 0;
  if (testerMode && !m_device.ResetCardAndTesterPower(1, 0, m_task.m_DevSleepControl)) return FailOut();
  if ((!testerMode || fromFlashCode) && !ForceToBootCode()) return false;
  return LoadMpImageOnBootCode();
}

bool CMPFlow::ForceToBootCode() { return m_task.ForceDriveToBootCode() ? true : FailOut(); }

bool CMPFlow::LoadMpImageOnBootCode() {
  if (!m_device.ChkRC(CMPDevice::kRequireBootCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                      nullptr) ||
      !m_device.LoadPRAMCode(CMPDevice::kMpImage, "")) {
    return FailOut();
  }
  return true;
}

bool CMPFlow::CheckEFuseBeforeCut() {
  if (settings::ReadInt(settings::keys::SkipCheckEFuse) == 0 && !m_device.CheckEFuse(0, 0, 0, 0)) return FailOut();
  return true;
}

void CMPFlow::ChooseEraseType() {
  m_eraseType = GetPretestEraseType();
  if (m_eraseType == CMPDevice::kEraseAll) m_preformatRdtOption = 0;
  if (m_eraseType != CMPDevice::kEraseNone && m_eraseType != CMPDevice::kEraseKeepingRdtInfo) m_device.m_ScanStage = 0;
}

// The erase of the erase type (none for kEraseNone), the unique IDs read first when the engine
// keeps them.
bool CMPFlow::EraseFlash(int progressPoints) {
  if (m_eraseType == CMPDevice::kEraseNone) return true;
  if ((m_device.m_ReadUniqueIdFlag != 0 || m_device.m_KeepUniqueIdFlag != 0) && !m_device.ReadAllUniqueID()) {
    m_device.WriteReportLine("Read UID fail", CMPDevice::kPlainLine);
  }
  if (!m_device.DoEraseAllBlock(static_cast<std::uint8_t>(m_eraseType), 1, m_task.m_pProgress, progressPoints,
                                m_usePolling)) {
    return FailOut();
  }
  return true;
}

bool CMPFlow::ReadStatisticsText() {
  if (!ShowsBlockStatistics(m_slotLayout)) return true;
  std::array<std::uint8_t, CMPDevice::kRecordBytes> record{};
  if (!m_device.ReadRDTInfo(record.data(), nullptr)) return true;
  // Statistics of a table that could not be read would be made up: the drive fails with the
  // read's tag.
  const std::optional<std::string> statistics =
      m_device.FormatBlockStatistics(StatisticsItems(m_slotLayout), 0, nullptr, record.data());
  if (!statistics) {
    m_device.WriteFailReport();
    return false;
  }
  m_statisticsText = *statistics;
  return true;
}

void CMPFlow::StoreBlockInfo() { m_task.WriteBlockInfoToFile(*m_blockInfo); }

// The early-bad scan, stored as the "SCA1" record.
bool CMPFlow::FirstScan() {
  m_slotLayout = settings::ReadInt(settings::keys::SlotNumber);
  return ScanAndStore(1, kStepProgressPoints);
}

// Both scans: the statistics text of the RDT information first (8 and 16 slots), then the scan
// into a zeroed record, which is stored whether the scan passed or failed.
bool CMPFlow::ScanAndStore(std::uint8_t earlyBadScan, int progressPoints) {
  if (!ReadStatisticsText()) return FailOut();
  m_blockInfo->Clear();
  const std::uint8_t scanned =
      m_device.ScanBadBlock(earlyBadScan, 0, m_task.m_pProgress, progressPoints, 0, m_blockInfo.get(), 0);
  StoreBlockInfo();
  return scanned ? true : FailOut();
}

// The info block with the serial number of this run, one slot at a time.
bool CMPFlow::WriteInfoBlock() {
  platform::CriticalSectionGuard serialLock(m_task.PageLock(kLockSerialNumber));
  if (!m_device.ModifyInfoBlock(0, m_keepDeviceInfo, m_runInfo.data(), 1)) return FailOut();
  return true;
}

// The MP firmware into flash; a short run skips the checks of the programmed drive.
bool CMPFlow::ProgramFirmware() {
  m_shortRun = settings::ReadInt(settings::keys::Short) == 1 ? 1 : 0;
  if (!m_device.ProgramFlashFirmware(CMPDevice::kMpImage, m_shortRun)) return FailOut();
  return true;
}
