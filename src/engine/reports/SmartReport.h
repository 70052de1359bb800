#pragma once
// The SMART section of the slot report and its one-line summary, from the SMART page the
// drive returns: 9-byte entries from offset 0 (an attribute ID, then the value as an
// unsigned 64-bit little-endian number); the list ends at the first ID 0 or when no whole
// entry is left in the 512 bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace engine {

inline constexpr std::size_t kSmartSummaryEntries = 32;

struct SmartReportText {
  // "   Smart ID - %02X : <16 hexadecimal digits>\r\n" per attribute.
  std::string lines;
  // "Smart ID*" and "%02X : (%02X)*" (ID, low 32 bits of the value) for at most the first
  // kSmartSummaryEntries attributes; the lines list every attribute.
  std::string summary;
};

SmartReportText FormatSmartReport(std::span<const std::uint8_t, 512> page);

}  // namespace engine
