#include "sim/StationTransport.h"

#include <memory>

#include "device/SgTransport.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "sim/ScenarioLoader.h"
#include "sim/SimTransport.h"

namespace sim {

bool InstallStationTransport(std::string* error) {
  const std::string transport = platform::Trim(settings::ReadText(settings::keys::PlatformTransport));
  if (platform::EqualsNoCase(transport, kSgTransportName)) {
    device::SetTransport(std::make_shared<device::SgTransport>());
    return true;
  }
  const std::string scenario = platform::Trim(settings::ReadText(settings::keys::PlatformScenario));
  ScenarioResult loaded = LoadScenario(scenario.empty() ? std::string(kDefaultScenario) : scenario);
  if (!loaded.station) {
    if (error) *error = loaded.error;
    return false;
  }
  device::SetTransport(std::make_shared<SimTransport>(loaded.station));
  return true;
}

}  // namespace sim
