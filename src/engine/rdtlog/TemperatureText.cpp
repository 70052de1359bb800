#include "engine/rdtlog/TemperatureText.h"

#include "platform/Text.h"

namespace {
constexpr std::uint8_t kBelowRange = 0;
constexpr std::uint8_t kAboveRange = 16;
}  // namespace

const std::string& CTemperatureText::Make(std::uint8_t code) {
  if (code == kBelowRange) {
    m_last = "<-35";
  } else if (code < kAboveRange) {
    m_last = platform::Format("%d", (static_cast<int>(code) - 4) * 10);
  } else if (code == kAboveRange) {
    m_last = ">110";
  }
  return m_last;
}
