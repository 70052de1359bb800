#pragma once
// One line of the work-order file's results list: "[<start>~<end>,<port>]" and its value,
// the drive's fields followed by "Pass" or by "Fail,<tag>,<message>". The line and the file's
// checksum go in one replacement of the file.
#include <string>
#include <string_view>

#include "run/VerdictRecords.h"

struct ResultsListLine {
  std::string workOrder;  // the work-order file (a station path text)
  std::string key;        // "[<start>~<end>,<port>]"
  std::string fields;     // the value's fields before the verdict, each followed by ","
};

// Writes the line with its verdict (a line of the same key is replaced) and the checksum of
// the file with it; false, the file as it was, when it cannot be written.
bool WriteResultsListEntry(const ResultsListLine& line, bool pass, std::string_view tag, std::string_view message);
// The take-back of the drive's line that says Pass, as a take-back owed writes it: the line
// rewritten as a failure.
RecordTakeBack ResultsListLineTakeBack(const ResultsListLine& line, std::string tag, std::string failure);
