#include "run/PassText.h"

#include "platform/Text.h"
#include "run/FlowDriveFacts.h"
#include "run/SlotLayouts.h"

namespace {

constexpr int kFullNameSlotLayout = 24;
constexpr std::size_t kCellFieldLength = 10;

// Inserts "*" before every character whose offset is a positive multiple of ten, up to
// `length` characters of the text.
std::string StarEveryTen(std::string_view text, std::size_t length) {
  std::string result;
  const std::string_view kept = text.substr(0, length);
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (i != 0 && i % kCellFieldLength == 0) result.push_back('*');
    result.push_back(kept[i]);
  }
  return result;
}

}  // namespace

std::string PassModelText(std::span<const std::uint8_t> identify, int slotLayout) {
  const std::string model = IdentifyWordsText(identify, kIdentifyModelFirstWord, kIdentifyModelWords);
  const std::size_t length = slotLayout == kEightSlotLayout ? 4 * kCellFieldLength : 2 * kCellFieldLength;
  return platform::Trim(StarEveryTen(model, length));
}

std::string PassSerialText(std::span<const std::uint8_t> identify) {
  const std::string serial = IdentifyWordsText(identify, kIdentifySerialFirstWord, kIdentifySerialWords);
  return platform::Trim(StarEveryTen(serial, 2 * kCellFieldLength));
}

std::string PassCapacityText(std::int64_t sizeMB, int slotLayout, std::int64_t shownCapacity) {
  const auto mb = static_cast<long long>(sizeMB);
  const auto shown = static_cast<long long>(shownCapacity);
  if (sizeMB <= 1024) return platform::Format("%lld(%lld) MB", mb, shown);
  if (slotLayout < kFullNameSlotLayout) return platform::Format("%lld MB*%lld(%lld) GB", mb, mb >> 10, shown);
  return platform::Format("%lld(%lld) GB", mb >> 10, shown);
}

std::string BuildPassText(const PassTextFields& fields) {
  std::string text;
  if (fields.shortRun) {
    text = "Pass*Short*Enabled";
  } else {
    text = "Pass";
    if (fields.reduced) text += kReducedCapacityArrow;
    text += "*" + fields.capacityText + "*" + fields.modelText;
    if (fields.modelText.empty() || fields.modelText.back() != '*') text += "*";
    text += fields.serialText;
    text += "*" + fields.statisticsText;
  }
  if (!fields.windowScanText.empty() && fields.firstScanSlotLayout == kEightSlotLayout) {
    text += " *" + fields.windowScanText;
  }
  return text;
}
