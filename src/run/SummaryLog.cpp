#include "run/SummaryLog.h"

#include <algorithm>
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
                     const platform::LocalTime& endTime, const std::vector<PortOutcome>& withdrawn) {
  const std::string file = SummaryLogPath(logFolder);
  // (section, key) -> count to add, in the order the keys are first met (so that new keys
  // land in the file in the order the counters were written one by one before).
  std::vector<std::pair<std::pair<std::string, std::string>, int>> additions;
  const auto count = [&additions](std::string section, std::string key, int step) {
    for (auto& [where, added] : additions) {
      if (where.first == section && platform::EqualsNoCase(where.second, key)) {
        added += step;
        return;
      }
    }
    additions.push_back({{std::move(section), std::move(key)}, step});
  };
  const auto countOutcomes = [&count](const std::vector<PortOutcome>& list, int step) {
    for (const PortOutcome& outcome : list) {
      if (outcome.state == kPortPass) {
        count("Results", "Pass", step);
      } else if (outcome.state == kPortFail) {
        count("Results", "TotalErrorCount", step);
        const std::string tag = IniKeyText(outcome.resultText);
        if (!tag.empty()) count("ErrorList", tag, step);
      }
    }
  };
  countOutcomes(outcomes, 1);
  countOutcomes(withdrawn, -1);
  const std::string timeText = engine::report::LogTimeText(endTime);
  // The counters are read from the very parse the new values are written over: one read and
  // one replacement of the file for the whole pass.
  std::vector<std::string> counts;
  return platform::UpdateProfileStrings(file, [&](const platform::IniDocument& log) {
    counts.clear();
    counts.reserve(additions.size());
    for (const auto& [where, added] : additions) {
      const auto value = log.Value(where.first, where.second);
      counts.push_back(platform::Format("%d", std::max(0, (value ? platform::ParseLeadingInt(*value) : 0) + added)));
    }
    std::vector<platform::ProfileValue> values{{"Time", "End Time", timeText}};
    for (std::size_t i = 0; i < additions.size(); ++i) {
      values.push_back({additions[i].first.first, additions[i].first.second, counts[i]});
    }
    return values;
  });
}
