#include "pages/results/ResultReportPaths.h"

#include "pages/production/RunFiles.h"
#include "platform/Host.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace {

// The MAC text is read as the engine reads it for the report it writes, so that a page looks
// for the report exactly where its worker's engine put it.
constexpr std::size_t kMacTextBuffer = 251;

std::string ReportHostName() {
  const std::string mac = platform::Trim(settings::ReadText(settings::keys::PcMacAddress, kMacTextBuffer));
  return mac.empty() ? platform::ComputerName() : mac;
}

}  // namespace

std::string ResultLogFolder(const char* kind) {
  return platform::Format(".\\%s_%s\\%s", CurrentWorkingNo().c_str(), platform::ComputerName().c_str(), kind);
}

ResultReportLocation LocateResultReport(const char* kind, int port) {
  ResultReportLocation location;
  location.port = port;
  location.logFolder = ResultLogFolder(kind);
  location.reportFolder = location.logFolder + "\\D_Reports";
  location.reportPath =
      platform::Format("%s\\%s_%d_Report.txt", location.reportFolder.c_str(), ReportHostName().c_str(), port);
  return location;
}
