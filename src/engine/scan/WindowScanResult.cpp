#include "engine/scan/WindowScanResult.h"

#include <algorithm>
#include <cstring>

#include "platform/Text.h"

bool WindowScanResult::Passes() const {
  if (status != 0 || channels.empty()) return false;
  for (const ChannelWindow& channel : channels) {
    if (!channel.Passes()) return false;
  }
  return true;
}

std::string WindowScanResult::Text() const {
  std::string text;
  for (std::size_t i = 0; i < channels.size(); ++i) {
    if (i != 0) text += ',';
    text += platform::Format("CH%zu:%u-%u(%u)", i, channels[i].first, channels[i].last, channels[i].chosen);
  }
  return text;
}

std::optional<WindowScanResult> DecodeWindowScan(std::span<const std::uint8_t> sector) {
  device::WindowScanReply reply{};
  if (sector.size() < device::WindowScanReplyBytes(0)) return std::nullopt;
  std::memcpy(&reply, sector.data(), std::min(sector.size(), sizeof(reply)));
  const unsigned count = reply.channelCount;
  if (count == 0 || count > device::kWindowScanMaxChannels || sector.size() < device::WindowScanReplyBytes(count)) {
    return std::nullopt;
  }
  WindowScanResult result;
  result.status = reply.status;
  for (unsigned channel = 0; channel < count; ++channel) {
    const device::WindowScanChannel& window = reply.channels[channel];
    result.channels.push_back({window.first, window.last, window.chosen});
  }
  return result;
}
