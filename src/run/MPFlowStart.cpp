// The MP flow's start: settings snapshot, serial number under lock 2, IO state, controller
// and flash identification, running code and the RDT probe; and the flow's frame (the loop
// of the endless test, the endings with the run's statistics text).
#include <cstring>

#include "device/DevicePaths.h"
#include "device/StationHelpers.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/FlowDriveFacts.h"
#include "run/MPFlow.h"

std::uint8_t CSlotTestTask::RunMPFlow() {
  if (!m_pDevice) return 0;
  CMPFlow flow(*this);
  return flow.Run();
}

CMPFlow::CMPFlow(CSlotTestTask& task)
    : m_task(task), m_device(*task.m_pDevice), m_blockInfo(std::make_unique<BlockInfoRecord>()) {}

std::uint8_t CMPFlow::Run() {
  if (!Start()) return 0;
  // The endless test comes back to the running-code check with the working state unchanged,
  // until a step fails.
  for (;;) {
    if (!CheckRunningCode() || !Prepare()) return 0;
    if (!m_shortRun && !CheckProgrammedDrive()) return 0;
    if (settings::ReadInt(settings::keys::TestInFinity) == 0) break;
  }
  return Pass();
}

bool CMPFlow::FailOut() {
  m_task.FailOutWithSerial(m_statisticsText);
  return false;
}

bool CMPFlow::FailOutWithoutSerial() {
  m_task.FailOut();
  return false;
}

bool CMPFlow::Start() {
  // The records of the run, the snapshot of the settings.
  m_runInfo.fill(0);
  m_blockInfo->Clear();
  m_usePolling = settings::ReadInt(settings::keys::UsePolling) == 1 ? 1 : 0;
  m_eraseType = GetPretestEraseType();
  m_startMs = platform::TickCountMs();
  m_device.WriteReportLine("START", CMPDevice::kSuccessLine);
  m_device.WriteReportSettings();

  if (!HandOutSerialNumber()) return false;

  // The settings of the run: whether the drive keeps its device information, the UI CE map.
  m_keepDeviceInfo = settings::ReadInt(settings::keys::KeepDeviceInfo) == 1 ? 1 : 0;
  const std::string mapText = platform::Trim(settings::ReadText(settings::keys::CHCEMap, 10));
  if (!mapText.empty()) {
    m_uiCeMap = static_cast<std::uint16_t>(ParseCeMapText(mapText));
    m_device.WriteReportLine(platform::Format("UI CHCE Map : %X", m_uiCeMap), CMPDevice::kPlainLine);
  }
  m_task.SetProgress(CSlotTestTask::kProgressStarted);

  // The drive in the slot (tester mode only).
  if (g_U2AMode == 0 && !m_device.CheckIOState(kTaskInit)) {
    if (CSlotTestTask::IsNoDriveTag(m_device.m_ErrorTag)) {
      m_task.NoDriveOut(1);
      return false;
    }
    return FailOut();
  }
  return IdentifyDrive();
}

// All under lock 2: one slot at a time detects its running code for KeepSN, checks
// the bin type and takes the next serial number.
bool CMPFlow::HandOutSerialNumber() {
  platform::CriticalSectionGuard serialLock(m_task.PageLock(kLockSerialNumber));
  if (settings::ReadInt(settings::keys::KeepSN) != 0) {
    m_newSerialNeeded = false;
    m_identify.fill(0);
    if (!m_device.ChkRC(CMPDevice::kRequireAnyCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                        m_identify.data())) {
      m_task.StatusOnlyFail();
      return false;
    }
    // Identify data come only from a drive on code from flash that is not the RDT firmware;
    // a blank or NUL-filled serial number is no serial to keep either.
    const std::string serial =
        m_identify[0] != 0
            ? platform::Trim(IdentifyWordsText(m_identify, kIdentifySerialFirstWord, kIdentifySerialWords))
            : std::string();
    if (serial.empty()) {
      m_newSerialNeeded = true;
    } else {
      m_device.WriteReportLine("Keep SN is Enable", CMPDevice::kPlainLine);
      m_device.m_SerialNumber = serial;
      m_device.m_SerialCounterText = serial;
      m_device.WriteReportLine(platform::Format("Serial Number write to infoblock: %s", serial.c_str()),
                               CMPDevice::kPlainLine);
    }
  }

  const bool skipBinClassCheck = settings::ReadInt(settings::keys::SkipCheckINIBinClass) != 0;
  if (!m_device.CheckBinType(0)) {
    m_device.m_ErrorTag = "S_x30";
    if (skipBinClassCheck) {
      m_device.WriteReportLine("INI class & Bintype Fail !!", CMPDevice::kPlainLine);
    } else {
      m_task.SetFlowFailure("S_x30", "INI class & Bintype Fail !!");
      return FailOut();
    }
  }

  if (m_newSerialNeeded && !m_device.ModifyInfoBlock(1, 0, nullptr, 0)) {
    m_task.StatusOnlyFail();
    return false;
  }
  return true;
}

// The controller and the flash chips.
bool CMPFlow::IdentifyDrive() {
  m_task.SetProgress(CSlotTestTask::kProgressStarted);
  if (!m_task.ControllerIsSupported()) return FailOut();
  m_task.CountFlashChips();
  return true;
}

// The running code: the volumes of a drive on code from flash locked, the flash IDs of one
// on boot code checked, and the RDT probe of a drive on the RDT firmware. The endless test
// comes back here.
bool CMPFlow::CheckRunningCode() {
  if (!m_device.ChkRC(CMPDevice::kRequireAnyCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                      nullptr)) {
    return FailOut();
  }
  if (m_device.m_RunOnFlashCode) {
    // The endless test finds the volumes still locked from its previous round: the handle
    // held is kept rather than opened a second time.
    if (m_task.m_VolumesLocked != 0 && m_device.m_VolumeLock && m_device.m_VolumeLock->IsHeld()) {
      m_device.WriteReportLine("Drive Letter are Locked.", CMPDevice::kPlainLine);
    } else {
      m_task.LockDriveVolumes();
    }
    m_rdtFirmwareSeen = m_device.m_RunRDTFirmware != 0;
    if (m_device.m_RunRDTFirmware) {
      m_outputRdt = true;
      m_device.WriteReportLine("ROM mode - RDTFW, Should output RDT result", CMPDevice::kPlainLine);
    } else {
      m_device.WriteReportLine("ROM mode", CMPDevice::kPlainLine);
    }
    if (m_task.m_StationMode == kStationEraseMP) {
      m_rdtFirmwareSeen = false;
      m_outputRdt = false;
    }
  } else if (m_device.m_RunOnBootCode) {
    m_device.WriteReportLine("Boot mode", CMPDevice::kPlainLine);
    if (!m_task.CheckBootCodeFlashId()) return FailOutWithoutSerial();
  }

  if (m_keepDeviceInfo && !m_device.m_RunOnFlashCode) {
    m_task.SetFlowFailure("S_T20", "Keep_Device_Info must running on Normal Code.");
    return FailOut();
  }

  if (m_outputRdt) {
    const bool saveCsv = settings::ReadInt(settings::keys::SaveRDTLog) == 1;
    if (!m_device.ReadRDTLog({.saveCsv = saveCsv, .progress = m_task.m_pProgress, .probe = true})) return FailOut();
  }
  return true;
}
