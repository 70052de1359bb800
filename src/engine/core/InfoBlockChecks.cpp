// The info block as the core reads and checks it: direct access, the info page, the
// good-card mark, the check of a programmed drive, the device-information check and the
// firmware on flash against the MP image.
#include <algorithm>
#include <array>
#include <cstring>

#include "device/records/IdentifyData.h"
#include "device/records/InfoBlock.h"
#include "engine/InfoBlockFields.h"
#include "engine/MPDevice.h"
#include "engine/core/RecordText.h"
#include "engine/firmware/FirmwareImage.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace {

constexpr std::uint8_t kInfoBlockPage = 0;
constexpr std::uint8_t kMarkMpPassed = 0x01;
constexpr std::uint32_t kFlashCodePieceSectors = 128;

// The stage's good-card mark: 1 MP, 2 QC, 3 MP after an RDT judgement, 4 the fourth stage.
std::uint8_t MarkOfStage(std::uint8_t stage) {
  switch (stage) {
    case 1: return 0x01;
    case 2: return 0x02;
    case 3: return 0x05;
    case 4: return 0x10;
    default: return 0;
  }
}

engine::InfoBlockView ViewOf(const std::vector<std::uint8_t>& block) {
  return engine::InfoBlockView(block.data(), engine::kInfoBlockBytes);
}

bool HasInfoMark(const std::vector<std::uint8_t>& block) {
  return engine::GetInfoFieldText(ViewOf(block), engine::InfoField("u8bTervidInfoMark")) == kInfoBlockMark;
}

// A text field of the info block in reading order, blanks trimmed.
std::string TrimmedField(const std::vector<std::uint8_t>& block, const engine::InfoBlockField& field) {
  return platform::Trim(engine::GetInfoFieldText(ViewOf(block), field));
}

}  // namespace

std::uint8_t CMPDevice::DirectAccessInfoBlock(std::uint8_t* buffer512, std::uint8_t write, std::uint8_t page) {
  if (buffer512 == nullptr) return Fail("I_x45", "Issue Read Info Block command Fail.");
  if (!EnableAPKey(1, 300)) return 0;
  const std::span<std::uint8_t> block(buffer512, kInfoBlockImageBytes);
  if (write) {
    if (!Command().DirectWriteInfoBlock(block, page)) return Fail("I_x47", "Issue Write Info Block command Fail.");
    return 1;
  }
  if (!Command().DirectReadInfoBlock(block, page)) return Fail("I_x45", "Issue Read Info Block command Fail.");
  return 1;
}

std::uint8_t CMPDevice::ReadInfoBlock(std::uint8_t* infoBlock512) {
  return DirectAccessInfoBlock(infoBlock512, 0, kInfoBlockPage);
}

std::uint8_t CMPDevice::ReadInfoPage() {
  if (!DirectAccessInfoBlock(m_InfoBlockImage.data(), 0, kInfoBlockPage)) {
    return FailWithRecord("I_D45", "Issue ReadInfoPage Command Failed!!!");
  }
  return 1;
}

std::uint8_t CMPDevice::WriteGoodCardMark(std::uint8_t stage) {
  const std::uint8_t mark = MarkOfStage(stage);
  if (mark == 0) return FailWithRecord("I_Q10", platform::Format("Unknown Good Card Mark stage(%u)", stage));
  // The image the preparation built; an engine that has none takes the drive's block, so the
  // mark never goes out on an empty block.
  if (!HasInfoMark(m_InfoBlockImage) && !DirectAccessInfoBlock(m_InfoBlockImage.data(), 0, kInfoBlockPage)) {
    return FailWithRecord("I_Q10", "Write Good Card Mark Fail.");
  }
  const engine::InfoBlockField& goodMark = engine::InfoField("ubAP_GoodMark");
  const engine::InfoBlockSpan image(m_InfoBlockImage.data(), engine::kInfoBlockBytes);
  engine::SetInfoFieldValue(image, goodMark, engine::GetInfoFieldValue(image, goodMark) | mark);
  if (!DirectAccessInfoBlock(m_InfoBlockImage.data(), 1, kInfoBlockPage)) {
    return FailWithRecord("I_Q10", "Write Good Card Mark Fail.");
  }
  return 1;
}

