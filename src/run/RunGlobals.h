#pragma once
// The globals of a production run that the slot tasks read and write. The production page
// sets them up when a pass starts (paths, stop flag, port states) and its timer reads the
// port states back; the tasks run on pool workers, so every value here is either an atomic
// or a CSharedText.
#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/StationSettings.h"
#include "run/SharedText.h"

// Number of ports of the production page; port n uses index n - 1 of the per-port arrays.
inline constexpr int kPortCount = 24;
// Number of slots of the legacy slot page (testers 1..48): the port states and the per-port
// result codes have an entry for each, so a task of any slot 1..48 publishes its state.
inline constexpr int kSlotCount = 48;

// Port states, written by CSlotTestTask::SetSlotStatus (and by the production page when it
// takes back the passes of a pass whose summary log could not be written) and read by the
// page's timer (a pass is over when no port is testing) and by drive-exchange (kind 7) tasks.
enum PortState : int {
  kPortIdle = -1,
  kPortFail = 0,
  kPortPass = 1,
  kPortTesting = 2,
  kPortWaiting = 4,
};
extern std::array<std::atomic<int>, kSlotCount> g_PortState;
// Sets every port state to idle (the page does so at the start of each pass).
void ResetPortStates();
// The state of a port or slot 1..48; idle for one outside that range.
int PortStateOf(int port);

// Set by a task whose flow failed while StopIfFail ([RD Debug] of param.ini) is 1: the
// remaining tasks leave their slots powered and the page starts no further pass. Cleared by
// the page when a run starts.
extern std::atomic<std::uint8_t> g_StopAll;

// The drive-exchange round of the legacy page: 1 while kind-7 tasks wait for the operator to
// swap drives, 0 otherwise (always 0 in runs of the production page).
extern std::atomic<std::int32_t> g_ExchangePhase;

// Path of the run's work-order file ("%s\WO_%s_%s.txt"), made by the page when a pass starts;
// empty before that, and then no results list is written.
extern CSharedText g_WorkOrderFilePath;
// The program's work folder with a trailing "\" (the parent of "Log" and "MPTestSummary");
// set by the page when it builds its log paths. Empty: the station folder itself.
extern CSharedText g_WorkFolder;
// The work folder's station log folder ("<work folder>Log", where the RDT result station
// copies its reports), and the MP station's Summary.csv and its folder.
std::string StationLogFolder();
std::string SummaryCsvFolder();
std::string SummaryCsvPath();
// The cached work number; when it is empty readers take WorkingNo of [General Info] in
// param.ini instead.
extern CSharedText g_WorkingNo;

// The run parameter file and the working copy of the chosen parameter file (the page copies
// the file chosen in its list over it; the engine reads it).
inline constexpr const char* g_ParamIniPath = settings::kParamIni;
inline constexpr const char* g_ParamFdbIniPath = settings::kParamFdbIni;
