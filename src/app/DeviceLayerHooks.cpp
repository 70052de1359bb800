#include "app/DeviceLayerHooks.h"

DeviceLayerHooks& GetDeviceLayerHooks() {
  // The device layer's bridge-mode flag and listing library are connected here once the
  // device folder offers them (g_U2AMode, g_GetDevLibrary load and unload).
  static DeviceLayerHooks hooks;
  return hooks;
}
