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

}  // namespace

void CCrc16::Init(std::uint16_t& value) { value = 0xFFFF; }

void CCrc16::UpdateBytes(std::uint16_t& value, const std::uint8_t* data, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    value = static_cast<std::uint16_t>((value >> 8) ^ kReflectedTable[(value ^ data[i]) & 0xFFu]);
  }
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
