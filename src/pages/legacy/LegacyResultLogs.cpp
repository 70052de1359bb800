// After each pass of a legacy flow: the total log of the flow's log kind (its head when it is
// new, the running Total / Good / Bad counts and the end time), the summary log (end time,
// passes, failures and a count per error tag) and the page's three count boxes. A log that
// cannot be written takes the passes of the pass back: their slots show the lost-records
// failure, their reports and results-list lines say so, the logs that could be written count
// them as failures, and the operator is told.
#include "pages/legacy/LegacyResultLogs.h"

#include <algorithm>
#include <string_view>

#include "engine/ErrorTags.h"
#include "engine/core/IniLogText.h"
#include "engine/core/SlotReportText.h"
#include "pages/legacy/FirstPropertyPage.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "run/OperatorNotice.h"
#include "run/PassRecord.h"
#include "run/RunGlobals.h"

namespace {

constexpr std::string_view kPassText = "0_00";
constexpr std::string_view kNotCounted[] = {"H_F8", "H_AF", "T_01", "P_A01", "P_x01"};
constexpr const char* kPcMacFile = ".\\PC_MAC_Address.txt";
constexpr const char* kSupportedController = "TV3160";
constexpr std::size_t kControllerBuffer = 255;

}  // namespace

std::vector<int> PassedSlots(const LegacyPassCounts& counts) {
  std::vector<int> slots;
  for (const PortOutcome& outcome : counts.outcomes) {
    if (outcome.state == kPortPass) slots.push_back(outcome.port);
  }
  return slots;
}

void CountPassesAsLost(LegacyPassCounts& counts) {
  for (PortOutcome& outcome : counts.outcomes) {
    if (outcome.state != kPortPass) continue;
    outcome.state = kPortFail;
    outcome.resultText = engine::kRecordWriteFailedTag;
  }
  counts.bad += counts.good;
  counts.good = 0;
}

LegacyPassCounts CountPassResults(const std::vector<std::string>& results, int slotCount) {
  LegacyPassCounts counts;
  const std::size_t count = std::min(results.size(), static_cast<std::size_t>(ClampSlotCount(slotCount)));
  for (std::size_t index = 0; index < count; ++index) {
    const std::string& text = results[index];
    if (std::find(std::begin(kNotCounted), std::end(kNotCounted), text) != std::end(kNotCounted)) continue;
    const int slot = static_cast<int>(index) + 1;
    if (text == kPassText) {
      ++counts.good;
      counts.outcomes.push_back({slot, kPortPass, text});
    } else {
      ++counts.bad;
      counts.outcomes.push_back({slot, kPortFail, text});
    }
  }
  return counts;
}

void CFirstPropertyPage::WriteTotalLogs(const LegacyResultList& results) {
  const char* const kind = m_LogKind == kLogInit ? "Init" : m_LogKind == kLogQc ? "QC" : "Debug";
  m_TotalLogPath = platform::Format("%s\\Total_%s.log", m_LogFolder.c_str(), kind);
  m_ErrorLogPath = platform::Format("%s\\Error_%s.log", m_LogFolder.c_str(), kind);
  // The first record of the pass that could not be written, as the slots show it.
  std::string lost;
  const auto noteLost = [&lost](const std::string& path) {
    if (lost.empty()) lost = engine::report::LostRecordText(path, platform::LastFileErrno());
  };
  bool totalsWritten = platform::FileExists(m_TotalLogPath) || WriteRunReport(m_TotalLogPath);

  std::vector<std::string> texts;
  for (const CSharedText& result : results) texts.push_back(result.Get());
  LegacyPassCounts counts = CountPassResults(texts, m_SlotNumber);
  const std::vector<int> passedSlots = PassedSlots(counts);

  const int total = platform::ReadProfileInt(m_TotalLogPath, "Total Results", "Total", 0);
  const int good = platform::ReadProfileInt(m_TotalLogPath, "Total Results", "Good", 0);
  const int bad = platform::ReadProfileInt(m_TotalLogPath, "Total Results", "Bad", 0);
  // The summary's End Time is the very value of the total log's.
  const platform::LocalTime endTime = platform::Now();
  const std::string endText = engine::report::LogTimeText(endTime);
  // The three totals and the end time in one replacement of the total log (a head that could
  // not be written takes no counts: the file would lack it).
  const auto writeTotals = [&]() {
    const std::string totalText = platform::Format("%d", total + counts.good + counts.bad);
    const std::string goodText = platform::Format("%d", good + counts.good);
    const std::string badText = platform::Format("%d", bad + counts.bad);
    const platform::ProfileValue values[] = {{"Total Results", "Total", totalText},
                                             {"Total Results", "Good", goodText},
                                             {"Total Results", "Bad", badText},
                                             {"Time", "End Time", endText}};
    return platform::WriteProfileStrings(m_TotalLogPath, values);
  };
  totalsWritten = totalsWritten && writeTotals();
  if (!totalsWritten) {
    noteLost(m_TotalLogPath);
    // The drives it could not count good are failures of the pass: the summary counts them so.
    CountPassesAsLost(counts);
  }
  if (!AddToSummaryLog(m_LogFolder, counts.outcomes, endTime)) {
    noteLost(SummaryLogPath(m_LogFolder));
    // The total log counted the passes good: it counts them as failures now.
    if (totalsWritten && counts.good > 0) {
      CountPassesAsLost(counts);
      if (!writeTotals()) {
        platform::DebugOutput(engine::report::LostRecordText(m_TotalLogPath, platform::LastFileErrno()) + "\r\n");
      }
    }
  }
  // The boxes show the pass as the page counted it.
  ShowCounts(platform::Format("%d", total + counts.good + counts.bad), platform::Format("%d", good + counts.good),
             platform::Format("%d", bad + counts.bad));
  for (ui::CEdit* edit : {&m_TotalEdit, &m_GoodEdit, &m_BadEdit}) edit->RedrawWindow();
  if (lost.empty()) return;
  // No drive is shown passed unless every record of its run was written.
  for (const int slot : passedSlots) {
    const std::size_t index = static_cast<std::size_t>(slot - 1);
    TakeBackPass(slot, m_PassRecords[index].Get(), lost, m_SlotBoxes[index], m_Results[index]);
  }
  ShowRecordFailureNotice(lost);
}

