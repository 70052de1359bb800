#pragma once
// What a Start of the production page reads before its first pass: the test station and the
// task kind it gives, the number of passes, the serial-number source, the port mapping and the
// drive access mode; and the one-line text of them that the page shows.
#include <string>

struct RunOptions {
  int stationIndex = 0;       // 0..10 (TestStation of MPToolSetting.ini)
  std::string stationProblem; // why TestStation names no station ("": it names one); no pass starts then
  int taskKind = 1;           // kind of the posted tasks
  int passes = 1;             // LoopCount of [Options] in param.ini, at least 1
  bool autoSerialNumber = false;  // AutoIncreseSerialNum of [Options] in param.ini
  bool onlyDoIsp = false;     // OnlyDoISP of [Options] in param.ini: the MP stations upgrade firmware instead
  int mappingType = 0;        // g_MappingType
  bool bridgeMode = false;    // g_U2AMode
};

// The task kind of a station: QC, UpdateFW and RMADBG give 4; RDTResult (also CSB and 0MB)
// gives 10; every other station 1.
int TaskKindOfStation(int stationIndex);

RunOptions ReadRunOptions();

// "Station: MP   Kind: 1   Passes: 1   Serial: auto   Mapping: by drive number   Tester"; the
// serial source only at a station that takes serial numbers; without a station,
// "Station: none (<the problem>)" and the rest.
std::string DescribeRunOptions(const RunOptions& options);
