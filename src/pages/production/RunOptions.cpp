#include "pages/production/RunOptions.h"

#include <algorithm>

#include "device/DevicePaths.h"
#include "device/StationHelpers.h"
#include "pages/common/AutoMapping.h"
#include "pages/common/PageGlobals.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/FlowDispatch.h"

namespace {

const char* MappingName(int mappingType) {
  switch (mappingType) {
    case kMappingNone:
      return "none";
    case kMappingByHub:
      return "by hub";
    case kMappingByDriveNumber:
      return "by drive number";
    default:
      return "unknown";
  }
}

// Whether the station's flow hands out serial numbers.
bool TakesSerialNumbers(const RunOptions& options) {
  if (!options.stationProblem.empty()) return false;
  return HandsOutSerialNumbers(ChooseSlotFlow(options.taskKind, options.stationIndex, options.onlyDoIsp));
}

}  // namespace

int TaskKindOfStation(int stationIndex) {
  switch (stationIndex) {
    case kStationQC:
    case kStationUpdateFW:
    case kStationRMADBG:
      return kTaskQC;
    case kStationRDTResult:
      return kTaskRDTResult;
    default:
      return kTaskInit;
  }
}

RunOptions ReadRunOptions() {
  RunOptions options;
  // A station the settings do not name is no station: the pass refuses to start rather than
  // run another station's flow on the drives.
  const TestStationSetting station = ReadTestStationSetting();
  options.stationIndex = station.index.value_or(kStationRDT);
  options.stationProblem = station.problem;
  options.taskKind = TaskKindOfStation(options.stationIndex);
  options.passes = std::max(1, settings::ReadInt(settings::keys::LoopCount));
  options.autoSerialNumber = settings::ReadInt(settings::keys::AutoIncreseSerialNum) != 0;
  options.onlyDoIsp = settings::ReadInt(settings::keys::OnlyDoISP) != 0;
  options.mappingType = g_MappingType.load();
  options.bridgeMode = g_U2AMode.load() != 0;
  return options;
}

std::string DescribeRunOptions(const RunOptions& options) {
  const std::string station = options.stationProblem.empty() ? std::string(GetTestStationName(options.stationIndex))
                                                             : "none (" + options.stationProblem + ")";
  const std::string serial =
      TakesSerialNumbers(options) ? platform::Format("   Serial: %s", options.autoSerialNumber ? "auto" : "fixed") : "";
  return platform::Format("Station: %s   Kind: %d   Passes: %d%s   Mapping: %s   %s", station.c_str(), options.taskKind,
                          options.passes, serial.c_str(), MappingName(options.mappingType),
                          options.bridgeMode ? "Bridge" : "Tester");
}
