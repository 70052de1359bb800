#include "sim/StationTransport.h"

#include <memory>

#include "device/SgTransport.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "sim/ScenarioLoader.h"
#include "sim/SimTransport.h"

namespace sim {

bool InstallStationTransport(std::string* error) {
  const std::string settings = platform::PlatformSettingsPath().string();
  const std::string transport = platform::Trim(
      platform::ReadProfileString(settings, kPlatformDeviceSection, kTransportKey, "sim"));
  if (platform::EqualsNoCase(transport, kSgTransportName)) {
    device::SetTransport(std::make_shared<device::SgTransport>());
    return true;
  }
  const std::string scenario = platform::Trim(
      platform::ReadProfileString(settings, kPlatformDeviceSection, kScenarioKey, kDefaultScenario));
  ScenarioResult loaded = LoadScenario(scenario.empty() ? std::string(kDefaultScenario) : scenario);
  if (!loaded.station) {
    if (error) *error = loaded.error;
    return false;
  }
  device::SetTransport(std::make_shared<SimTransport>(loaded.station));
  return true;
}

}  // namespace sim
