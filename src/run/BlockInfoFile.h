#pragma once
// The slot's block-information file "#<port>.bin" under Configuration\Temp: a plain sequence
// of raw BlockInfoRecord records, one per scan or RDT judgement of the current run, in the
// order they were written. CSlotTestTask::WriteBlockInfoToFile appends; the readers below
// take whole records only, so a record cut short at the end of the file is ignored.
#include <string>
#include <vector>

#include "engine/BlockInfoRecord.h"
#include "run/FlowDispatch.h"

// "<program folder>\Configuration\Temp\"
std::string BlockInfoFolder();
// "<program folder>\Configuration\Temp\#<port>.bin"
std::string BlockInfoFilePath(int port);

// The most records a drive's run of the flow stores: the MP flow's RDT judgement and its two
// scans, the RDT pretest's scan, the RDT result station's judgement; no other flow stores one.
int MostBlockInfoRecords(SlotFlow flow);

// Every whole record of the file, in file order; empty when it cannot be read.
std::vector<BlockInfoRecord> ReadBlockInfoRecords(const std::string& path);
