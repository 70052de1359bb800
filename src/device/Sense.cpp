#include "device/Sense.h"

#include <algorithm>

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

void ParseFixedFormat(std::span<const std::uint8_t> sense, SenseInfo& info) {
  if (sense.size() < 3) return;
  info.senseKey = sense[2] & 0x0F;
  info.valid = true;
  const std::size_t end = sense.size() >= 8 ? std::min<std::size_t>(sense.size(), 8u + sense[7]) : sense.size();
  if (end >= 14) {
    info.asc = sense[12];
    info.ascq = sense[13];
  }
  // With "ATA pass through information available" the information and command-specific
  // fields hold the ATA registers (28-bit form only).
  if (info.AtaInformationAvailable() && end >= 12) {
    AtaOutputRegisters& ata = info.ata;
    ata.error = sense[3];
    ata.status = sense[4];
    ata.device = sense[5];
    ata.count = sense[6];
    ata.lba = static_cast<std::uint64_t>(sense[9]) | (static_cast<std::uint64_t>(sense[10]) << 8) |
              (static_cast<std::uint64_t>(sense[11]) << 16);
    info.hasAtaRegisters = true;
  }
}

}  // namespace

SenseInfo ParseSense(std::span<const std::uint8_t> sense) {
  SenseInfo info;
  if (sense.empty()) return info;
  info.responseCode = sense[0] & 0x7F;
  switch (info.responseCode) {
    case 0x70:
    case 0x71: ParseFixedFormat(sense, info); break;
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
