#include "engine/firmware/StationImage.h"

#include <algorithm>
#include <vector>

#include "device/DeviceCommand.h"
#include "device/StationHelpers.h"
#include "platform/Files.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace engine::firmware {

namespace {

constexpr std::size_t kSector = device::kSectorSize;

std::uint32_t SectorsOf(std::size_t bytes) { return static_cast<std::uint32_t>((bytes + kSector - 1) / kSector); }

// The bytes of sectors [first, first + count) of a section, zero past its end, into `piece`
// (one buffer serves every piece of a section).
void TakePiece(std::span<const std::uint8_t> section, std::uint32_t first, std::uint32_t count,
               std::vector<std::uint8_t>& piece) {
  piece.assign(static_cast<std::size_t>(count) * kSector, 0);
  const std::size_t begin = static_cast<std::size_t>(first) * kSector;
  if (begin < section.size()) {
    const std::size_t length = std::min(piece.size(), section.size() - begin);
    std::copy_n(section.begin() + static_cast<std::ptrdiff_t>(begin), length, piece.begin());
  }
}

// Whether the bytes read back are those of the piece: the section's bytes, zero past its end.
bool PieceMatches(std::span<const std::uint8_t> section, std::uint32_t first, std::span<const std::uint8_t> readBack) {
  const std::size_t begin = static_cast<std::size_t>(first) * kSector;
  const std::size_t length = begin < section.size() ? std::min(readBack.size(), section.size() - begin) : 0;
  if (length > 0 && !std::equal(readBack.begin(), readBack.begin() + static_cast<std::ptrdiff_t>(length),
                                section.begin() + static_cast<std::ptrdiff_t>(begin))) {
    return false;
  }
  return std::all_of(readBack.begin() + static_cast<std::ptrdiff_t>(length), readBack.end(),
                     [](std::uint8_t byte) { return byte == 0; });
}

std::uint8_t SendPiece(CDeviceCommand& command, SectionTarget target, std::vector<std::uint8_t>& piece,
                       std::uint32_t first, std::uint32_t count) {
  switch (target) {
    case SectionTarget::ProgramRam: return command.WritePram(piece, first, count);
    case SectionTarget::Flash: return command.WriteFlashCode(piece, first, count);
    case SectionTarget::Microcode:
      return command.DownloadMicrocode(piece, kDownloadWithOffsets, static_cast<std::uint16_t>(first), count);
  }
  return 0;
}

}  // namespace

std::string ExpectedBinType(bool rdt, std::uint32_t flashChips) {
  const int limit = settings::ReadInt(settings::keys::Flash2ndBinCELimit);
  const bool second = limit >= 1 && limit <= 16 && flashChips > static_cast<std::uint32_t>(limit);
  const settings::Key& key = rdt ? (second ? settings::keys::Flash2ndRDTBinType : settings::keys::FlhRDTBinType)
                                 : (second ? settings::keys::Flash2ndMPBinType : settings::keys::FlhMPBinType);
  return platform::Trim(settings::ReadText(key, 255));
}

StationImage LoadStationImage(bool rdt, std::string_view pathText, std::uint32_t flashChips) {
  StationImage result;
  const char* keyName = rdt ? "ISP_RDTBINCode" : "ISP_MPBINCode";
  std::string path = platform::Trim(pathText.empty()
                                        ? settings::ReadText(rdt ? settings::keys::IspRDTBinCode
                                                                 : settings::keys::IspMPBinCode, 255)
                                        : std::string(pathText));
  if (path.empty()) {
    result.tag = kTagImageNotValid;
    result.message = platform::Format("%s of param.ini is empty", keyName);
    return result;
  }
  ImageCheck check;
  result.image = LoadFirmwareImageOnce(path, check);
  if (!result.image && check.error == ImageError::CannotRead && !platform::FileExists(path)) {
    const std::size_t slash = path.find_last_of('\\');
    path = GetModuleFolder() + "\\" + (slash == std::string::npos ? path : path.substr(slash + 1));
    result.image = LoadFirmwareImageOnce(path, check);
  }
  result.path = path;
  if (!result.image) {
    result.tag = kTagImageNotValid;
    result.message = platform::Format("%s BIN file fail!! %s", rdt ? "RDT" : "MP", check.message.c_str());
    return result;
  }
  const std::string expected = ExpectedBinType(rdt, flashChips);
  if (result.image->BinType().find(expected) == std::string::npos) {
    result.tag = kTagBinType;
    result.message = platform::Format("Bin file fail!! BIN type %s do not equal to ini(%s)",
                                      result.image->BinType().c_str(), expected.c_str());
    result.image.reset();
  }
  return result;
}

SectionTransfer SendSection(CDeviceCommand& command, SectionTarget target, std::span<const std::uint8_t> section) {
  SectionTransfer transfer;
  const std::uint32_t sectors = SectorsOf(section.size());
  std::vector<std::uint8_t> piece;
  for (std::uint32_t first = 0; first < sectors; first += kSectionPieceSectors) {
    const std::uint32_t count = std::min(kSectionPieceSectors, sectors - first);
    TakePiece(section, first, count, piece);
    if (SendPiece(command, target, piece, first, count) == 0) {
      transfer.ok = false;
      transfer.sector = first;
      return transfer;
    }
  }
  return transfer;
}

SectionTransfer VerifySection(CDeviceCommand& command, SectionTarget target, std::span<const std::uint8_t> section) {
  SectionTransfer transfer;
  transfer.readBack = true;
  const std::uint32_t sectors = SectorsOf(section.size());
  std::vector<std::uint8_t> readBack;
  for (std::uint32_t first = 0; first < sectors; first += kSectionPieceSectors) {
    const std::uint32_t count = std::min(kSectionPieceSectors, sectors - first);
    readBack.assign(static_cast<std::size_t>(count) * kSector, 0);
    const std::uint8_t read = target == SectionTarget::ProgramRam ? command.ReadPram(readBack, first, count)
                                                                  : command.ReadFlashCode(readBack, first, count);
    if (read == 0 || !PieceMatches(section, first, readBack)) {
      transfer.ok = false;
      transfer.differs = read != 0;
      transfer.sector = first;
      return transfer;
    }
  }
  return transfer;
}

}  // namespace engine::firmware
