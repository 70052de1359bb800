// Identification of the drive: IDENTIFY data and serial number, system information, flash
// IDs, IC version and the bin type of the flash-type table.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "device/ByteOrder.h"
#include "device/records/IdentifyData.h"
#include "device/records/SystemInfoSector.h"
#include "engine/MPDevice.h"
#include "engine/core/RecordText.h"
#include "engine/core/SettingLists.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace {

constexpr std::uint16_t kSupportedIcVersion = 0x3160;
constexpr std::uint32_t kControllerVersionRegister = 0;
// A CE holds at most 2^16 GB: larger exponents are not a drive's answer but noise, and would
// overflow the capacity computation.
constexpr std::uint32_t kMaxCeSizeExponent = 16;
constexpr std::size_t kFlashIdEntries = 64;
constexpr std::size_t kFlashIdEntryBytes = 8;
// IDENTIFY words of the world wide name: word 87 bit 8 says it is there, words 108..111 hold
// it with the NAA (5) in the top nibble.
constexpr std::size_t kCommandSetWord87 = 87;
constexpr std::uint16_t kWwnSupportedBit = 0x0100;
constexpr std::size_t kWwnFirstWord = 108;
constexpr unsigned kWwnNaa = 5;

std::uint16_t IdentifyWord(const std::vector<std::uint8_t>& data, std::size_t word) {
  return static_cast<std::uint16_t>(device::LoadLittleEndian(data.data() + 2 * word, 2));
}

// IDENTIFY data that the drive sent, not noise: its text fields are ATA strings (printable
// ASCII; a field the drive leaves empty may be zero bytes). Data that carries the integrity
// signature and does not sum to 0 never gets here: the IDENTIFY command refuses it.
template <std::size_t N>
bool IsAtaString(const WordSwappedText<N>& text) {
  return std::all_of(std::begin(text.chars), std::end(text.chars),
                     [](char c) { return c == '\0' || (c >= 0x20 && c <= 0x7E); });
}
bool IdentifyDataValid(const IdentifyData& data) {
  return IsAtaString(data.serialNumber) && IsAtaString(data.firmwareRevision) && IsAtaString(data.modelNumber);
}

std::string FlashIdText(const std::uint8_t* id, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += platform::Format(i == 0 ? "%02X" : " %02X", id[i]);
  return text;
}

// The section of a flash in FlashInfo.ini: its ID bytes in hexadecimal, without blanks.
std::string FlashInfoSection(const std::vector<std::uint8_t>& id) {
  std::string section;
  for (std::uint8_t byte : id) section += platform::Format("%02X", byte);
  return section;
}

}  // namespace

std::uint8_t CMPDevice::IdentifyDrive(std::string_view failTag) {
  std::fill(m_IdentifyBuffer.begin(), m_IdentifyBuffer.end(), 0);
  if (!Command().Identify(m_IdentifyBuffer)) return Fail(failTag, "Issue Identify Command Fail.");
  IdentifyData data;
  std::memcpy(&data, m_IdentifyBuffer.data(), sizeof(data));
  if (!IdentifyDataValid(data)) return Fail(failTag, "Identify data not valid.");
  m_DriveSerial = engine::TrimmedText(data.serialNumber);
  m_FirmwareRevision = engine::TrimmedText(data.firmwareRevision);
  const std::uint64_t lba48 = data.lba48Sectors.Get();
  m_IdentifiedSectors = lba48 != 0 ? lba48 : data.lba28Sectors.Get();
  return 1;
}

std::uint8_t CMPDevice::CompareSerialWithBarCode() {
  const std::string barCode = platform::Trim(m_BarCodeText);
  if (barCode.empty()) return 1;  // no bar code was scanned for the slot: nothing to compare
  if (m_DriveSerial != barCode) {
    return Fail("S_x16", platform::Format("SN not match Bar Code(%s, %s)", m_DriveSerial.c_str(), barCode.c_str()));
  }
  return 1;
}

