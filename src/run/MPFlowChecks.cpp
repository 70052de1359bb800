// The MP flow's end: the programmed drive restarted on its new firmware and checked (info
// block, thermal sensor, DEVSLP, write-read test, second scan "SCA2", eFuse cut, good-card
// mark, SMART, capacity, identity, stand-by), then the total time, the firmware type, the
// one-CE checks and the pass text.
#include <cstdlib>
#include <cstring>

#include "device/DevicePaths.h"
#include "device/DiskGeometry.h"
#include "engine/ErrorTags.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/CapacityUnits.h"
#include "run/FlowLimitSettings.h"
#include "run/MPFlow.h"
#include "run/PassText.h"

namespace {

constexpr std::uint32_t kRestartSettleMs = 1000;
constexpr std::uint32_t kEFuseSettleMs = 300;
constexpr std::uint32_t kReadyLimitSeconds = 20;
constexpr std::uint32_t kReadyAfterCutSeconds = 5;
constexpr int kCheckedProgress = 85;
constexpr int kTestedProgress = 90;
constexpr int kWriteReadProgressPoints = 5;
constexpr int kSecondScanProgressPoints = 5;
constexpr std::uint8_t kGoodMarkMp = 1;
constexpr std::uint8_t kGoodMarkMpAfterRdt = 3;

// Whether a Capacity text names an exact capacity (not empty, "default" or "MaxSize").
bool NamesExactCapacity(const std::string& text) { return !text.empty() && text != "default" && text != "MaxSize"; }

}  // namespace

bool CMPFlow::CheckProgrammedDrive() {
  if (!RestartOnNewFirmware()) return false;
  if (!m_device.PollDeviceStatus(kReadyLimitSeconds)) return FailOut();
  if (!m_device.CheckInfoBlock(0)) return FailOut();
  m_task.SetProgress(kCheckedProgress);
  if (settings::ReadInt(settings::keys::PutThermalSensor) == 1 && !m_device.CheckThermalSensor()) return FailOut();
  if (settings::ReadInt(settings::keys::DevslpEnable) == 1 && !m_device.CheckDEVSLP()) return FailOut();
  if (!WriteReadTest()) return false;
  m_task.SetProgress(kTestedProgress);
  if (settings::ReadInt(settings::keys::SkipMPScan) == 0 && !SecondScan()) return false;
  if (!CutEFuses()) return false;
  if (!m_device.WriteGoodCardMark(m_rdtJudged ? kGoodMarkMpAfterRdt : kGoodMarkMp)) return FailOut();
  if (!CheckSmart() || !CheckCapacity()) return false;
  return ReadIdentity();
}

// The drive restarts on the firmware just programmed: the endless test jumps to the
// boot entry, whose boot code starts the firmware on flash; otherwise the slot's power is
// cycled (tester mode) or the drive goes on as it runs (bridge mode).
bool CMPFlow::RestartOnNewFirmware() {
  if (settings::ReadInt(settings::keys::TestInFinity) != 0) {
    if (!m_device.JumpToBootAndWait(CMPDevice::kJumpToBootPauseMs)) {
      m_device.WriteFailReport();
      return FailOut();
    }
    platform::Sleep(kRestartSettleMs);
    return true;
  }
  if (g_U2AMode == 0 && !m_device.ResetCardAndTesterPower(1, 0, m_task.m_DevSleepControl)) return FailOut();
  return true;
}

// The copy-compare test, or the burn-in by percent or by capacity.
bool CMPFlow::WriteReadTest() {
  if (settings::ReadInt(settings::keys::BurnInEnable) == 0) {
    if (settings::ReadInt(settings::keys::SkipCopyCompare) != 0) return true;
    if (m_device.CopyCompareTestDMA(m_task.m_pProgress, kWriteReadProgressPoints)) return true;
    RecordWriteReadCurrent(false);
    return FailOut();
  }
  const CSlotTestTask::BurnInRun burnIn = m_task.RunWriteReadBurnIn(kWriteReadProgressPoints);
  if (burnIn.passed) return true;
  if (burnIn.testFailed) RecordWriteReadCurrent(burnIn.byCapacity && g_U2AMode != 0);
  return FailOut();
}

// The slot's maximum current after a failed write-read test, recorded once per test.
void CMPFlow::RecordWriteReadCurrent(bool onlyClearPending) {
  if (m_device.m_WRCurrentStatistics == 0 || m_device.m_WRCurrentPending == 0) return;
  if (!onlyClearPending) {
    double milliamps = 0;
    m_device.ReadMaxCurrent(milliamps, 0);
    m_device.m_WRCurrentText = platform::Format("%.2f", milliamps);
  }
  m_device.m_WRCurrentPending = 0;
}

// The full scan, stored as the "SCA2" record.
bool CMPFlow::SecondScan() { return ScanAndStore(0, kSecondScanProgressPoints); }

// The UART and JTAG eFuses cut when asked (never the AES eFuse), then checked.
bool CMPFlow::CutEFuses() {
  if (settings::ReadInt(settings::keys::CutEFuse) != 1) return true;
  const std::uint8_t uart = settings::ReadInt(settings::keys::CutUART) != 0 ? 1 : 0;
  const std::uint8_t jtag = settings::ReadInt(settings::keys::CutJTAG) != 0 ? 1 : 0;
  if (!m_device.CutEFuse(uart, jtag, 0)) return FailOut();
  if (g_U2AMode == 0 && !m_device.ResetCardAndTesterPower(1, 0, m_task.m_DevSleepControl)) return FailOut();
  platform::Sleep(kEFuseSettleMs);
  if (!m_device.PollDeviceStatus(kReadyAfterCutSeconds) || !m_device.CheckEFuse(1, 0, uart, jtag)) return FailOut();
  return true;
}

