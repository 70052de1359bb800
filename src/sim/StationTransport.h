#pragma once
// Chooses and installs the station's transport at start-up, from the station's platform
// settings (Platform.ini in the station folder, section [Device]):
//   Transport=sg    the Linux SCSI generic driver (real tester boards and drives)
//   Transport=<any other value, or none>   the simulated station of the scenario file
//   Scenario=<file> the scenario, in Configuration\Sim\ (default Default.ini)
// The keys are documented for operators in Configuration\Sim\README.txt.
#include <string>

namespace sim {

inline constexpr char kSgTransportName[] = "sg";

// Installs the transport with device::SetTransport. False, with the reason in error (when
// given), when the scenario cannot be loaded; no transport is installed then.
bool InstallStationTransport(std::string* error = nullptr);

}  // namespace sim
