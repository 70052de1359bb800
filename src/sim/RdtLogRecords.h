#pragma once
// Encoders of the RDT logs, byte for byte as the drive leaves them. Each encoder returns
// exactly the requested log size (a whole number of sectors); a log that does not fit is cut
// at the last whole record that fits, and its end mark is then dropped.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "device/records/RdtLogs.h"

namespace sim {

// Bytes needed to hold a log's contents, rounded up to whole sectors.
std::uint32_t WholeSectors(std::size_t bytes);

std::vector<std::uint8_t> EncodeTemperatureLog(const std::vector<TemperatureLogRecord>& records,
                                               const std::optional<MpInfo>& rdtInfo,
                                               std::uint32_t logBytes);
std::size_t TemperatureLogBytesNeeded(std::size_t records, bool withRdtInfo);

std::vector<std::uint8_t> EncodeSdrLog(const std::vector<SdrLogRecord>& records, std::uint32_t logBytes);
std::size_t SdrLogBytesNeeded(std::size_t records);

std::vector<std::uint8_t> EncodeSpecialLog(const std::vector<RdtSpecialLogEntry>& entries,
                                           std::uint32_t logBytes);
std::size_t SpecialLogBytesNeeded(std::size_t entries);

// pageBytes: the flash page size; the ECC-bit section starts at the first page boundary
// after the end mark. Without ECC records no section is written.
std::vector<std::uint8_t> EncodeBadBlockLog(const std::vector<RdtBadBlockLogEntry>& entries,
                                            const std::vector<RdtEccBitRecord>& eccRecords,
                                            std::uint32_t pageBytes, std::uint32_t logBytes);
std::size_t BadBlockLogBytesNeeded(std::size_t entries, std::size_t eccRecords, std::uint32_t pageBytes);

}  // namespace sim
