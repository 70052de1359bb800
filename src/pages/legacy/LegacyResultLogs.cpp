// After each pass of a legacy flow: the total log of the flow's log kind (its head when it is
// new, the running Total / Good / Bad counts and the end time), the summary log (end time,
// passes, failures and a count per error tag) and the page's three count boxes.
#include "pages/legacy/LegacyResultLogs.h"

#include <algorithm>
#include <string_view>

#include "engine/core/IniLogText.h"
#include "pages/legacy/FirstPropertyPage.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "run/RunGlobals.h"

namespace {

constexpr std::string_view kPassText = "0_00";
constexpr std::string_view kNotCounted[] = {"H_F8", "H_AF", "T_01", "P_A01", "P_x01"};
constexpr const char* kPcMacFile = ".\\PC_MAC_Address.txt";
constexpr const char* kSupportedController = "TV3160";
constexpr std::size_t kControllerBuffer = 255;

}  // namespace

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
  if (!platform::FileExists(m_TotalLogPath)) WriteRunReport(m_TotalLogPath);

  std::vector<std::string> texts;
  for (const CSharedText& result : results) texts.push_back(result.Get());
  const LegacyPassCounts counts = CountPassResults(texts, m_SlotNumber);

  const int total = platform::ReadProfileInt(m_TotalLogPath, "Total Results", "Total", 0) + counts.good + counts.bad;
  const int good = platform::ReadProfileInt(m_TotalLogPath, "Total Results", "Good", 0) + counts.good;
  const int bad = platform::ReadProfileInt(m_TotalLogPath, "Total Results", "Bad", 0) + counts.bad;
  const struct {
    const char* key;
    int value;
    ui::CEdit* edit;
  } updates[] = {{"Total", total, &m_TotalEdit}, {"Good", good, &m_GoodEdit}, {"Bad", bad, &m_BadEdit}};
  for (const auto& update : updates) {
    const std::string text = platform::Format("%d", update.value);
    platform::WriteProfileString(m_TotalLogPath, "Total Results", update.key, text);
    update.edit->SetWindowText(text);
    update.edit->RedrawWindow();
  }
  // The summary's End Time is the very value of the total log's.
  const platform::LocalTime endTime = platform::Now();
  platform::WriteProfileString(m_TotalLogPath, "Time", "End Time", engine::report::LogTimeText(endTime));
  AddToSummaryLog(m_LogFolder, counts.outcomes, endTime);
}

void CFirstPropertyPage::WriteRunReport(const std::string& path) {
  const bool supported = platform::StartsWithNoCase(
      platform::Trim(platform::ReadProfileString(g_ParamIniPath, "Device Info", "ControllerType", "", kControllerBuffer)),
      kSupportedController);
  const std::string now = engine::report::LogTimeText(platform::Now());
  platform::WriteProfileString(path, "Time", "Start Time", now);
  platform::WriteProfileString(path, "Time", "End Time", now);
  for (const char* key : {"Total", "Good", "Bad"}) platform::WriteProfileString(path, "Total Results", key, "0");

  // Copies a value of a file, read with at most `characters` characters and trimmed.
  auto copy = [this, &path](const char* file, const char* section, const char* key, const char* targetSection,
                            const char* targetKey, std::size_t characters) {
    m_ProfileBuffer = platform::Trim(platform::ReadProfileString(file, section, key, "", characters + 1));
    platform::WriteProfileString(path, targetSection, targetKey, m_ProfileBuffer);
  };
  auto copyParam = [&copy](const char* section, const char* key, std::size_t characters) {
    copy(g_ParamIniPath, section, key, section, key, characters);
  };
  copyParam("General Info", "TestStation", 99);
  const std::string cachedWorkingNo = g_WorkingNo.Get();
  if (cachedWorkingNo.empty()) {
    copyParam("General Info", "WorkingNo", 99);
  } else {
    platform::WriteProfileString(path, "General Info", "WorkingNo", cachedWorkingNo);
  }
  for (const char* key : {"ModelName", "MaxCurrent", "SlotNumber"}) copyParam("General Info", key, 99);
  for (const char* key : {"Flh_Type", "Flh_MakeCode", "Flh_DeviceCode", "Flh_Number", "Flh_Capacity"}) {
    copyParam("Flash Info", key, 99);
  }
  platform::WriteProfileString(path, "Card Info", "Capacity", m_ProfileBuffer);
  for (const char* key : {"Flh_LogicalSize", "Flh_ID"}) copyParam("Flash Info", key, 99);
  for (const char* key : {"ControllerType", "ICFWVersion"}) copyParam("Device Info", key, 99);
  if (supported) {
    for (const char* key : {"ISP_CodeVersion", "ISP_MPBINCode"}) copyParam("Device Info", key, 99);
  }
  copyParam("Device Info", "SATASpeed", 99);
  copyParam("Options", "OnlyDoISP", 99);
  for (const char* key : {"SkipBuildFAT", "AutoIncreseSerialNum", "DDRSize"}) copyParam("Options", key, 9);
  copy(kPcMacFile, "PC Info", "MAC_Address", "General Info", "NetCardID", 19);
  platform::WriteProfileString(path, "General Info", "MPVersion", platform::Format("%x.%02x", 2, 0x0A));
}
