#include "engine/scan/WindowScanResult.h"

#include "platform/Text.h"

namespace {
constexpr std::size_t kHeaderBytes = 2;
constexpr std::size_t kBytesPerChannel = 3;
}  // namespace

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
  if (sector.size() < kHeaderBytes) return std::nullopt;
  const unsigned count = sector[0];
  if (count == 0 || count > kWindowMaxChannels || sector.size() < kHeaderBytes + count * kBytesPerChannel) {
    return std::nullopt;
  }
  WindowScanResult result;
  result.status = sector[1];
  for (unsigned channel = 0; channel < count; ++channel) {
    const std::size_t at = kHeaderBytes + channel * kBytesPerChannel;
    result.channels.push_back({sector[at], sector[at + 1], sector[at + 2]});
  }
  return result;
}