std::uint8_t CMPDevice::CheckInfoBlock(std::uint8_t mode) {
  if (mode == 0 && !ReadFlashID(0, 0)) return RecordFailure();
  // The identify step: the drive's serial and its identified size.
  if (!CheckSerialNumber(0, 0)) return 0;
  if (!DirectAccessInfoBlock(m_InfoBlockImage.data(), 0, kInfoBlockPage)) return RecordFailure();
  if (!HasInfoMark(m_InfoBlockImage)) return FailWithRecord("I_x46", "Info Block mark error.");
  const std::string blockSerial = TrimmedField(m_InfoBlockImage, engine::InfoField("ubSerialNumber"));
  if (blockSerial != m_DriveSerial) {
    return FailWithRecord("S_x32", platform::Format("Info Block SN(%s) not match Device SN(%s)", blockSerial.c_str(),
                                                    m_DriveSerial.c_str()));
  }
  IdentifyData data;
  std::memcpy(&data, m_IdentifyBuffer.data(), sizeof(data));
  const std::string blockModel = TrimmedField(m_InfoBlockImage, engine::InfoField("ubModelNumber"));
  const std::string driveModel = engine::TrimmedText(data.modelNumber);
  if (blockModel != driveModel) {
    return FailWithRecord("S_x33", platform::Format("Info Block Model(%s) not match Device Model(%s)",
                                                    blockModel.c_str(), driveModel.c_str()));
  }
  const std::uint64_t blockSectors =
      engine::GetInfoFieldValue(ViewOf(m_InfoBlockImage), engine::InfoField("ulSSDSize_LBA"));
  if (blockSectors != 0 && blockSectors != m_IdentifiedSectors) {
    return FailWithRecord("M_x54", platform::Format("Info Block Capacity(%llu) not match Device(%llu)",
                                                    static_cast<unsigned long long>(blockSectors),
                                                    static_cast<unsigned long long>(m_IdentifiedSectors)));
  }
  // A host protected area hides sectors: the drive's capacity beyond what IDENTIFY offers.
  std::uint64_t lastLba = 0;
  std::uint32_t blockLength = 0;
  if (Command().ReadCapacity16(lastLba, blockLength)) {
    if (lastLba + 1 != m_IdentifiedSectors) {
      return FailWithRecord("M_x55", platform::Format("HPA found(Identify %llu, Capacity %llu)",
                                                      static_cast<unsigned long long>(m_IdentifiedSectors),
                                                      static_cast<unsigned long long>(lastLba + 1)));
    }
  } else {
    WriteReportLine("Read Capacity not supported, HPA not checked", kPlainLine);
  }
  return 1;
}

std::uint8_t CMPDevice::VerifyDeviceInfo(int taskKind, std::uint8_t checkInfoBlock, const std::uint8_t* runInfo64) {
  if (!ReadSystemInfo()) return RecordFailure();
  if (!ReadFlashID(0, 0)) return RecordFailure();
  if (runInfo64 != nullptr) {
    MpInfo info;
    std::memcpy(&info, runInfo64, sizeof(info));
    const std::uint16_t runMap = static_cast<std::uint16_t>(info.ceBitMap.Get());
    if (info.signature.Get() == kRdtInfoSignature && runMap != 0 && (runMap & ~m_SystemCEMap) != 0) {
      return FailWithRecord("S_x34", platform::Format("Run Info CE Map(%X) not match Device CE Map(%llX)", runMap,
                                                      static_cast<unsigned long long>(m_SystemCEMap)));
    }
  }
  if (!checkInfoBlock) return 1;
  if (!DirectAccessInfoBlock(m_InfoBlockImage.data(), 0, kInfoBlockPage)) return RecordFailure();
  if (!HasInfoMark(m_InfoBlockImage)) return FailWithRecord("I_x46", "Info Block mark error.");
  // A drive at QC must carry the mark of a passed MP.
  const std::uint32_t goodMark = engine::GetInfoFieldValue(ViewOf(m_InfoBlockImage), engine::InfoField("ubAP_GoodMark"));
  if (taskKind == 4 && (goodMark & kMarkMpPassed) == 0) {
    return FailWithRecord("I_Q11", platform::Format("Good Card Mark not found(%02X)", goodMark));
  }
  return 1;
}

std::uint8_t CMPDevice::VerifyFlashFirmware() {
  const std::string path = platform::Trim(settings::ReadText(settings::keys::IspMPBinCode, 256));
  engine::firmware::ImageCheck check;
  const auto image = engine::firmware::LoadFirmwareImageOnce(path, check);
  if (!image) {
    return FailWithRecord("A_x09", platform::Format("Load MP Bin file fail: %s (%s)", path.c_str(), check.message.c_str()));
  }
  const std::vector<std::uint8_t>& expected = image->flashSection;
  std::vector<std::uint8_t> piece(kFlashCodePieceSectors * kSectorBytes);
  for (std::size_t offset = 0; offset < expected.size(); offset += piece.size()) {
    const std::size_t length = std::min(piece.size(), expected.size() - offset);
    const auto sectors = static_cast<std::uint32_t>((length + kSectorBytes - 1) / kSectorBytes);
    const std::span<std::uint8_t> span = std::span<std::uint8_t>(piece).first(sectors * kSectorBytes);
    if (!Command().ReadFlashCode(span, static_cast<std::uint32_t>(offset / kSectorBytes), sectors)) {
      return FailWithRecord("F_x90", "Issue Read Flash Code command Fail.");
    }
    const auto mismatch = std::mismatch(expected.begin() + static_cast<std::ptrdiff_t>(offset),
                                        expected.begin() + static_cast<std::ptrdiff_t>(offset + length), piece.begin());
    if (mismatch.first != expected.begin() + static_cast<std::ptrdiff_t>(offset + length)) {
      const auto at = static_cast<unsigned long>(mismatch.first - expected.begin());
      return FailWithRecord("F_x91", platform::Format("Flash Code not match MP Bin at 0x%lX", at));
    }
  }
  return 1;
}
