#pragma once
// Lists in settings texts: items separated by blanks, tabs or commas ("98 3C 98 B3",
// "128,256, 512"; platform::SplitBlankOrComma).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// Items read as hexadecimal bytes; an item that is not hexadecimal or above 0xFF ends the list.
std::vector<std::uint8_t> ParseHexByteList(std::string_view text);
// Items read as leading decimal numbers ("12GB" counts as 12).
std::vector<int> ParseDecimalList(std::string_view text);

// The message of a bad-block limit that comes to none: a percentage that gives 0 blocks per
// plane (Scan_MaxBadPercent, or the capacity table when it is 0).
std::string NoBadBlockLimitText(std::uint32_t percent, std::uint32_t blocksPerCe);

}  // namespace engine