std::uint8_t CMPDevice::CheckSerialNumber(std::uint8_t reserved, std::uint8_t compareBarCode) {
  (void)reserved;
  if (!IdentifyDrive("I_x06")) return RecordFailure();
  if (m_DriveSerial.empty()) return FailWithRecord("S_x15", "Serial Number is empty.");
  if (IdentifyWord(m_IdentifyBuffer, kCommandSetWord87) & kWwnSupportedBit) {
    const unsigned naa = IdentifyWord(m_IdentifyBuffer, kWwnFirstWord) >> 12;
    bool allZero = true;
    for (std::size_t word = kWwnFirstWord; word < kWwnFirstWord + 4; ++word) {
      allZero = allZero && IdentifyWord(m_IdentifyBuffer, word) == 0;
    }
    if (allZero || naa != kWwnNaa) return FailWithRecord("S_x17", "WWN is not valid.");
  }
  if (compareBarCode && !CompareSerialWithBarCode()) return RecordFailure();
  return 1;
}

std::uint8_t CMPDevice::ReadSystemInfo() {
  std::fill(m_SystemInfoBuffer.begin(), m_SystemInfoBuffer.end(), 0);
  if (!Command().GetSystemInfo(std::span<std::uint8_t>(m_SystemInfoBuffer).first(kSectorBytes), 1)) {
    return Fail("I_x08", "Issue GetSystemInfo Command Failed.");
  }
  SystemInfoSector info;
  std::memcpy(&info, m_SystemInfoBuffer.data(), sizeof(info));
  if (info.ceSizeExponent > kMaxCeSizeExponent) {
    return Fail("I_x20", platform::Format("System Info error, CE size exponent %u", info.ceSizeExponent));
  }
  m_BlocksPerCE = static_cast<std::uint32_t>(info.blocksPerCe.Get());
  m_DiesPerCE = info.diesPerCe;
  // The units of the third-party table's chip-number rule are the dies: the parameter record
  // gives the dies of one group, which is all of a CE's only when the CE has one group.
  m_UnitsPerCE = info.diesPerCe;
  m_TwoPlaneFlag = (info.planeFlagsE4 & 0x02) != 0 ? 1 : 0;
  m_Planes = (info.planeFlagsE8 & 0x80) != 0 ? 4 : (m_TwoPlaneFlag ? 2 : 1);
  m_B0KBFlag = m_TwoPlaneFlag;
  m_SystemCEMap = info.ceMap.Get();
  m_CECount = static_cast<std::uint32_t>(std::popcount(m_SystemCEMap));
  m_CESizeExponent = info.ceSizeExponent;
  m_CEMaskFlag = info.ceNumberingFlag;
  m_CEAddressingMode = info.ceAddressingMode == 2 ? 2 : 1;
  m_PageSectors = static_cast<std::uint32_t>(info.pageSectors.Get());
  m_RDT_Loops = info.rdtLoops;
  m_RDTFastPageLoops = info.rdtFastPageLoops;
  // At most 64 CEs of at most 2^16 GB: 2^32 MB, so the sum is made in 64 bits and kept to 32.
  const std::uint64_t megabytes = static_cast<std::uint64_t>(m_CECount) << (m_CESizeExponent + 10);
  m_CapacityMB = static_cast<std::uint32_t>(std::min<std::uint64_t>(megabytes, 0xFFFFFFFFu));
  return 1;
}

bool CMPDevice::FlashIdMatchesParameters(const std::uint8_t* id) const {
  const std::vector<std::uint8_t> expected = engine::ParseHexByteList(settings::ReadText(settings::keys::FlhID, 64));
  const unsigned long mask = platform::ParseHex(platform::Trim(settings::ReadText(settings::keys::FlhIDMask, 16)), 0);
  for (std::size_t i = 0; i < expected.size() && i < kFlashIdBytes; ++i) {
    if ((mask >> i) & 1) continue;  // bit i of FlhIDMask leaves byte i out of the comparison
    if (id[i] != expected[i]) return false;
  }
  return true;
}

std::uint8_t CMPDevice::ReadFlashIdBytes(std::uint8_t firstValue, std::uint8_t secondValue) {
  std::array<std::uint8_t, kSectorBytes> reply{};
  if (!Command().ReadFlashId(reply, firstValue, secondValue)) return Fail("I_x09", "Issue Read Flash ID command Fail.");
  std::copy_n(reply.begin(), kFlashIdBytes, m_FlashID);
  return 1;
}

std::uint8_t CMPDevice::ReadFlashID(std::uint8_t firstValue, std::uint8_t secondValue) {
  if (!ReadFlashIdBytes(firstValue, secondValue)) return 0;
  if (!FlashIdMatchesParameters(m_FlashID)) {
    return Fail("I_x10", platform::Format("Flash ID not match(%s), ini(%s)", FlashIdText(m_FlashID, kFlashIdBytes).c_str(),
                                          platform::Trim(settings::ReadText(settings::keys::FlhID, 64)).c_str()));
  }
  return 1;
}

