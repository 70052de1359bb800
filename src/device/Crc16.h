#pragma once
// The two CRC-16 variants of the station, kept together:
//  - the running CRC of texts (results-list checksum): reflected polynomial 0xA001, start
//    value 0xFFFF, no final inversion (CRC-16/MODBUS; check value 0x4B37 over "123456789");
//  - the CRC-16 (CCITT) of bad-block tables: polynomial 0x1021, start value 0xFFFF, not
//    reflected, no final XOR (CRC-16/CCITT-FALSE; check value 0x29B1 over "123456789").
#include <cstddef>
#include <cstdint>
#include <string_view>

class CCrc16 {
 public:
  // Sets a running value to its start, 0xFFFF.
  static void Init(std::uint16_t& value);
  // Adds every character of the text to the running value (reflected 0xA001 table).
  static void UpdateString(std::uint16_t& value, std::string_view text);
  static void UpdateBytes(std::uint16_t& value, const std::uint8_t* data, std::size_t length);

  // CRC-16 (CCITT) of a block, continuing from the given value (0xFFFF for a fresh one).
  static std::uint16_t Ccitt(const std::uint8_t* data, std::size_t length,
                             std::uint16_t value = 0xFFFF);
};
