#pragma once
// Chooses and installs the station's transport at start-up, from the station's platform
// settings (Platform.ini in the station folder):
//   [Device] Transport=sim   the simulated station of the scenario file (the default, also
//                            when Platform.ini or the key is missing)
//            Transport=sg    the Linux SCSI generic driver (real tester boards and drives)
//            Scenario=<file> the scenario, in Configuration\Sim\ (default Default.ini)
//   [Time]   Scale=<x>       the time scale of the simulated station, 0..10 (default 1):
//                            0 runs without pauses, 1 in real time. Real drives always run
//                            in real time: the scale is not applied to them.
// Any other transport, a scale that is not a number from 0 to 10 or a scenario that cannot
// be read stops start-up with a message that names the file, the line and the key; nothing
// is installed then. The keys are documented for operators in Configuration\Sim\README.txt.
#include <string>

#include "sim/TimeScale.h"

namespace sim {

inline constexpr char kSgTransportName[] = "sg";
inline constexpr char kSimTransportName[] = "sim";

// Installs the transport with device::SetTransport and sets the platform's time scale (the
// setting for the simulator, 1 for real drives). False, with the reason in error (when
// given), when the settings are refused.
bool InstallStationTransport(std::string* error = nullptr);

}  // namespace sim
