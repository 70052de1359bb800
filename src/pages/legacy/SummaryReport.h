#pragma once
// What the summary page reads: the card totals and error counts of a summary log, and the
// header fields of the MP firmware image.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "run/SummaryLog.h"  // SummaryLogPath, shared with the run's summary writer

struct SummaryRow {
  std::string item;
  std::string count;
  std::string rate;
};

// The card-totals rows, top to bottom: "Total Card", "Total Pass Card", "Total Fail Card",
// with "%2.2f%%" rates ("0.00%" for an empty count) and "100%" for the total.
std::vector<SummaryRow> CardTotalRows(int fail, int pass);
// One row per key of [ErrorList] in file order, with its count and "%3.2f%%" of the failed
// cards ("0.00%" when no card failed).
std::vector<SummaryRow> ErrorCodeRows(const std::string& summaryLog, int fail);

// A BCD byte read as the station prints it: two lower-case hex digits read back as a decimal
// number up to the first digit above 9 (0x1A gives 1).
int BcdValue(std::uint8_t byte);
// The nine header lines of the MP firmware image (first 512 bytes; a shorter read is padded
// with zeros), each ending in "\r".
std::vector<std::string> BinHeaderLines(std::span<const std::uint8_t> header);
