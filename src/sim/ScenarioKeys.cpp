#include "sim/ScenarioKeys.h"

#include "platform/Text.h"

namespace sim {

namespace {

using enum ScenarioSection;

constexpr ScenarioKey kScenarioKeys[] = {
    // [Station]
    {Station, "Boards", false},
    {Station, "Seed", false},
    {Station, "TimeScale", false},
    // [Board<b>]
    {Board, "Product", false},
    {Board, "Slots", false},
    {Board, "FirstTester", false},
    {Board, "TesterType", false},
    {Board, "Version", false},
    {Board, "ExtraValue", false},
    {Board, "Drive", false},
    {Board, "Slot", true},
    {Board, "Empty", false},
    // Drive profiles: running code and identity
    {Drive, "Code", false},
    {Drive, "BootName", false},
    {Drive, "BurnerName", false},
    {Drive, "FlashName", false},
    {Drive, "RdtName", false},
    {Drive, "Serial", false},
    {Drive, "Model", false},
    {Drive, "BinType", false},
    {Drive, "IcVersion", false},
    // Drive profiles: flash geometry and bad blocks
    {Drive, "CeMap", false},
    {Drive, "CeNumberedByMap", false},
    {Drive, "Dies", false},
    {Drive, "DiesPerChip", false},
    {Drive, "Planes", false},
    {Drive, "BlocksPerCe", false},
    {Drive, "PageSectors", false},
    {Drive, "CeSizeExponent", false},
    {Drive, "FlashId", false},
    {Drive, "EarlyBadPerCe", false},
    {Drive, "LaterBadPerCe", false},
    {Drive, "BadBlock", true},
    // Drive profiles: info block, faults of the drive, SMART, command faults
    {Drive, "FlashImage", false},
    {Drive, "InfoBlock", false},
    {Drive, "GoodMark", false},
    {Drive, "DramFail", false},
    {Drive, "EFuseBad", false},
    {Drive, "SmartThresholdExceeded", false},
    {Drive, "ApKeyRefused", false},
    {Drive, "Smart", true},
    {Drive, "Fault", true},
    // Drive profiles: RDT results
    {Drive, "RdtState", false},
    {Drive, "RdtResultCode", false},
    {Drive, "RdtBadBlockNumber", false},
    {Drive, "RdtCeMap", false},
    {Drive, "RdtTlcLoops", false},
    {Drive, "RdtSlcLoops", false},
    {Drive, "RdtTlcEcc", false},
    {Drive, "RdtSlcEcc", false},
    {Drive, "RdtMinTemp", false},
    {Drive, "RdtMaxTemp", false},
    {Drive, "RdtTemp", false},
    {Drive, "RdtTotalTime", false},
    {Drive, "RdtFwVersion", false},
    {Drive, "RdtSkipFlags", false},
    {Drive, "RdtRunFlags", false},
    {Drive, "RdtRunWord", false},
    {Drive, "RdtTestUnit", false},
    {Drive, "RdtDramFail", false},
    {Drive, "RdtTemperature", true},
    {Drive, "RdtSdr", true},
    {Drive, "RdtSpecial", true},
    {Drive, "RdtBadBlock", true},
    {Drive, "RdtEcc", true},
    {Drive, "RdtBadBlockLog", false},
    {Drive, "Corrupt", true},
};

// "<name><k>" with k = 1, 2, ... in decimal digits.
bool IsNumbered(std::string_view key, std::string_view name) {
  if (key.size() <= name.size() || !platform::StartsWithNoCase(key, name)) return false;
  const std::string_view number = key.substr(name.size());
  if (number.front() == '0') return false;
  for (const char c : number) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

bool IsScenarioKey(ScenarioSection section, std::string_view key) {
  for (const ScenarioKey& entry : kScenarioKeys) {
    if (entry.section != section) continue;
    if (entry.numbered ? IsNumbered(key, entry.name) : platform::EqualsNoCase(key, entry.name)) return true;
  }
  return false;
}

}  // namespace sim
