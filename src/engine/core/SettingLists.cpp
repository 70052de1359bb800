#include "engine/core/SettingLists.h"

#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace engine {

std::vector<std::uint8_t> ParseHexByteList(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  for (const std::string& item : platform::SplitBlankOrComma(text)) {
    std::string digits = item;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.erase(0, 2);
    if (digits.empty() || digits.size() > 2) break;
    unsigned value = 0;
    bool hex = true;
    for (char c : digits) {
      value <<= 4;
      if (c >= '0' && c <= '9') value |= static_cast<unsigned>(c - '0');
      else if (c >= 'a' && c <= 'f') value |= static_cast<unsigned>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') value |= static_cast<unsigned>(c - 'A' + 10);
      else hex = false;
    }
    if (!hex) break;
    bytes.push_back(static_cast<std::uint8_t>(value));
  }
  return bytes;
}

std::string NoBadBlockLimitText(std::uint32_t percent, std::uint32_t blocksPerCe) {
  return platform::Format("No bad-block limit: %u%% of %u blocks per CE is 0 per plane (%s, or the capacity table of %s)",
                          percent, blocksPerCe, settings::KeyPlace(settings::keys::ScanMaxBadPercent).c_str(),
                          settings::FilePlace(settings::kParamFdbIni).c_str());
}

std::vector<int> ParseDecimalList(std::string_view text) {
  std::vector<int> numbers;
  for (const std::string& item : platform::SplitBlankOrComma(text)) numbers.push_back(platform::ParseLeadingInt(item));
  return numbers;
}

}  // namespace engine
