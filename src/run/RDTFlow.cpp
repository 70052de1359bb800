// The RDT pretest flow: from the settings snapshot and the serial number through the running
// code, the preparation in burner code, the DRAM test, the optional scan, the preformat and the
// RDT firmware in flash to the capacity and bin-type checks and "Pass".
#include "run/RDTFlow.h"

#include <cstdlib>

#include "device/DevicePaths.h"
#include "device/StationHelpers.h"
#include "device/records/InfoBlock.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/FlowDriveFacts.h"

namespace {

constexpr std::uint8_t kRdtBinClass = 1;
// The even-loop rule of an RDT that cycles SLC blocks only.
constexpr std::uint8_t kSlcCycleRule = 4;
constexpr int kProgressChecked = 10;
constexpr int kProgressPrepared = 20;
constexpr int kProgressInBurnerCode = 35;
constexpr int kProgressProgrammed = 95;
constexpr int kDramTestPoints = 15;
constexpr int kScanPoints = 15;
constexpr int kErasePoints = 10;
constexpr int kPreformatPoints = 5;

bool NamesExactCapacity(const std::string& text) { return !text.empty() && text != "default" && text != "MaxSize"; }

}  // namespace

std::uint8_t CSlotTestTask::RunRDTFlow() {
  if (!m_pDevice) return 0;
  CRDTFlow flow(*this);
  return flow.Run();
}

CRDTFlow::CRDTFlow(CSlotTestTask& task)
    : m_task(task), m_device(*task.m_pDevice), m_blockInfo(std::make_unique<BlockInfoRecord>()) {}

std::uint8_t CRDTFlow::Run() {
  if (!Start() || !CheckDrive() || !Prepare() || !TestDramAndScan() || !PreformatAndProgram() || !CheckCapacity()) {
    return 0;
  }
  return Pass();
}

bool CRDTFlow::FailOut() {
  m_task.FailOut();
  return false;
}

// The records of the run, the bin class, the settings of the run and the serial
// number.
bool CRDTFlow::Start() {
  m_device.m_SLCCycleRDT = 0;
  m_blockInfo->Clear();
  m_usePolling = settings::ReadInt(settings::keys::UsePolling) == 1 ? 1 : 0;
  m_startMs = platform::TickCountMs();
  m_device.WriteReportLine("START", CMPDevice::kSuccessLine);
  m_device.WriteReportSettings();
  if (!CheckBinClass()) return false;

  m_programRamImage = settings::ReadInt(settings::keys::RDTUseMPBin) == 1 ? CMPDevice::kMpImage : CMPDevice::kRdtImage;
  const std::string mapText = platform::Trim(settings::ReadText(settings::keys::CHCEMap, 10));
  if (!mapText.empty()) {
    m_uiCeMap = static_cast<std::uint16_t>(ParseCeMapText(mapText));
    m_device.WriteReportLine(platform::Format("UI CHCE Map : %X", m_uiCeMap), CMPDevice::kPlainLine);
  }
  return HandOutSerialNumber();
}

// The flash database's bin class of the flash against the RDT bin type.
bool CRDTFlow::CheckBinClass() {
  const bool onlyReport = settings::ReadInt(settings::keys::SkipCheckINIBinClass) != 0;
  if (m_device.CheckBinType(kRdtBinClass)) return true;
  m_device.m_ErrorTag = "S_x30";
  m_task.m_ErrorTag = m_device.m_ErrorTag;
  if (!onlyReport) {
    m_task.SetFlowFailure("S_x30", "INI class & Bintype Fail !!");
    return FailOut();
  }
  m_device.WriteReportLine("INI class & Bintype Fail !!", CMPDevice::kPlainLine);
  return true;
}

// One slot at a time takes the next serial number; the preformat writes it into the
// info block.
bool CRDTFlow::HandOutSerialNumber() {
  std::uint8_t handedOut = 0;
  {
    platform::CriticalSectionGuard serialLock(m_task.PageLock(kLockSerialNumber));
    handedOut = m_device.ModifyInfoBlock(1, 0, nullptr, 0);
  }
  return handedOut ? true : FailOut();
}

// The drive in the slot, the controller, the running code and the flash chips.
bool CRDTFlow::CheckDrive() {
  m_task.SetProgress(CSlotTestTask::kProgressStarted);
  if (g_U2AMode == 0 && !m_device.CheckIOState(kTaskInit)) {
    if (CSlotTestTask::IsNoDriveTag(m_device.m_ErrorTag)) {
      m_task.NoDriveOut(0);
      return false;
    }
    return FailOut();
  }
  if (!m_task.ControllerIsSupported()) return FailOut();
  if (!m_device.ChkRC(CMPDevice::kRequireAnyCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                      nullptr)) {
    return FailOut();
  }
  if (!m_task.NoteRunningCode()) return FailOut();
  m_task.SetProgress(kProgressChecked);
  m_task.CountFlashChips();
  return true;
}

