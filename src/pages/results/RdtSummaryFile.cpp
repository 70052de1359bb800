#include "pages/results/RdtSummaryFile.h"

#include "engine/MPDevice.h"
#include "platform/Text.h"

namespace {

// Task kind of the engine that only writes the summary (no drive is touched).
constexpr int kSummaryTaskKind = 11;

}  // namespace

std::string RdtSummaryPath(std::string_view reportPath) {
  const std::size_t separator = reportPath.find_last_of("\\/");
  const std::string_view name = reportPath.substr(separator == std::string_view::npos ? 0 : separator + 1);
  constexpr std::string_view kExtension = ".txt";
  std::string path(reportPath);
  if (name.size() >= kExtension.size() &&
      platform::EqualsNoCase(name.substr(name.size() - kExtension.size()), kExtension)) {
    path.resize(path.size() - kExtension.size());
  }
  return path + "_Temp.txt";
}

void WriteRdtSummary(std::string_view reportPath, const std::vector<std::string>& lines) {
  const std::string name = RdtSummaryPath(reportPath);
  CMPDevice engine(1, kSummaryTaskKind, name, 0, 0);
  engine.WriteTempReportLine("START", CMPDevice::kSuccessLine, name);
  for (const std::string& line : lines) engine.WriteTempReportLine(line, CMPDevice::kPlainLine, name);
}