// The drive's SMART return status, then its SMART data reset when the settings ask for it.
bool CMPFlow::CheckSmart() {
  if (!m_device.CheckSmartReturnStatus()) return FailOut();
  if (settings::ReadInt(settings::keys::AfterMpDoResetSMART) != 0 && !m_device.ResetSmart()) return FailOut();
  return true;
}

// The drive's size against the range and the exact capacity of the settings.
bool CMPFlow::CheckCapacity() {
  DiskGeometryEx geometry{};
  // Asked of the disk the slot bound, whatever a listing has put in its place since.
  GetDiskGeometryEx(*m_device.m_DeviceCommand, &geometry);
  m_sizeMB = CapacityMBOfSectors(m_device.m_IdentifiedSectors);
  if (m_sizeMB == 0)
    m_sizeMB = CapacityMBOfBytes(static_cast<std::uint64_t>(std::max<std::int64_t>(geometry.diskSize, 0)));

  const std::optional<float> percent = SizePercentFactor(settings::ReadText(settings::keys::SSDSizePercent, 20));
  const auto scaled = [&](std::int64_t megabytes) {
    return percent ? ApplySizePercent(megabytes, *percent) : megabytes;
  };
  // The range the drive's size is judged against is read strictly: garbage would drop it.
  const CapacityRangeSettings range = ReadCapacityRangeSettings();
  if (!range.problem.empty()) {
    m_task.SetFlowFailure(engine::kLimitSettingTag, range.problem);
    return FailOut();
  }
  const int maxGB = range.maxGb;
  const int minGB = range.minGb;
  if (maxGB > 0 && maxGB >= minGB) {
    const std::int64_t maxMB = scaled(CapacityMBOfGB(maxGB));
    const std::int64_t minMB = scaled(CapacityMBOfGB(minGB));
    if (m_sizeMB > maxMB || m_sizeMB < minMB) {
      m_task.SetFlowFailure("M_T54", platform::Format("Capacity is not match!!(size:%lld, max:%lld, min%lld)",
                                                      static_cast<long long>(m_sizeMB), static_cast<long long>(maxMB),
                                                      static_cast<long long>(minMB)));
      return FailOut();
    }
  }

  if (settings::ReadInt(settings::keys::AutoCapacityEnable) != 0) return true;
  const std::string capacity = platform::Trim(settings::ReadText(settings::keys::Capacity, 40));
  if (!NamesExactCapacity(capacity)) return true;
  const std::int64_t expectedMB = scaled(CapacityMBOfGB(platform::ParseLeadingInt(capacity)));
  if (expectedMB != m_sizeMB) {
    m_task.SetFlowFailure(
        "M_T54", platform::Format("Capacity is not match!!(size:%lld, Cap:%lld)", static_cast<long long>(m_sizeMB),
                                  static_cast<long long>(expectedMB)));
    return FailOut();
  }
  return true;
}

// The model and serial texts of the pass text, then the drive goes to stand-by.
bool CMPFlow::ReadIdentity() {
  m_identify.fill(0);
  if (!m_device.ReadFirmwareName(m_identify.data(), g_U2AMode)) {
    m_device.WriteFailReport();  // the identify step sets its tag without a fail record
    return FailOut();
  }
  const int layout = settings::ReadInt(settings::keys::SlotNumber);
  m_modelText = PassModelText(m_identify, layout);
  m_serialText = PassSerialText(m_identify);
  if (!m_device.StandByImmediate()) return FailOut();
  return true;
}

// The firmware's bin type against the parameter file, and the plane modes
// a one-CE drive cannot run.
bool CMPFlow::CheckFirmwareType() { return m_task.CheckFirmwareBinType(false) ? true : FailOutWithoutSerial(); }

// The end: the total time, the firmware type and the pass text with the drive's capacity,
// model, serial number, statistics and window-scan texts.
std::uint8_t CMPFlow::Pass() {
  m_task.WriteTotalTimeLine("MP PreTest Process", m_startMs);
  if (!CheckFirmwareType()) return 0;

  PassTextFields fields;
  fields.shortRun = m_shortRun != 0;
  if (!fields.shortRun) {
    const bool autoCapacity = settings::ReadInt(settings::keys::AutoCapacityEnable) != 0;
    const std::int64_t selected = m_device.GetSelectedCapacity();
    const std::string setSizeText = platform::Trim(settings::ReadText(settings::keys::SetSSDSize, 20));
    const std::int64_t setSize = setSizeText.empty() || setSizeText == "0"
                                     ? static_cast<std::int64_t>(m_device.GetCapacity())
                                     : TruncatedSizeOfText(setSizeText);
    const std::int64_t shown = autoCapacity && selected != 0 ? selected : setSize;
    fields.reduced = autoCapacity && selected != 0 && selected < setSize;
    fields.capacityText = PassCapacityText(m_sizeMB, settings::ReadInt(settings::keys::SlotNumber), shown);
    fields.modelText = m_modelText;
    fields.serialText = m_serialText;
    fields.statisticsText = m_statisticsText;
  }
  fields.windowScanText = m_device.m_WindowScanText;
  fields.firstScanSlotLayout = m_slotLayout;
  return m_task.PassOut(BuildPassText(fields), {m_modelText, m_serialText});
}
