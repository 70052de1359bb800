#include "sim/FirmwareImageHeader.h"

namespace sim {

namespace {

// The characters of a header field up to the first blank or zero byte, when there are some
// and all are printable.
std::optional<std::string> PrintableField(std::string_view field) {
  std::string text;
  for (char c : field) {
    if (c == '\0' || c == ' ') break;
    if (c < 0x21 || c > 0x7E) return std::nullopt;
    text.push_back(c);
  }
  if (text.empty()) return std::nullopt;
  return text;
}

}  // namespace

std::optional<std::string> FirmwareNameOfImage(std::span<const std::uint8_t> image) {
  FirmwareImageHeader header;
  if (!ReadRecord(image, header)) return std::nullopt;
  return PrintableField(header.firmwareName.Get());
}

std::optional<std::string> BinTypeOfImage(std::span<const std::uint8_t> image) {
  FirmwareImageHeader header;
  if (!ReadRecord(image, header)) return std::nullopt;
  return PrintableField(header.binType.Get());
}

std::optional<std::vector<std::uint8_t>> FlashSectionOfImageFile(std::span<const std::uint8_t> file) {
  FirmwareImageHeader header;
  if (!ReadRecord(file, header)) return std::nullopt;
  const std::uint64_t ramBytes = header.ramCodeSize.Get();
  const std::uint64_t flashBytes = header.flashCodeSize.Get();
  if (flashBytes == 0 || sizeof(header) + ramBytes + flashBytes != file.size()) return std::nullopt;
  const auto flash = file.subspan(sizeof(header) + static_cast<std::size_t>(ramBytes));
  return std::vector<std::uint8_t>(flash.begin(), flash.end());
}

}  // namespace sim
