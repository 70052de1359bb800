#pragma once
// The flash-interface timing-window scan's result sector, as the controller answers the
// window-scan command: byte 0 the number of flash channels, byte 1 the scan's status (0 when
// the scan ran through), then three bytes per channel: the first and the last of the 16
// timing settings that passed and the setting the controller chose (0..15 each).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr unsigned kWindowSettings = 16;
inline constexpr unsigned kWindowMaxChannels = 16;

struct ChannelWindow {
  std::uint8_t first = 0;
  std::uint8_t last = 0;
  std::uint8_t chosen = 0;
  // A window holds at least one passing setting and the chosen one lies inside it.
  bool Passes() const { return first <= last && last < kWindowSettings && chosen >= first && chosen <= last; }
};

struct WindowScanResult {
  std::uint8_t status = 0;
  std::vector<ChannelWindow> channels;
  bool Passes() const;
  // "CH0:3-12(7),CH1:4-13(8)": each channel's window and chosen setting.
  std::string Text() const;
};

// nullopt when the sector names no channel or more than fit it.
std::optional<WindowScanResult> DecodeWindowScan(std::span<const std::uint8_t> sector);
