#pragma once
// The later-bad page's request to the next bad-block scan: the scan runs without the
// automatic capacity choice and, when the limit text is neither empty nor "0", judges every
// plane against the page's limit (a number of bad blocks per plane, or a percentage of the
// blocks per CE spread over the dies and planes when the text holds "%").
//
// The page's button handler writes the two globals before it starts its worker; the worker
// hands them to its own engine with CMPDevice::TakeLaterBadRequest, which also clears them.
// Only that engine's next scan uses the request: an engine of a production flow never reads
// the globals, so one page's limit never judges another slot's drive.
#include <cstdint>
#include <string>
#include <string_view>

extern std::uint8_t g_LaterBadRequest;
extern std::string g_LaterBadLimitText;

// Maximum bad blocks per plane of a percentage: blocks per CE x percent / 100, divided by the
// dies and then by the planes, each division truncating (0 for 0 dies or planes).
std::uint32_t MaxBadPerPlane(std::uint32_t blocksPerCe, std::uint32_t percent, std::uint32_t diesPerCe,
                             std::uint32_t planes);

// Maximum bad blocks per plane of a limit text: with "%" the number (every "%" removed, the
// leading whole number taken) is a percentage of blocksPerCe, divided by the dies and then by
// the planes (MaxBadPerPlane); without "%" the number itself. A text that is not a number
// gives 0.
std::uint32_t MaxBadPerPlaneOfLimit(std::string_view limitText, std::uint32_t blocksPerCe, std::uint32_t diesPerCe,
                                    std::uint32_t planes);
