#pragma once
// The time scale of the simulated station, as Platform.ini's [Time] Scale and a scenario's
// TimeScale give it: a finite number from 0 (no pauses) to kMaxTimeScale.
#include <optional>
#include <string>

namespace sim {

inline constexpr double kMaxTimeScale = 10.0;

// The scale a text gives (the whole text a number in the range), or nothing.
std::optional<double> ParseTimeScale(const std::string& text);

}  // namespace sim
