#include "app/DeviceLayerHooks.h"

#include "device/DeviceListing.h"
#include "device/DevicePaths.h"

DeviceLayerHooks& GetDeviceLayerHooks() {
  static DeviceLayerHooks hooks{
      [](std::uint8_t mode) { g_U2AMode.store(mode); },
      [] { return g_GetDevLibrary.Load(); },
      [] { g_GetDevLibrary.Unload(); },
  };
  return hooks;
}
