#include "sim/StationTransport.h"

#include <memory>
#include <optional>

#include "device/SgTransport.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "sim/ScenarioLoader.h"
#include "sim/SimTransport.h"

namespace sim {

namespace {

// "<file> line <n>, [<section>] <key>: " for a message about one setting.
std::string WhereIs(const settings::Key& key) {
  const std::size_t line = platform::ReadProfileKeyLine(key.file, key.section, key.name);
  return platform::Format("%s line %zu, [%s] %s: ", key.file, line, key.section, key.name);
}

bool Refuse(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

}  // namespace

bool InstallStationTransport(std::string* error) {
  const std::string transport = platform::Trim(settings::ReadText(settings::keys::PlatformTransport));
  const bool real = platform::EqualsNoCase(transport, kSgTransportName);
  if (!real && !platform::EqualsNoCase(transport, kSimTransportName)) {
    return Refuse(error, WhereIs(settings::keys::PlatformTransport) +
                             platform::Format("\"%s\" is not a transport of this station (%s: the simulated station, "
                                              "%s: the SCSI generic driver for real drives).",
                                              transport.c_str(), kSimTransportName, kSgTransportName));
  }
  const std::string scaleText = platform::Trim(settings::ReadText(settings::keys::PlatformTimeScale));
  const std::optional<double> scale = ParseTimeScale(scaleText);
  if (!scale) {
    return Refuse(error, WhereIs(settings::keys::PlatformTimeScale) +
                             platform::Format("\"%s\" is refused: the time scale is a number from 0 to %g.",
                                              scaleText.c_str(), kMaxTimeScale));
  }
  if (real) {
    // Real drives settle and get ready in real time: the scale is for the simulator alone.
    platform::SetTimeScale(1.0);
    device::SetTransport(std::make_shared<device::SgTransport>());
    return true;
  }
  const std::string scenarioText = platform::Trim(settings::ReadText(settings::keys::PlatformScenario));
  const std::string scenario = scenarioText.empty() ? std::string(kDefaultScenario) : scenarioText;
  if (!platform::FileExists(ScenarioPath(scenario)) || platform::IsDirectory(ScenarioPath(scenario))) {
    return Refuse(error, WhereIs(settings::keys::PlatformScenario) +
                             platform::Format("the scenario file %s does not exist.", ScenarioPath(scenario).c_str()));
  }
  ScenarioResult loaded = LoadScenario(scenario);
  if (!loaded.station) return Refuse(error, loaded.error);
  platform::SetTimeScale(*scale);
  device::SetTransport(std::make_shared<SimTransport>(loaded.station));
  return true;
}

}  // namespace sim
