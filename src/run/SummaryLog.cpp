#include "run/SummaryLog.h"

#include "engine/core/IniLogText.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "run/IniText.h"
#include "run/RunGlobals.h"

namespace {

// Adds one to an integer key (missing: 0) and writes it back as "%d".
void CountUp(const std::string& file, std::string_view section, std::string_view key) {
  const int value = platform::ReadProfileInt(file, section, key, 0);
  platform::WriteProfileString(file, section, key, platform::Format("%d", value + 1));
}

}  // namespace

void AddToSummaryLog(const std::string& logFolder, const std::vector<PortOutcome>& outcomes) {
  const std::string file = logFolder + "\\_Summary.log";
  platform::WriteProfileString(file, "Time", "End Time", engine::report::LogTimeText(platform::Now()));
  for (const PortOutcome& outcome : outcomes) {
    if (outcome.state == kPortPass) {
      CountUp(file, "Results", "Pass");
    } else if (outcome.state == kPortFail) {
      CountUp(file, "Results", "TotalErrorCount");
      const std::string tag = IniKeyText(outcome.resultText);
      if (!tag.empty()) CountUp(file, "ErrorList", tag);
    }
  }
}
