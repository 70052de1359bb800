#include "sim/FirmwareImageHeader.h"

namespace sim {

std::optional<std::string> FirmwareNameOfImage(std::span<const std::uint8_t> image) {
  FirmwareImageHeader header;
  if (!ReadRecord(image, header)) return std::nullopt;
  std::string name;
  for (char c : header.firmwareName.Get()) {
    if (c == '\0' || c == ' ') break;
    if (c < 0x21 || c > 0x7E) return std::nullopt;
    name.push_back(c);
  }
  if (name.empty()) return std::nullopt;
  return name;
}

}  // namespace sim
