#pragma once
// The application's start-up reaches the device layer through these hooks: it hands over
// the bridge-mode flag (TV_U2A) to g_U2AMode and loads and unloads the device-listing library
// (g_GetDevLibrary). Tests replace them; a hook left empty is skipped.
#include <cstdint>
#include <functional>

struct DeviceLayerHooks {
  std::function<void(std::uint8_t)> setBridgeMode;
  std::function<bool()> loadListing;
  std::function<void()> unloadListing;
};

// The hooks in use (the device layer's by default).
DeviceLayerHooks& GetDeviceLayerHooks();
