#pragma once
// Where a result page finds a drive's slot report: the log folder ".\<work number>_<computer
// name>\<kind>" ("QC" for the later-bad page, "RDTlog" for the RDT result page) and in it
// "<log folder>\D_Reports\<host>_<port>_Report.txt", where the host is the MAC text of
// ".\PC_MAC_Address.txt" or, without one, the computer name. The engine of the page's worker
// writes the report at the same place.
#include <string>

inline constexpr const char* kLaterBadLogKind = "QC";
inline constexpr const char* kRdtLogKind = "RDTlog";

struct ResultReportLocation {
  int port = 0;
  std::string logFolder;
  std::string reportFolder;  // "<log folder>\D_Reports"
  std::string reportPath;
};

// The log folder of a page's kind (the work number from g_WorkingNo or param.ini).
std::string ResultLogFolder(const char* kind);
// The whole location of a port's report.
ResultReportLocation LocateResultReport(const char* kind, int port);
