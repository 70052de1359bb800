#include "device/Crc16.h"

#include <array>

namespace {

constexpr std::array<std::uint16_t, 256> MakeReflectedTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t crc = static_cast<std::uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1u) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001u)
                       : static_cast<std::uint16_t>(crc >> 1);
    }
    table[i] = crc;
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> MakeCcittTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t crc = static_cast<std::uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000u) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021u)
                            : static_cast<std::uint16_t>(crc << 1);
    }
    table[i] = crc;
  }
  return table;
}

constexpr auto kReflectedTable = MakeReflectedTable();
constexpr auto kCcittTable = MakeCcittTable();

// The reflected table for a byte followed by 0..7 zero bytes, so that eight bytes go in with
// eight look-ups and no dependency between them ("slicing by eight").
constexpr std::array<std::array<std::uint16_t, 256>, 8> MakeSlicedTables() {
  std::array<std::array<std::uint16_t, 256>, 8> tables{};
  tables[0] = MakeReflectedTable();
  for (std::size_t slice = 1; slice < tables.size(); ++slice) {
    for (unsigned i = 0; i < 256; ++i) {
      const std::uint16_t previous = tables[slice - 1][i];
      tables[slice][i] = static_cast<std::uint16_t>((previous >> 8) ^ tables[0][previous & 0xFFu]);
    }
  }
  return tables;
}
constexpr auto kSlicedTables = MakeSlicedTables();

}  // namespace

void CCrc16::Init(std::uint16_t& value) { value = 0xFFFF; }

void CCrc16::UpdateBytes(std::uint16_t& value, const std::uint8_t* data, std::size_t length) {
  std::uint32_t crc = value;
  std::size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    const std::uint32_t low = crc ^ (static_cast<std::uint32_t>(data[i]) | static_cast<std::uint32_t>(data[i + 1]) << 8 |
                                     static_cast<std::uint32_t>(data[i + 2]) << 16 |
                                     static_cast<std::uint32_t>(data[i + 3]) << 24);
    crc = kSlicedTables[7][low & 0xFFu] ^ kSlicedTables[6][(low >> 8) & 0xFFu] ^
          kSlicedTables[5][(low >> 16) & 0xFFu] ^ kSlicedTables[4][low >> 24] ^ kSlicedTables[3][data[i + 4]] ^
          kSlicedTables[2][data[i + 5]] ^ kSlicedTables[1][data[i + 6]] ^ kSlicedTables[0][data[i + 7]];
  }
  for (; i < length; ++i) crc = (crc >> 8) ^ kReflectedTable[(crc ^ data[i]) & 0xFFu];
  value = static_cast<std::uint16_t>(crc);
}

void CCrc16::UpdateString(std::uint16_t& value, std::string_view text) {
  UpdateBytes(value, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::uint16_t CCrc16::Ccitt(const std::uint8_t* data, std::size_t length, std::uint16_t value) {
  for (std::size_t i = 0; i < length; ++i) {
    value = static_cast<std::uint16_t>((value << 8) ^ kCcittTable[((value >> 8) ^ data[i]) & 0xFFu]);
  }
  return value;
}