// The drive prepared from the code it came in on; every way ends with the controller on
// burner code.
bool CRDTFlow::Prepare() {
  const bool onBurnerCode = m_device.m_RunOnBurnerCode != 0;
  const bool onBootCode = m_device.m_RunOnBootCode != 0;
  const bool onFlashCode = m_device.m_RunOnFlashCode != 0;
  if (onBurnerCode && !PrepareOnBurnerCode()) return false;
  if (onBootCode && (!LoadProgramRam() || !PrepareOnBurnerCode())) return false;
  if (!m_device.VerifyDeviceInfo(kTaskInit, 0, nullptr)) return FailOut();
  m_task.SetProgress(kProgressPrepared);
  if (onFlashCode && !PrepareOnFlashCode()) return false;
  if (!m_device.ChkRC(CMPDevice::kRequireBurnerCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                      nullptr)) {
    return FailOut();
  }
  m_task.SetProgress(kProgressInBurnerCode);
  return true;
}

bool CRDTFlow::LoadProgramRam() { return m_device.LoadPRAMCode(m_programRamImage, "") ? true : FailOut(); }

// A drive on burner code (a drive on boot code once it has its program-RAM image): the RDT
// information of the earlier run (ReRDT), the sort, the erase.
bool CRDTFlow::PrepareOnBurnerCode() {
  ReadRunInformation();
  if (!m_task.SortBadBlockTableOnSortStation(m_rdtInfo.data(), "")) return false;
  if (!Erase(false)) return false;
  m_keepRdt = m_task.m_StationMode == kStationReRDT ? 1 : 0;
  return true;
}

// A drive on code from flash: forced to its boot code and given its program-RAM image, then
// the RDT information of the earlier run, the sort and the erase, and a restart into burner
// code.
bool CRDTFlow::PrepareOnFlashCode() {
  if (!m_task.ForceDriveToBootCode()) return FailOut();
  if (!m_device.ChkRC(CMPDevice::kRequireBootCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                      nullptr)) {
    return FailOut();
  }
  if (!LoadProgramRam()) return false;
  ReadRunInformation();
  if (!m_task.SortBadBlockTableOnSortStation(m_rdtInfo.data(), "")) return false;
  if (!Erase(true)) return false;
  return RestartIntoBurnerCode();
}

// At the ReRDT station the RDT information of the earlier run carries its CE map and flags
// into the preformat; a drive without one runs on with them cleared.
void CRDTFlow::ReadRunInformation() {
  m_rdtInfo.fill(0);
  if (m_task.m_StationMode != kStationReRDT) return;
  if (!m_device.ReadRDTInfo(m_rdtInfo.data(), nullptr)) {
    m_rdtInfo.fill(0);
    m_device.m_RunInfoCEMap = 0;
    m_device.m_RDTTwoPass = 0;
    m_device.m_RDTInfoValid = 0;
    m_runInfoCeMap = 0;
    return;
  }
  MpInfo info;
  ReadRecord(m_rdtInfo, info);
  m_device.m_RDTTwoPass = (info.runFlags.Get() & kRunFlagTwoPassProgram) != 0 ? 1 : 0;
  m_device.m_RDTInfoValid = 1;
  m_runInfoCeMap = static_cast<std::uint16_t>(info.ceBitMap.Get());
  m_device.m_RunInfoCEMap = m_runInfoCeMap;
  if (m_runInfoCeMap != 0) {
    m_device.WriteReportLine(platform::Format("Run Info CHCE Map : %X", m_runInfoCeMap), CMPDevice::kPlainLine);
  }
  if ((info.loopRules & 0x0F) == kSlcCycleRule) m_device.m_SLCCycleRDT = 1;
}

// The erase of the pretest's erase type; kEraseAll forgets the run information's CE map.
bool CRDTFlow::Erase(bool fromFlashCode) {
  int eraseType = GetPretestEraseType();
  if (fromFlashCode) {
    if (eraseType == CMPDevice::kEraseAll) m_keepRdt = 0;
    if (eraseType != CMPDevice::kEraseNone && eraseType != CMPDevice::kEraseKeepingRdtInfo) m_device.m_ScanStage = 0;
  }
  if (settings::ReadInt(settings::keys::SkipCEMapAtEraseAll) == 0) {
    if (eraseType == CMPDevice::kEraseAll) m_runInfoCeMap = 0;
    SetCeMap();
  }
  // An RDT that cycles SLC blocks needs its flash as it left it.
  if (m_device.m_SLCCycleRDT) eraseType = CMPDevice::kEraseForSlcCycleRdt;
  if (!m_device.DoEraseAllBlock(static_cast<std::uint8_t>(eraseType), 1, m_task.m_pProgress, kErasePoints,
                                m_usePolling)) {
    return FailOut();
  }
  return true;
}

