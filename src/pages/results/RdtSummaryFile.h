#pragma once
// The companion summary of an RDT report that a result page has read: one "[total]CE" line
// per CE that the report's "[total]" lines named (CRdtReportReader::SummaryLines), written
// after a start banner into the report's temporary twin.
#include <string>
#include <string_view>
#include <vector>

// The twin's name: the report path with the final ".txt" of its file name (in any case)
// replaced by "_Temp.txt", or "_Temp.txt" appended to a file name without one. Folders are
// left as they are, so the twin is never the report itself.
std::string RdtSummaryPath(std::string_view reportPath);

// Writes the banner and the lines through a light engine object of its own.
void WriteRdtSummary(std::string_view reportPath, const std::vector<std::string>& lines);
