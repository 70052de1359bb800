// The capacity the settings give the drive and the bad-block percentage of the automatic
// capacity choice.
#include <algorithm>

#include "engine/MPDevice.h"
#include "engine/core/SettingLists.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace {

std::uint32_t PositiveOrZero(int value) { return value > 0 ? static_cast<std::uint32_t>(value) : 0; }

}  // namespace

// In this order: the Capacity key of the tool settings, the flash capacity of the parameter
// file, the largest size of the automatic capacity list (when the choice is on), and the
// single-CE capacity (in MB, as the RDT pretest's capacity check reads it) times the drive's
// CE count, in GB. A limit chosen by capacity passes the table it was read with, whose sizes
// are then the list's.
std::uint32_t CMPDevice::GetCapacity(const engine::CapacityTable* table) {
  if (const std::uint32_t set = PositiveOrZero(platform::ParseLeadingInt(
          platform::Trim(settings::ReadText(settings::keys::Capacity, 40))))) {
    return set;
  }
  if (const std::uint32_t flash = PositiveOrZero(platform::ParseLeadingInt(
          platform::Trim(settings::ReadText(settings::keys::FlhCapacity, 40))))) {
    return flash;
  }
  if (settings::ReadInt(settings::keys::AutoCapacityEnable) != 0) {
    const std::vector<int> sizes =
        table != nullptr ? table->sizes
                         : engine::ParseDecimalList(settings::ReadText(settings::keys::AutoCapacitySizeArray));
    if (!sizes.empty()) return PositiveOrZero(*std::max_element(sizes.begin(), sizes.end()));
  }
  const std::uint32_t single =
      PositiveOrZero(platform::ParseLeadingInt(settings::ReadText(settings::keys::FlhSingleCECapacity, 40)));
  const std::uint64_t total = (static_cast<std::uint64_t>(single) * m_CECount) >> 10;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(total, 0xFFFFFFFFu));
}

std::uint32_t CMPDevice::SelectAutoCapacity(const engine::CapacityTable& table, std::uint32_t capacityGB) {
  if (table.percentKey == nullptr) return 0;
  WriteReportLine(platform::Format("Select %s", table.percentKey->name), kPlainLine);
  return table.PercentFor(capacityGB);
}