bool CFirstPropertyPage::WriteRunReport(const std::string& path) {
  const bool supported = platform::StartsWithNoCase(
      platform::Trim(platform::ReadProfileString(g_ParamIniPath, "Device Info", "ControllerType", "", kControllerBuffer)),
      kSupportedController);
  // The head is gathered key by key in the order it stands in the file and written in one
  // replacement: a head is whole or not there.
  struct HeadValue {
    const char* section;
    const char* key;
    std::string value;
  };
  std::vector<HeadValue> head;
  const std::string now = engine::report::LogTimeText(platform::Now());
  head.push_back({"Time", "Start Time", now});
  head.push_back({"Time", "End Time", now});
  for (const char* key : {"Total", "Good", "Bad"}) head.push_back({"Total Results", key, "0"});

  // Copies a value of a file, read with at most `characters` characters and trimmed.
  auto copy = [this, &head](const char* file, const char* section, const char* key, const char* targetSection,
                            const char* targetKey, std::size_t characters) {
    m_ProfileBuffer = platform::Trim(platform::ReadProfileString(file, section, key, "", characters + 1));
    head.push_back({targetSection, targetKey, m_ProfileBuffer});
  };
  auto copyParam = [&copy](const char* section, const char* key, std::size_t characters) {
    copy(g_ParamIniPath, section, key, section, key, characters);
  };
  copyParam("General Info", "TestStation", 99);
  const std::string cachedWorkingNo = g_WorkingNo.Get();
  if (cachedWorkingNo.empty()) {
    copyParam("General Info", "WorkingNo", 99);
  } else {
    head.push_back({"General Info", "WorkingNo", cachedWorkingNo});
  }
  for (const char* key : {"ModelName", "MaxCurrent", "SlotNumber"}) copyParam("General Info", key, 99);
  for (const char* key : {"Flh_Type", "Flh_MakeCode", "Flh_DeviceCode", "Flh_Number", "Flh_Capacity"}) {
    copyParam("Flash Info", key, 99);
  }
  head.push_back({"Card Info", "Capacity", m_ProfileBuffer});
  for (const char* key : {"Flh_LogicalSize", "Flh_ID"}) copyParam("Flash Info", key, 99);
  for (const char* key : {"ControllerType", "ICFWVersion"}) copyParam("Device Info", key, 99);
  if (supported) {
    for (const char* key : {"ISP_CodeVersion", "ISP_MPBINCode"}) copyParam("Device Info", key, 99);
  }
  copyParam("Device Info", "SATASpeed", 99);
  copyParam("Options", "OnlyDoISP", 99);
  for (const char* key : {"SkipBuildFAT", "AutoIncreseSerialNum", "DDRSize"}) copyParam("Options", key, 9);
  copy(kPcMacFile, "PC Info", "MAC_Address", "General Info", "NetCardID", 19);
  head.push_back({"General Info", "MPVersion", platform::Format("%x.%02x", 2, 0x0A)});

  std::vector<platform::ProfileValue> values;
  values.reserve(head.size());
  for (const HeadValue& entry : head) values.push_back({entry.section, entry.key, entry.value});
  return platform::WriteProfileStrings(path, values);
}
