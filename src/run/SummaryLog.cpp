#include "run/SummaryLog.h"

#include <utility>

#include "engine/core/IniLogText.h"
#include "platform/IniDocument.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "run/IniText.h"
#include "run/RunGlobals.h"

std::string SummaryLogPath(const std::string& logFolder) {
  const bool separated = logFolder.empty() || logFolder.back() == '\\' || logFolder.back() == '/';
  return logFolder + (separated ? "" : "\\") + "_Summary.log";
}

bool AddToSummaryLog(const std::string& logFolder, const std::vector<PortOutcome>& outcomes,
                     const platform::LocalTime& endTime) {
  const std::string file = SummaryLogPath(logFolder);
  // (section, key) -> count to add, in the order the keys are first met (so that new keys
  // land in the file in the order the counters were written one by one before).
  std::vector<std::pair<std::pair<std::string, std::string>, int>> additions;
  const auto countUp = [&additions](std::string section, std::string key) {
    for (auto& [where, count] : additions) {
      if (where.first == section && platform::EqualsNoCase(where.second, key)) {
        ++count;
        return;
      }
    }
    additions.push_back({{std::move(section), std::move(key)}, 1});
  };
  for (const PortOutcome& outcome : outcomes) {
    if (outcome.state == kPortPass) {
      countUp("Results", "Pass");
    } else if (outcome.state == kPortFail) {
      countUp("Results", "TotalErrorCount");
      const std::string tag = IniKeyText(outcome.resultText);
      if (!tag.empty()) countUp("ErrorList", tag);
    }
  }
  const std::string timeText = engine::report::LogTimeText(endTime);
  // The counters are read from the very parse the new values are written over: one read and
  // one replacement of the file for the whole pass.
  std::vector<std::string> counts;
  return platform::UpdateProfileStrings(file, [&](const platform::IniDocument& log) {
    counts.clear();
    counts.reserve(additions.size());
    for (const auto& [where, count] : additions) {
      const auto value = log.Value(where.first, where.second);
      counts.push_back(platform::Format("%d", (value ? platform::ParseLeadingInt(*value) : 0) + count));
    }
    std::vector<platform::ProfileValue> values{{"Time", "End Time", timeText}};
    for (std::size_t i = 0; i < additions.size(); ++i) {
      values.push_back({additions[i].first.first, additions[i].first.second, counts[i]});
    }
    return values;
  });
}
