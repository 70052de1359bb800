#pragma once
// Which station flow a slot task runs, by its task kind and the test-station mode. One table
// serves the single and the auto-detect paths of CSlotTestTask::Run.
#include <cstdint>

// Task kinds the pages create.
enum TaskKind : int {
  kTaskInit = 1,        // EraseAll, RDT, MP, EraseMP, ReRDT, SortMP, SortRDT (legacy: Initial)
  kTaskQC = 4,          // QC, UpdateFW, RMADBG (legacy: QC)
  kTaskExchange = 7,    // legacy drive-exchange round
  kTaskRDTResult = 10,  // RDTResult, CSB, 0MB (legacy: Pretest)
  kTaskBadBlock = 11,   // legacy Bad Block button
};

enum class SlotFlow : std::uint8_t {
  None,             // the kind runs no flow at this station
  MP,               // RunMPFlow
  QC,               // RunQCFlow
  EraseAll,         // RunEraseAllFlow
  RDT,              // RunRDTFlow
  ZeroMBCheck,      // RunZeroMBCheckFlow
  UpgradeFirmware,  // RunUpgradeFirmwareFlow
  RDTResult,        // RunRDTResultFlow
  RewriteISP,       // RunRewriteISPFlow
  ReadRMADebug,     // RunReadRMADebugFlow
};

// The flow of a task kind at a station mode (0..10); onlyDoIsp is OnlyDoISP of [Options] in
// param.ini being non-zero.
SlotFlow ChooseSlotFlow(int kind, int stationMode, bool onlyDoIsp);

// Whether the flow hands out serial numbers: the MP and RDT pretest flows.
constexpr bool HandsOutSerialNumbers(SlotFlow flow) { return flow == SlotFlow::MP || flow == SlotFlow::RDT; }

// Whether a test of the task kind at the station mode writes a row of Summary.csv: the
// initial test of the MP station.
bool WritesSummaryCsvRow(int kind, int stationMode);
