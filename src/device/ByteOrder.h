#pragma once
// Loads and stores of multi-byte numbers at a byte position, in either byte order. Command
// blocks and SCSI replies are big-endian; the controller's records are little-endian.
#include <cstddef>
#include <cstdint>

namespace device {

inline std::uint64_t LoadBigEndian(const std::uint8_t* bytes, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value = (value << 8) | bytes[i];
  return value;
}

inline void StoreBigEndian(std::uint8_t* bytes, std::size_t width, std::uint64_t value) {
  for (std::size_t i = 0; i < width; ++i) {
    bytes[width - 1 - i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

inline std::uint64_t LoadLittleEndian(const std::uint8_t* bytes, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = width; i > 0; --i) value = (value << 8) | bytes[i - 1];
  return value;
}

inline void StoreLittleEndian(std::uint8_t* bytes, std::size_t width, std::uint64_t value) {
  for (std::size_t i = 0; i < width; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace device
