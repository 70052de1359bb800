// The serial number (MakeSerialNumber) and the drive's info block (ModifyInfoBlock).
#include <array>
#include <cstring>

#include "engine/MPDevice.h"
#include "engine/firmware/InfoBlockBuilder.h"
#include "engine/firmware/SerialNumbers.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace fw = engine::firmware;

namespace {

constexpr char kTagSerialNumber[] = "S_x40";
constexpr char kTagInfoBlockSize[] = "S_x41";
constexpr char kTagInfoBlockMark[] = "I_x46";
constexpr char kTagInfoBlockWrite[] = "I_x47";

}  // namespace

std::uint8_t CMPDevice::MakeSerialNumber() {
  const fw::SerialHandOut handOut = fw::HandOutSerialNumber(m_SlotNumber, m_LogFolder);
  if (!handOut.ok) return FailWithRecord(kTagSerialNumber, handOut.message);
  m_SerialNumber = handOut.serial;
  m_SerialCounterText = handOut.serial;
  WriteReportLine(platform::Format("Serial Number : %s", handOut.serial.c_str()), kPlainLine);
  return 1;
}

std::uint8_t CMPDevice::ModifyInfoBlock(std::uint8_t serialOnly, std::uint8_t keepDeviceInfo,
                                        const std::uint8_t* runInfo64, std::uint8_t temperatureLog) {
  if (serialOnly != 0) return MakeSerialNumber();
  std::array<std::uint8_t, kInfoBlockImageBytes> block{};
  bool tookRunInfo = false;
  if (BuildDriveInfoBlock(keepDeviceInfo != 0, runInfo64, temperatureLog != 0, block, tookRunInfo) == 0) return 0;
  WriteReportLine(tookRunInfo ? "InfoBlock Get Temperature log 64 bytes" : "InfoBlock Reset Temperature log 64 bytes",
                  kPlainLine);
  return WriteInfoBlockImage(block);
}

std::uint8_t CMPDevice::BuildDriveInfoBlock(bool keepDeviceInfo, const std::uint8_t* runInfo64, bool takeRunInfo,
                                            std::span<std::uint8_t, kInfoBlockImageBytes> block,
                                            bool& tookRunInfo) {
  // The drive's own block: its identity when it is kept, and its stage marks. A drive that has
  // none yet (or cannot read it) gets a block from the template alone.
  std::array<std::uint8_t, kInfoBlockImageBytes> device{};
  const std::string tag = m_ErrorTag;
  const std::string message = m_ErrorMessage;
  const bool deviceRead = DirectAccessInfoBlock(device.data(), 0, 0) != 0;
  if (!deviceRead) {
    if (keepDeviceInfo) return RecordFailure();
    m_ErrorTag = tag;
    m_ErrorMessage = message;
  }
  const bool deviceMarked = deviceRead && fw::HasInfoBlockMark(device.data());
  if (keepDeviceInfo && !deviceMarked) {
    return FailWithRecord(kTagInfoBlockMark, "Keep_Device_Info: Info Block of the drive has no Tervid mark.");
  }
  // Without a serial number of this run the block keeps the drive's identity (a rewrite of a
  // programmed drive); a drive that has neither cannot get a block.
  const bool keepIdentity = keepDeviceInfo || (m_SerialNumber.empty() && deviceMarked);
  if (!keepIdentity && m_SerialNumber.empty()) return FailWithRecord(kTagSerialNumber, "No Serial Number for Info Block.");

  fw::InfoBlockSources sources;
  sources.serialNumber = m_SerialNumber;
  sources.ceCount = m_CECount;
  sources.capacityGB = settings::ReadInt(settings::keys::AutoCapacityEnable) != 0 && m_SelectedCapacity != 0
                           ? m_SelectedCapacity
                           : GetCapacity();
  sources.runInfo64 = runInfo64;
  sources.takeRunInfo = takeRunInfo;
  sources.deviceBlock512 = deviceMarked ? device.data() : nullptr;
  sources.keepDeviceInfo = keepIdentity;
  sources.now = platform::Now();
  const fw::BuiltInfoBlock built = fw::BuildInfoBlock(sources);
  if (!built.error.empty()) return FailWithRecord(kTagInfoBlockSize, built.error);
  std::copy(built.block.begin(), built.block.end(), block.begin());
  tookRunInfo = built.tookRunInfo;
  return 1;
}

std::uint8_t CMPDevice::WriteInfoBlockImage(std::span<const std::uint8_t, kInfoBlockImageBytes> block) {
  std::array<std::uint8_t, kInfoBlockImageBytes> written{};
  std::copy(block.begin(), block.end(), written.begin());
  if (DirectAccessInfoBlock(written.data(), 1, 0) == 0) return RecordFailure();
  std::array<std::uint8_t, kInfoBlockImageBytes> readBack{};
  if (DirectAccessInfoBlock(readBack.data(), 0, 0) == 0) return RecordFailure();
  if (readBack != written) return FailWithRecord(kTagInfoBlockWrite, "Info Block verify Fail.");
  m_InfoBlockImage.assign(written.begin(), written.end());
  const std::string serial =
      platform::Trim(engine::GetInfoFieldText(engine::InfoBlockView(written), engine::InfoField("ubSerialNumber")));
  WriteReportLine(platform::Format("Write InfoBlock OK, SN: %s", serial.c_str()), kPlainLine);
  return 1;
}
