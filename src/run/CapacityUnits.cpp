#include "run/CapacityUnits.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/Text.h"

namespace {

constexpr std::int64_t kSectorsAt50GB = 97696368;
constexpr std::int64_t kSectorsPerGBAbove50 = 1953504;
constexpr int kSectorsPerMBShift = 11;

}  // namespace

std::int64_t CapacityMBOfGB(int gigabytes) {
  return (kSectorsAt50GB + kSectorsPerGBAbove50 * (std::int64_t{gigabytes} - 50)) >> kSectorsPerMBShift;
}

std::int64_t CapacityMBOfSectors(std::uint64_t sectors) {
  return static_cast<std::int64_t>(sectors >> kSectorsPerMBShift);
}

std::int64_t CapacityMBOfBytes(std::uint64_t bytes) { return static_cast<std::int64_t>(bytes / 1024 / 1024); }

std::optional<float> SizePercentFactor(std::string_view text) {
  const std::string trimmed = platform::Trim(text);
  if (trimmed.empty() || trimmed == "0") return std::nullopt;
  const double value = std::strtod(trimmed.c_str(), nullptr);
  // Beyond the float range the factor saturates instead of an undefined conversion.
  if (std::fabs(value) > std::numeric_limits<float>::max()) {
    return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(value);
}

namespace {

// A double truncated to 64 bits without an undefined conversion.
std::int64_t Truncated(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
  if (value <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

}  // namespace

std::int64_t TruncatedSizeOfText(std::string_view text) {
  const std::string trimmed = platform::Trim(text);
  return Truncated(std::strtod(trimmed.c_str(), nullptr));
}

std::int64_t ApplySizePercent(std::int64_t megabytes, float factor) {
  // A factor text such as "1e40" or "nan" must not make the conversion undefined.
  return Truncated(static_cast<float>(megabytes) * factor);
}
