// The capacity the settings give the drive and the bad-block percentage of the automatic
// capacity choice.
#include <algorithm>

#include "engine/MPDevice.h"
#include "engine/core/SettingLists.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace {

// AutoCapacity_MaxBadPercent_<n>CE for n = 1..16.
const settings::Key* const kMaxBadPercentKeys[] = {
    &settings::keys::AutoCapacityMaxBadPercent1CE,  &settings::keys::AutoCapacityMaxBadPercent2CE,
    &settings::keys::AutoCapacityMaxBadPercent3CE,  &settings::keys::AutoCapacityMaxBadPercent4CE,
    &settings::keys::AutoCapacityMaxBadPercent5CE,  &settings::keys::AutoCapacityMaxBadPercent6CE,
    &settings::keys::AutoCapacityMaxBadPercent7CE,  &settings::keys::AutoCapacityMaxBadPercent8CE,
    &settings::keys::AutoCapacityMaxBadPercent9CE,  &settings::keys::AutoCapacityMaxBadPercent10CE,
    &settings::keys::AutoCapacityMaxBadPercent11CE, &settings::keys::AutoCapacityMaxBadPercent12CE,
    &settings::keys::AutoCapacityMaxBadPercent13CE, &settings::keys::AutoCapacityMaxBadPercent14CE,
    &settings::keys::AutoCapacityMaxBadPercent15CE, &settings::keys::AutoCapacityMaxBadPercent16CE,
};

// The key of the percentage list of a drive of that many CEs; none outside 1..16.
const settings::Key* MaxBadPercentKeyOf(std::uint32_t ceCount) {
  return ceCount >= 1 && ceCount <= std::size(kMaxBadPercentKeys) ? kMaxBadPercentKeys[ceCount - 1] : nullptr;
}

std::uint32_t PositiveOrZero(int value) { return value > 0 ? static_cast<std::uint32_t>(value) : 0; }

}  // namespace

// In this order: the Capacity key of the tool settings, the flash capacity of the parameter
// file, the largest size of the automatic capacity list (when the choice is on), and the
// single-CE capacity (in MB, as the RDT pretest's capacity check reads it) times the drive's
// CE count, in GB.
std::uint32_t CMPDevice::GetCapacity() {
  if (const std::uint32_t set = PositiveOrZero(platform::ParseLeadingInt(
          platform::Trim(settings::ReadText(settings::keys::Capacity, 40))))) {
    return set;
  }
  if (const std::uint32_t flash = PositiveOrZero(platform::ParseLeadingInt(
          platform::Trim(settings::ReadText(settings::keys::FlhCapacity, 40))))) {
    return flash;
  }
  if (settings::ReadInt(settings::keys::AutoCapacityEnable) != 0) {
    const std::vector<int> sizes = engine::ParseDecimalList(settings::ReadText(settings::keys::AutoCapacitySizeArray));
    if (!sizes.empty()) return PositiveOrZero(*std::max_element(sizes.begin(), sizes.end()));
  }
  const std::uint32_t single =
      PositiveOrZero(platform::ParseLeadingInt(settings::ReadText(settings::keys::FlhSingleCECapacity, 40)));
  const std::uint64_t total = (static_cast<std::uint64_t>(single) * m_CECount) >> 10;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(total, 0xFFFFFFFFu));
}

std::string CMPDevice::AutoCapacityTableProblem() {
  const settings::StrictNumberList sizes = settings::ReadStrictIntList(settings::keys::AutoCapacitySizeArray, 1,
                                                                       settings::kMaxCapacityGbSetting);
  if (!sizes.values) return sizes.problem;
  const settings::Key* percentKey = MaxBadPercentKeyOf(m_CECount);
  if (percentKey == nullptr) return {};
  const settings::StrictNumberList percents = settings::ReadStrictIntList(*percentKey, 0, settings::kMaxPercentSetting);
  return percents.values ? std::string() : percents.problem;
}

settings::StrictNumber CMPDevice::SetCapacitySetting() const {
  // Read into a buffer of 20 characters, as the setting always was.
  return settings::ReadStrictInt(settings::keys::SetSSDSize, 0, settings::kMaxCapacityGbSetting, 20);
}

std::uint32_t CMPDevice::SelectAutoCapacity(std::uint32_t capacityGB) {
  const settings::Key* percentKey = MaxBadPercentKeyOf(m_CECount);
  if (percentKey == nullptr) return 0;
  WriteReportLine(platform::Format("Select %s", percentKey->name), kPlainLine);
  const std::vector<int> sizes = engine::ParseDecimalList(settings::ReadText(settings::keys::AutoCapacitySizeArray));
  const std::vector<int> percents = engine::ParseDecimalList(settings::ReadText(*percentKey));
  for (std::size_t i = 0; i < sizes.size() && i < percents.size(); ++i) {
    if (sizes[i] > 0 && static_cast<std::uint32_t>(sizes[i]) == capacityGB) return PositiveOrZero(percents[i]);
  }
  return 0;
}
