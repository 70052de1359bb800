#pragma once
// Capacity arithmetic of the flows' capacity checks and pass text. Everything is in 64-bit
// signed numbers, so capacities beyond 2198 GB (where the 32-bit rule of the LBA count
// overflows) come out right; below that the results are the same as in 32 bits.
#include <cstdint>
#include <optional>
#include <string_view>

// MB of a capacity in GB by the IDEMA LBA1-03 rule followed by a shift:
// (97696368 + 1953504 x (GB - 50)) >> 11.
std::int64_t CapacityMBOfGB(int gigabytes);

// MB of a sector count (sectors >> 11).
std::int64_t CapacityMBOfSectors(std::uint64_t sectors);

// MB of a size in bytes (divided by 1024 twice).
std::int64_t CapacityMBOfBytes(std::uint64_t bytes);

// The factor of an "SSDSizePercent" text, read as C's text-to-double conversion reads it and
// kept as a 32-bit float; none when the text is empty or "0".
std::optional<float> SizePercentFactor(std::string_view text);

// A size text read as C's text-to-double conversion reads it, truncated to a whole number
// ("128.9" -> 128; "" or a text without a number -> 0; beyond 64 bits it saturates).
std::int64_t TruncatedSizeOfText(std::string_view text);

// A size in MB times the factor, computed in 32-bit float as the station always did, then
// truncated.
std::int64_t ApplySizePercent(std::int64_t megabytes, float factor);
