#pragma once
// What the simulated drive reads from a firmware image it is given: an image without a
// printable name in its header runs under the scenario's name.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/records/FirmwareImageHeader.h"

namespace sim {

// The running name an image carries, when its header holds 1 to 8 printable characters there.
std::optional<std::string> FirmwareNameOfImage(std::span<const std::uint8_t> image);
// The bin type an image's header names (0x28), when it holds printable characters there.
std::optional<std::string> BinTypeOfImage(std::span<const std::uint8_t> image);
// The flash section of a whole image file (the 512-byte header, the program-RAM section and
// the flash section, whose sizes the header gives): what the station programs into flash.
// None when the sizes do not add up to the file's.
std::optional<std::vector<std::uint8_t>> FlashSectionOfImageFile(std::span<const std::uint8_t> file);

}  // namespace sim
