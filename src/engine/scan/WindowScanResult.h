#pragma once
// The flash-interface timing-window scan's result as the station judges it; the reply's
// layout is device::WindowScanReply (device/ReplyLayouts.h).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/ReplyLayouts.h"

struct ChannelWindow {
  std::uint8_t first = 0;
  std::uint8_t last = 0;
  std::uint8_t chosen = 0;
  // A window holds at least one passing setting and the chosen one lies inside it.
  bool Passes() const {
    return first <= last && last < device::kWindowScanSettings && chosen >= first && chosen <= last;
  }
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
