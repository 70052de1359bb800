#include "engine/scan/LaterBadRequest.h"

#include <utility>

#include "engine/MPDevice.h"
#include "platform/Text.h"

std::uint8_t g_LaterBadRequest = 0;
std::string g_LaterBadLimitText;

void CMPDevice::TakeLaterBadRequest() {
  m_LaterBadRequest = g_LaterBadRequest;
  m_LaterBadLimitText = g_LaterBadRequest != 0 ? std::exchange(g_LaterBadLimitText, {}) : std::string();
  g_LaterBadRequest = 0;
  g_LaterBadLimitText.clear();
}

std::uint32_t MaxBadPerPlane(std::uint32_t blocksPerCe, std::uint32_t percent, std::uint32_t diesPerCe,
                             std::uint32_t planes) {
  if (diesPerCe == 0 || planes == 0) return 0;
  const std::uint64_t share = static_cast<std::uint64_t>(blocksPerCe) * percent / 100;
  return static_cast<std::uint32_t>(share / diesPerCe / planes);
}

std::uint32_t MaxBadPerPlaneOfLimit(std::string_view limitText, std::uint32_t blocksPerCe, std::uint32_t diesPerCe,
                                    std::uint32_t planes) {
  if (limitText.find('%') == std::string_view::npos) {
    const int value = platform::ParseLeadingInt(limitText);
    return value > 0 ? static_cast<std::uint32_t>(value) : 0;
  }
  std::string number;
  for (char c : limitText) {
    if (c != '%') number += c;
  }
  const int percent = platform::ParseLeadingInt(platform::Trim(number));
  return percent > 0 ? MaxBadPerPlane(blocksPerCe, static_cast<std::uint32_t>(percent), diesPerCe, planes) : 0;
}
