#include "run/RunGlobals.h"

std::array<std::atomic<int>, kSlotCount> g_PortState{};
std::atomic<std::uint8_t> g_StopAll{0};
std::atomic<std::int32_t> g_ExchangePhase{0};
CSharedText g_WorkOrderFilePath;
CSharedText g_WorkFolder;
CSharedText g_WorkingNo;

std::string StationLogFolder() { return g_WorkFolder.Get() + "Log"; }
std::string SummaryCsvFolder() { return g_WorkFolder.Get() + "MPTestSummary"; }
std::string SummaryCsvPath() { return SummaryCsvFolder() + "\\Summary.csv"; }

namespace {
// Every port starts idle, before any page or task looks.
const bool g_portStatesIdle = [] {
  ResetPortStates();
  return true;
}();
}  // namespace

void ResetPortStates() {
  for (std::atomic<int>& state : g_PortState) state.store(kPortIdle);
}

int PortStateOf(int port) {
  if (port < 1 || port > kSlotCount) return kPortIdle;
  return g_PortState[static_cast<std::size_t>(port - 1)].load();
}
