#pragma once
// What the simulated drive reads from a firmware image it is given: an image without a
// printable name in its header runs under the scenario's name.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "device/records/FirmwareImageHeader.h"

namespace sim {

// The running name an image carries, when its header holds 1 to 8 printable characters there.
std::optional<std::string> FirmwareNameOfImage(std::span<const std::uint8_t> image);
// The bin type an image's header names (0x28), when it holds printable characters there.
std::optional<std::string> BinTypeOfImage(std::span<const std::uint8_t> image);

}  // namespace sim
