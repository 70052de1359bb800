#include "sim/TimeScale.h"

#include <cmath>
#include <cstdlib>

namespace sim {

std::optional<double> ParseTimeScale(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value) || value < 0.0 || value > kMaxTimeScale) {
    return std::nullopt;
  }
  return value;
}

}  // namespace sim
