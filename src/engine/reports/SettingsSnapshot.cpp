#include "engine/reports/SettingsSnapshot.h"

#include <span>
#include <string_view>

#include "platform/StationSettings.h"

namespace engine {
namespace {

// Values are read into a buffer of 250 characters, as the report has always shown them.
constexpr std::size_t kValueBufferSize = 250;

// One line of a group: a settings key, or a fixed key and value.
struct SnapshotRow {
  const settings::Key* key;
  std::string_view fixedName = {};
  std::string_view fixedValue = {};
};

namespace k = settings::keys;

constexpr SnapshotRow kToolRows[] = {
    {&k::BuildVersion}, {&k::MPVerProjectName}, {&k::TestStation}, {&k::Capacity}, {&k::Short},
    {&k::RDTLimit},     {&k::Class},            {&k::SmartC4ReInit}, {&k::IL2B},
};

constexpr SnapshotRow kParamRows[] = {
    {&k::IspMPBinCode},
    {&k::IspRDTBinCode},
    {nullptr, "ControllerType", "TV3160"},
    {&k::Pretest},
    {&k::MPBoardType},
    {&k::ModelName},
    {&k::SetFirmwareName},
    {&k::SetSSDSize},
    {&k::AutoIncreseSerialNum},
    {&k::KeepModelFWSN},
    {&k::SkipMPScan},
    {&k::PutThermalSensor},
    {&k::SataSscEnable},
    {&k::DevslpEnable},
    {&k::ScanMaxBadPercent},
    {&k::MaxCapacity},
    {&k::MinCapacity},
    {&k::SkipRDTScan},
    {&k::AfterMpDoResetSMART},
    {&k::DisableSmart01},
    {&k::DisableSmartC2},
    {&k::DisableSmartC3},
    {&k::DisableSmartC4},
    {&k::DisableSmartC5},
    {&k::DisableSmartC7},
    {&k::TemperatureFixed},
    {&k::TemperatureMax},
    {&k::CHCEMap},
};

constexpr SnapshotRow kParamFdbRows[] = {
    {&k::FlhType},
    {&k::FlhMakeCode},
    {&k::FlhCapacity},
    {&k::FlhNumber},
    {&k::FlhID},
    {&k::FlhMPBinType},
    {&k::FlhRDTBinType},
    {&k::FlhSingleCECapacity},
    {&k::Flash2ndBinCELimit},
    {&k::Flash2ndRDTBinType},
    {&k::Flash2ndMPBinType},
    {&k::FlhIDMask},
    {&k::AutoCapacityEnable},
    {&k::AutoCapacitySizeArray},
    // The limits per CE count, AutoCapacity_MaxBadPercent_1CE to _16CE.
    {&k::AutoCapacityMaxBadPercent1CE},
    {&k::AutoCapacityMaxBadPercent2CE},
    {&k::AutoCapacityMaxBadPercent3CE},
    {&k::AutoCapacityMaxBadPercent4CE},
    {&k::AutoCapacityMaxBadPercent5CE},
    {&k::AutoCapacityMaxBadPercent6CE},
    {&k::AutoCapacityMaxBadPercent7CE},
    {&k::AutoCapacityMaxBadPercent8CE},
    {&k::AutoCapacityMaxBadPercent9CE},
    {&k::AutoCapacityMaxBadPercent10CE},
    {&k::AutoCapacityMaxBadPercent11CE},
    {&k::AutoCapacityMaxBadPercent12CE},
    {&k::AutoCapacityMaxBadPercent13CE},
    {&k::AutoCapacityMaxBadPercent14CE},
    {&k::AutoCapacityMaxBadPercent15CE},
    {&k::AutoCapacityMaxBadPercent16CE},
    {&k::MPPerformance1EN},
    {&k::MPPerformance2EN},
    {&k::OnlyDoFlash},
    {&k::RdtDynamicCEEn},
    {&k::RdtPlaneMaxBadBlkRatioTV},
    {&k::RdtEnAutoCapMaxBadPercent},
    {&k::RdtMaxEraseBadBlkRatio},
    {&k::RdtMaxProgBadBlkRatio},
    {&k::RdtMaxReadBadBlkRatio},
    {&k::RdtMaxEraseBadBlkCount},
    {&k::RdtMaxProgBadBlkCount},
    {&k::RdtMaxReadBadBlkCount},
    {&k::EnableSetCycle},
    {&k::Cycle},
    {&k::EnableSetCycleSLC},
    {&k::CycleSLC},
    {&k::EccThreshold},
    {&k::SlcEccThreshold},
};

struct SnapshotGroup {
  std::string_view head;
  std::span<const SnapshotRow> rows;
};

constexpr SnapshotGroup kGroups[] = {
    {"[MPToolSetting]\r\n", kToolRows},
    {"[Param]\r\n", kParamRows},
    {"[ParamFDB]\r\n", kParamFdbRows},
};

// The value as it stands in the file: a missing key shows empty, whatever default the
// program uses when it reads the key for itself.
std::string StoredValue(const settings::Key& key) {
  settings::Key asStored = key;
  asStored.defaultValue = "";
  return settings::ReadText(asStored, kValueBufferSize);
}

std::string FormatGroup(const SnapshotGroup& group) {
  std::string text(group.head);
  for (const SnapshotRow& row : group.rows) {
    text += row.key != nullptr ? std::string_view(row.key->name) : row.fixedName;
    text += '=';
    text += row.key != nullptr ? StoredValue(*row.key) : std::string(row.fixedValue);
    text += " \r\n";
  }
  return text;
}

}  // namespace

std::vector<std::string> FormatSettingsSnapshot() {
  std::vector<std::string> appends;
  for (const SnapshotGroup& group : kGroups) appends.push_back(FormatGroup(group));
  appends.push_back(std::string(60, '*') + " \r\n");
  return appends;
}

}  // namespace engine
