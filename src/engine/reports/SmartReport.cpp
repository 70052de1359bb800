#include "engine/reports/SmartReport.h"

#include "device/ByteOrder.h"
#include "device/records/SmartPage.h"
#include "platform/Text.h"

namespace engine {

static_assert(kSmartPageBytes == 512);

SmartReportText FormatSmartReport(std::span<const std::uint8_t, 512> page) {
  SmartReportText text{{}, "Smart ID*"};
  for (std::size_t entry = 0; entry < kSmartPageMaxEntries; ++entry) {
    const std::uint8_t* bytes = page.data() + entry * sizeof(SmartPageEntry);
    const std::uint8_t id = bytes[offsetof(SmartPageEntry, id)];
    if (id == 0) break;
    const std::uint64_t value = device::LoadLittleEndian(bytes + offsetof(SmartPageEntry, value), 8);
    text.lines += platform::Format("   Smart ID - %02X : %016llx\r\n", id, static_cast<unsigned long long>(value));
    if (entry < kSmartSummaryEntries) {
      text.summary += platform::Format("%02X : (%02X)*", id, static_cast<unsigned>(value & 0xFFFFFFFFu));
    }
  }
  return text;
}

}  // namespace engine
