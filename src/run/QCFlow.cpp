// The flow of the QC station (QC, FQC): a drive that carries its production firmware on flash
// is checked end to end: presence (the tester's IO state, or behind the bridge the serial
// number against the bar code), controller, running code, firmware on flash, eFuses, device
// information, thermal sensor, the info block rewritten with the RDT information, DEVSLP, a
// write-read test, an optional security erase, a bad-block scan, the QC good-card mark, SMART
// and stand-by.
#include <array>
#include <cstring>

#include "device/DevicePaths.h"
#include "device/records/InfoBlock.h"
#include "engine/MPDevice.h"
#include "engine/firmware/InfoBlockBuilder.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/SlotTestTask.h"

namespace {

// Progress points of the flow.
constexpr int kProgressDriveFound = 10;
constexpr int kProgressInfoBlockWritten = 15;
constexpr int kProgressInfoBlockChecked = 30;
constexpr int kProgressWriteReadTested = 70;
constexpr int kProgressScanned = 95;

constexpr std::uint8_t kQcStage = 2;
constexpr std::uint32_t kAfterWriteReadMs = 300;
constexpr int kWriteReadPoints = 40;
constexpr int kScanPoints = 15;
// The form factor whose drives get a security erase at QC (compared on its 13 characters).
constexpr std::string_view kSecurityEraseSize = "BGA_NAND_uSSD";

// The serial number in the drive's own info block; empty when the block has no mark or no
// serial number.
std::string InfoBlockSerial(const std::array<std::uint8_t, CMPDevice::kInfoBlockImageBytes>& block) {
  if (!engine::firmware::HasInfoBlockMark(block.data())) return {};
  InfoBlockRecord record;
  std::memcpy(&record, block.data(), sizeof(record));
  char text[20];
  record.serialNumber.CopyTo(text);
  return platform::Trim(std::string(text, strnlen(text, sizeof(text))));
}

bool AsksSecurityErase() {
  const std::string size = platform::Trim(settings::ReadText(settings::keys::SSDSize, 20));
  return size.size() >= kSecurityEraseSize.size() &&
         platform::EqualsNoCase(std::string_view(size).substr(0, kSecurityEraseSize.size()), kSecurityEraseSize) &&
         settings::ReadInt(settings::keys::SkipSecurityEraseQC) == 0 &&
         settings::ReadInt(settings::keys::SkipBuildFAT) != 0;
}

}  // namespace

std::uint8_t CSlotTestTask::RunQCFlow() {
  if (!m_pDevice) return 0;
  CMPDevice& device = *m_pDevice;
  const std::uint64_t start = platform::TickCountMs();
  device.WriteReportLine("START", CMPDevice::kSuccessLine);
  SetProgress(kProgressStarted);

  if (g_U2AMode != 0) {
    if (!device.CheckSerialNumber(0, 1)) return StatusOnlyFail();
  } else if (!device.CheckIOState(kTaskQC)) {
    return IsNoDriveTag(device.m_ErrorTag) ? NoDriveOut(0) : StatusOnlyFail();
  }

  SetProgress(kProgressDriveFound);
  const bool checkInfoBlock = settings::ReadInt(settings::keys::SkipGoodMarkCheck) == 0;
  if (!ControllerIsSupported()) return StatusOnlyFail();
  if (!device.ChkRC(CMPDevice::kRequireFlashCode, CMPDevice::kCheckVersions, CMPDevice::kWriteFailRecord, "",
                    nullptr)) {
    return StatusOnlyFail();
  }
  if (!device.VerifyFlashFirmware()) return StatusOnlyFail();
  if (settings::ReadInt(settings::keys::SkipCheckEFuse) == 0 && !device.CheckEFuse(0, 1, 0, 0)) {
    return StatusOnlyFail();
  }
  if (!device.VerifyDeviceInfo(kTaskQC, checkInfoBlock ? 1 : 0, nullptr)) return StatusOnlyFail();
  if (settings::ReadInt(settings::keys::PutThermalSensor) == 1 && !device.CheckThermalSensor()) {
    return StatusOnlyFail();
  }
  if (!RewriteQCInfoBlock()) return 0;

  SetProgress(kProgressInfoBlockWritten);
  if (!device.CheckInfoBlock(0)) return StatusOnlyFail();
  if (settings::ReadInt(settings::keys::DevslpEnable) == 1 && !device.CheckDEVSLP()) return StatusOnlyFail();

  SetProgress(kProgressInfoBlockChecked);
  if (settings::ReadInt(settings::keys::BurnInEnable) == 0) {
    if (!device.CopyCompareTestPIO(m_pProgress, kWriteReadPoints)) return StatusOnlyFail();
  } else if (!RunWriteReadBurnIn(kWriteReadPoints).passed) {
    return StatusOnlyFail();
  }
  platform::Sleep(kAfterWriteReadMs);
  if (AsksSecurityErase() && !device.DoSecurityErase()) return StatusOnlyFail();

  SetProgress(kProgressWriteReadTested);
  const std::uint8_t scanMode = settings::ReadInt(settings::keys::SaveBadBlockLog) == 1 ? 0 : 2;
  if (!device.ScanBadBlock(0, scanMode, m_pProgress, kScanPoints, 0, nullptr, 0)) return StatusOnlyFail();
  SetProgress(kProgressScanned);
  if (!device.WriteGoodCardMark(kQcStage)) return StatusOnlyFail();
  if (!device.CheckSmartReturnStatus()) return StatusOnlyFail();
  if (settings::ReadInt(settings::keys::DoResetSMART) != 0 && !device.ResetSmart()) return StatusOnlyFail();
  if (!device.StandByImmediate()) return StatusOnlyFail();

  WriteTotalTimeLine("QC Process", start);
  return PassOut("Pass");
}

// The info block rewritten with the drive's RDT information, one slot at a time. A drive
// without RDT information gets a block with an empty record. The block keeps the drive's
// identity; when its own block names no serial number, IDENTIFY's serial number goes into it:
// a block is never written without one.
bool CSlotTestTask::RewriteQCInfoBlock() {
  CMPDevice& device = *m_pDevice;
  platform::CriticalSectionGuard serialLock(PageLock(kLockSerialNumber));
  std::array<std::uint8_t, CMPDevice::kRecordBytes> rdtInfo{};
  if (!device.ReadRDTInfo(rdtInfo.data(), nullptr)) rdtInfo.fill(0);

  if (device.m_SerialNumber.empty()) {
    std::array<std::uint8_t, CMPDevice::kInfoBlockImageBytes> block{};
    const std::string tag = device.m_ErrorTag;
    const std::string message = device.m_ErrorMessage;
    const bool blockRead = device.ReadInfoBlock(block.data()) != 0;
    device.m_ErrorTag = tag;  // an unreadable block is judged by the rewrite itself
    device.m_ErrorMessage = message;
    if (!blockRead || InfoBlockSerial(block).empty()) {
      if (device.m_DriveSerial.empty()) {
        SetFlowFailure("S_x40", "No Serial Number for Info Block.");
        StatusOnlyFail();
        return false;
      }
      device.m_SerialNumber = device.m_DriveSerial;
      device.WriteReportLine(platform::Format("Serial Number write to infoblock: %s", device.m_SerialNumber.c_str()),
                             CMPDevice::kPlainLine);
    }
  }
  if (!device.ModifyInfoBlock(0, 0, rdtInfo.data(), 1)) {
    StatusOnlyFail();
    return false;
  }
  return true;
}
