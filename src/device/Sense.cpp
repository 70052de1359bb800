#include "device/Sense.h"

#include <algorithm>
#include <optional>

#include "platform/Text.h"

namespace device {
namespace {

// ATA Status Return descriptor: code 0x09, additional length 0x0C.
constexpr std::size_t kAtaDescriptorLength = 14;

void ReadAtaDescriptor(const std::uint8_t* d, SenseInfo& info) {
  const bool extend = (d[2] & 0x01) != 0;
  AtaOutputRegisters& ata = info.ata;
  ata.error = d[3];
  ata.count = d[5];
  ata.lba = static_cast<std::uint64_t>(d[7]) | (static_cast<std::uint64_t>(d[9]) << 8) |
            (static_cast<std::uint64_t>(d[11]) << 16);
  if (extend) {
    ata.count |= static_cast<std::uint16_t>(d[4] << 8);
    ata.lba |= (static_cast<std::uint64_t>(d[6]) << 24) | (static_cast<std::uint64_t>(d[8]) << 32) |
               (static_cast<std::uint64_t>(d[10]) << 40);
  }
  ata.device = d[12];
  ata.status = d[13];
  info.hasAtaRegisters = true;
}

void ParseDescriptorFormat(std::span<const std::uint8_t> sense, SenseInfo& info) {
  if (sense.size() < 4) return;
  info.descriptorFormat = true;
  info.senseKey = sense[1] & 0x0F;
  info.asc = sense[2];
  info.ascq = sense[3];
  info.valid = true;
  if (sense.size() < 8) return;
  const std::size_t end = std::min<std::size_t>(sense.size(), 8u + sense[7]);
  std::size_t at = 8;
  while (at + 2 <= end) {
    const std::size_t length = 2u + sense[at + 1];
    if (at + length > end) break;
    if (sense[at] == kAtaStatusReturnDescriptor && length >= kAtaDescriptorLength) {
      ReadAtaDescriptor(&sense[at], info);
    }
    at += length;
  }
}

// Where fixed-format sense holds an ATA PASS-THROUGH's output registers: error, status,
// device and count (7:0) in four bytes from `registersAt`, LBA (7:0), (15:8) and (23:16) in
// three from `lbaAt` (the upper bytes of a 48-bit command do not come back here).
struct FixedAtaLayout {
  std::size_t registersAt;
  std::size_t lbaAt;
};

// SAT: the information field (bytes 3-6) holds error, status, device and count; the
// command-specific information field (bytes 8-11) the extend, count-upper and LBA-upper
// flags and the LBA. SAT bridges answer so, and libata since Linux 6.10.
constexpr FixedAtaLayout kSatLayout{3, 9};
// libata before Linux 6.10 wrote the same fields from byte 8 on as though the sense had
// descriptor format: error, status, device and count at bytes 8-11, the flags at 16, the LBA
// at 17-19. Its additional length (10) ends the sense at byte 17, so of the LBA only (7:0)
// comes back; bytes 3-6 stay zero. It answered so only a command that failed.
constexpr FixedAtaLayout kOldLibataLayout{8, 17};

bool AnyByteSet(std::span<const std::uint8_t> sense, std::size_t from, std::size_t to) {
  return std::any_of(sense.begin() + static_cast<std::ptrdiff_t>(std::min(from, sense.size())),
                     sense.begin() + static_cast<std::ptrdiff_t>(std::min(to, sense.size())),
                     [](std::uint8_t byte) { return byte != 0; });
}

// Where the ATA registers lie in fixed-format sense `sense` (cut at its additional length),
// if it carries them.
std::optional<FixedAtaLayout> FixedAtaLayoutOf(std::span<const std::uint8_t> sense, const SenseInfo& info,
                                               SenseOf command) {
  if (info.AtaInformationAvailable()) return kSatLayout;
  if (command != SenseOf::AtaPassThrough) return std::nullopt;
  if (AnyByteSet(sense, 3, 7)) return kSatLayout;
  if (AnyByteSet(sense, 8, 12)) return kOldLibataLayout;
  return std::nullopt;
}

void ReadFixedAtaFields(std::span<const std::uint8_t> sense, FixedAtaLayout layout, SenseInfo& info) {
  if (sense.size() < layout.registersAt + 4) return;
  AtaOutputRegisters& ata = info.ata;
  ata.error = sense[layout.registersAt];
  ata.status = sense[layout.registersAt + 1];
  ata.device = sense[layout.registersAt + 2];
  ata.count = sense[layout.registersAt + 3];
  ata.lba = 0;
  for (std::size_t i = 0; i < 3 && layout.lbaAt + i < sense.size(); ++i) {
    ata.lba |= static_cast<std::uint64_t>(sense[layout.lbaAt + i]) << (8 * i);
  }
  info.hasAtaRegisters = true;
}

void ParseFixedFormat(std::span<const std::uint8_t> sense, SenseOf command, SenseInfo& info) {
  if (sense.size() < 3) return;
  info.senseKey = sense[2] & 0x0F;
  info.valid = true;
  if (sense.size() >= 8) sense = sense.first(std::min<std::size_t>(sense.size(), 8u + sense[7]));
  if (sense.size() >= 14) {
    info.asc = sense[12];
    info.ascq = sense[13];
  }
  if (const auto layout = FixedAtaLayoutOf(sense, info, command)) ReadFixedAtaFields(sense, *layout, info);
}

}  // namespace

SenseInfo ParseSense(std::span<const std::uint8_t> sense, SenseOf command) {
  SenseInfo info;
  if (sense.empty()) return info;
  info.responseCode = sense[0] & 0x7F;
  switch (info.responseCode) {
    case 0x70:
    case 0x71: ParseFixedFormat(sense, command, info); break;
    case 0x72:
    case 0x73: ParseDescriptorFormat(sense, info); break;
    default: break;
  }
  return info;
}

std::string DescribeSense(const SenseInfo& sense) {
  if (!sense.valid) return "unreadable sense data";
  std::string text = platform::Format("sense key 0x%X, ASC 0x%02X, ASCQ 0x%02X", sense.senseKey, sense.asc, sense.ascq);
  if (sense.hasAtaRegisters) {
    text += platform::Format(", ATA status 0x%02X, error 0x%02X", sense.ata.status, sense.ata.error);
  }
  return text;
}

}  // namespace device
