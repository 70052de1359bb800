#include "run/SummaryLog.h"

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
  platform::WriteProfileString(file, "Time", "End Time", LogTimeText(platform::Now()));
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

std::string LogTimeText(const platform::LocalTime& time) {
  return platform::Format("%02d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour, time.minute,
                          time.second);
}
