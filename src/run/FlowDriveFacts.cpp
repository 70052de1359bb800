#include "run/FlowDriveFacts.h"

#include <algorithm>

#include "platform/Text.h"

std::uint32_t CountFlashIdCEs(std::span<const std::uint8_t> table) {
  std::uint32_t count = 0;
  for (std::size_t entry = 0; entry + kFlashIdTableEntryBytes <= table.size(); entry += kFlashIdTableEntryBytes) {
    const auto id = table.subspan(entry, kFlashIdBytesPerEntry);
    if (std::any_of(id.begin(), id.end(), [](std::uint8_t byte) { return byte != 0; })) ++count;
  }
  return count;
}

unsigned long ParseCeMapText(std::string_view text) {
  const std::string trimmed = platform::Trim(text);
  return trimmed.empty() ? 0 : platform::ParseHex(trimmed, 0);
}

std::string IdentifyWordsText(std::span<const std::uint8_t> identify, std::size_t firstWord, std::size_t words) {
  std::string text;
  for (std::size_t word = firstWord; word < firstWord + words; ++word) {
    const std::size_t at = word * 2;
    if (at + 1 >= identify.size()) break;
    for (const std::uint8_t byte : {identify[at + 1], identify[at]}) {
      if (byte == 0) return text;
      text.push_back(static_cast<char>(byte));
    }
  }
  return text;
}

std::string FirmwareBinTypeText(std::span<const std::uint8_t> systemInfo) {
  static constexpr std::size_t kBinTypeBytes[] = {349, 348, 351, 350};
  std::string text;
  for (const std::size_t at : kBinTypeBytes) {
    if (at >= systemInfo.size() || systemInfo[at] == 0) break;
    text.push_back(static_cast<char>(systemInfo[at]));
  }
  return text;
}