std::uint8_t CMPDevice::CheckFlashID() {
  if (!ReadFlashIdBytes(0, 0)) return 0;
  return FlashIdMatchesParameters(m_FlashID) ? 1 : 0;
}

std::uint8_t CMPDevice::ReadAllFlashID(std::uint8_t* table512) {
  if (table512 == nullptr) return Fail("I_x11", "Issue Scan All Flash ID command Fail.");
  if (!EnableAPKey(1, 300)) return 0;
  std::array<std::uint8_t, kSectorBytes> reply{};
  if (!Command().ScanAllFlashId(reply)) return Fail("I_x11", "Issue Scan All Flash ID command Fail.");
  std::memcpy(table512, reply.data(), reply.size());
  return 1;
}

std::uint8_t CMPDevice::CheckAllFlashID(std::uint8_t compareCeMap, std::uint8_t compareCount,
                                        std::uint8_t writeFailRecord, std::uint8_t reserved) {
  (void)reserved;
  const auto fail = [&](std::string_view tag, std::string message) {
    Fail(tag, std::move(message));
    return writeFailRecord ? RecordFailure() : std::uint8_t{0};
  };
  std::array<std::uint8_t, kSectorBytes> table{};
  if (!ReadAllFlashID(table.data())) return writeFailRecord ? RecordFailure() : std::uint8_t{0};

  std::uint64_t foundMap = 0;
  std::uint32_t found = 0;
  for (std::size_t ce = 0; ce < kFlashIdEntries; ++ce) {
    const std::uint8_t* id = table.data() + ce * kFlashIdEntryBytes;
    if (std::all_of(id, id + kFlashIdBytes, [](std::uint8_t b) { return b == 0; })) continue;
    foundMap |= std::uint64_t{1} << ce;
    ++found;
    if (!FlashIdMatchesParameters(id)) {
      return fail("I_x12", platform::Format("CE%u Flash ID not match(%s)", static_cast<unsigned>(ce),
                                            FlashIdText(id, kFlashIdBytes).c_str()));
    }
  }
  m_CECount = found;
  // The flash count and the CE map of the parameter file, unless the caller gives its own.
  const int expectedCount =
      compareCount ? compareCount : platform::ParseLeadingInt(settings::ReadText(settings::keys::FlhNumber, 16));
  if (expectedCount > 0 && static_cast<std::uint32_t>(expectedCount) != found) {
    return fail("I_x13", platform::Format("Flash number not match(%u), ini(%d)", found, expectedCount));
  }
  const unsigned long expectedMap =
      compareCeMap ? compareCeMap : platform::ParseHex(platform::Trim(settings::ReadText(settings::keys::CHCEMap, 10)), 0);
  if (expectedMap != 0 && (foundMap & 0xFFFF) != (expectedMap & 0xFFFF)) {
    return fail("I_x14", platform::Format("CE Map not match(%X), ini(%lX)", static_cast<unsigned>(foundMap & 0xFFFF),
                                          expectedMap & 0xFFFF));
  }
  return 1;
}

std::uint8_t CMPDevice::CheckICVer() {
  std::array<std::uint8_t, kSectorBytes> reply{};
  if (!Command().ReadRegister(reply, kControllerVersionRegister)) {
    return FailWithRecord("I_x15", "Issue Read Register command Fail.");
  }
  const auto version = static_cast<std::uint16_t>(device::LoadBigEndian(reply.data(), 2));
  return version == kSupportedIcVersion ? 1 : 0;
}

std::uint8_t CMPDevice::CheckBinType(std::uint8_t rdtClass) {
  const std::vector<std::uint8_t> id = engine::ParseHexByteList(settings::ReadText(settings::keys::FlhID, 64));
  if (id.empty()) return 0;
  const settings::Key& tableKey = rdtClass ? settings::keys::FlashInfoRDTBinType : settings::keys::FlashInfoMPBinType;
  const std::string tableType =
      platform::Trim(platform::ReadProfileString(tableKey.file, FlashInfoSection(id), tableKey.name, "", 256));
  const std::string expected = platform::Trim(
      settings::ReadText(rdtClass ? settings::keys::FlhRDTBinType : settings::keys::FlhMPBinType, 256));
  return !tableType.empty() && platform::EqualsNoCase(tableType, expected) ? 1 : 0;
}