// The CE map of the run information, else the UI CE map, else none.
void CRDTFlow::SetCeMap() {
  if (m_runInfoCeMap != 0) {
    m_device.SetCEMap(m_runInfoCeMap, 0);
  } else if (m_uiCeMap != 0) {
    m_device.SetCEMap(m_uiCeMap, 0);
  }
}

// The erased drive back on burner code: a power cycle and the BIN again (tester mode), or the
// force to boot code and the BIN (bridge mode).
bool CRDTFlow::RestartIntoBurnerCode() {
  if (g_U2AMode == 0) {
    if (!m_device.ResetCardAndTesterPower(1, 0, m_task.m_DevSleepControl)) {
      // The slot shows the failure in this flow's phase; the reset wrote the drive's only fail
      // record, under the tag it set.
      m_task.TurnErrorTagPhase('I');
      return FailOut();
    }
    if (!m_device.ChkRC(CMPDevice::kRequireBootCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                        nullptr)) {
      return FailOut();
    }
    return LoadProgramRam();
  }
  if (!m_task.ForceDriveToBootCode()) return FailOut();
  return LoadProgramRam();
}

// The controller's DRAM, then the early-bad scan (its record stored whatever
// its verdict) or the check of the first blocks of each CE.
bool CRDTFlow::TestDramAndScan() {
  if (!m_device.DoSDRWriteReadTest(m_task.m_pProgress, kDramTestPoints, 0)) return FailOut();
  // Without the key the pretest does not scan.
  const settings::Key& skipScan = settings::keys::SkipRDTScan;
  if (platform::ReadProfileInt(skipScan.file, skipScan.section, skipScan.name, 1) == 0) {
    SetCeMap();
    m_blockInfo->Clear();
    const std::uint8_t scanned = m_device.ScanBadBlock(1, 0, m_task.m_pProgress, kScanPoints, 0, m_blockInfo.get(), 0);
    m_task.WriteBlockInfoToFile(*m_blockInfo);
    return scanned ? true : FailOut();
  }
  if (settings::ReadInt(settings::keys::ChkFirst4Blk) == 1) {
    SetCeMap();
    if (!m_device.CheckFirst4Blocks(0)) return FailOut();
  }
  return true;
}

// The preformat with the RDT parameters and the CE map in use, then the RDT
// firmware into flash.
bool CRDTFlow::PreformatAndProgram() {
  const std::uint16_t ceMap = m_runInfoCeMap != 0 ? m_runInfoCeMap : m_uiCeMap;
  m_device.ReadSystemInfo();
  if (!m_device.PreFormat(0, m_task.m_pProgress, kPreformatPoints, m_keepRdt, m_usePolling, ceMap)) return FailOut();
  m_shortRun = settings::ReadInt(settings::keys::Short) == 1 ? 1 : 0;
  if (!m_device.ProgramFlashFirmware(CMPDevice::kRdtImage, m_shortRun)) return FailOut();
  return true;
}

// The capacity setting must fit the flash (CEs x capacity of one CE, in MB, as GB).
bool CRDTFlow::CheckCapacity() {
  if (settings::ReadInt(settings::keys::AutoCapacityEnable) != 0) return true;
  const std::string capacity = platform::Trim(settings::ReadText(settings::keys::Capacity, 40));
  if (!NamesExactCapacity(capacity)) return true;
  // A text that is no number counts as 0; a negative size never fits.
  const long long size = std::strtoll(capacity.c_str(), nullptr, 10);
  // The capacity of one CE is given in MB.
  const auto single =
      static_cast<std::uint32_t>(std::atoi(settings::ReadText(settings::keys::FlhSingleCECapacity, 40).c_str()));
  const auto limit = static_cast<long long>((std::uint64_t{m_device.m_CECount} * single) >> 10);
  if (size < 0 || size > limit) {
    m_task.SetFlowFailure("M_T54", platform::Format("Capacity is not match!!(size:%lld, max:%lld)", size, limit));
    return FailOut();
  }
  return true;
}

// The end: the total time, the running firmware's bin type and the pass text.
std::uint8_t CRDTFlow::Pass() {
  m_task.SetProgress(kProgressProgrammed);
  m_task.WriteTotalTimeLine("RDT PreTest OK,", m_startMs);
  if (!m_task.CheckFirmwareBinType(true)) return m_task.FailOut();
  return m_task.PassOut(m_shortRun ? "Pass*Short*Enabled" : "Pass");
}
