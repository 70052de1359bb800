// The legacy slot page's log folder ".\<work order>_<computer>" with its sub-folders and the
// template files the flows fill, the serial-number start values, and the slot reports that
// the "..." buttons open in the result message dialog.
#include <fstream>

#include "device/StationHelpers.h"
#include "engine/core/IniLogText.h"
#include "pages/legacy/FirstPropertyPage.h"
#include "pages/legacy/LegacyGlobals.h"
#include "pages/legacy/ResultMessageDlg.h"
#include "pages/production/RunFiles.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Host.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "run/RunGlobals.h"

namespace {

constexpr std::size_t kLongValue = 251;  // at most 250 characters
constexpr std::size_t kMacValue = 21;    // at most 20 characters
constexpr const char* kPcMacFile = ".\\PC_MAC_Address.txt";
constexpr const char* kSerialRecordName = "SATA_RecordSN.ini";
constexpr int kTesterSections = 24;

std::string ParamLongText(std::string_view section, std::string_view key) {
  return platform::Trim(platform::ReadProfileString(g_ParamIniPath, section, key, "", kLongValue));
}

}  // namespace

void CFirstPropertyPage::SetupLogFolders() {
  const std::string computer = platform::ComputerName();
  const std::string workFolder = g_WorkFolder.Get();
  m_SettingIniPath = platform::Format("%c:\\%s", workFolder.empty() ? 'S' : workFolder[0], "SATA_Setting.ini");
  if (!platform::FileExists(m_SettingIniPath)) {
    platform::WriteProfileString(m_SettingIniPath, "Global_Setting", "SN_Log_Path", "");
  }
  const std::string cachedWorkingNo = g_WorkingNo.Get();
  if (!cachedWorkingNo.empty()) platform::WriteProfileString(g_ParamIniPath, "General Info", "WorkingNo", cachedWorkingNo);
  const std::string workOrder = CurrentWorkingNo();

  // A log folder given in param.ini is the log folder; otherwise one per work order and
  // computer in the station folder.
  const std::string configured = ParamLongText("Log Path", "SetLogFolderPath");
  m_LogFolder = configured.empty() ? platform::Format(".\\%s_%s", workOrder.c_str(), computer.c_str()) : configured;
  const std::string reports = platform::Format("%s\\D_Reports\\", m_LogFolder.c_str());
  MakeDirectoryPath(reports);
  MakeDirectoryPath(platform::Format("%s\\Fail_Log\\", m_LogFolder.c_str()));

  if (!m_TotalLogPath.empty() && !platform::FileExists(m_TotalLogPath)) WriteRunReport(m_TotalLogPath);
  if (!m_ErrorLogPath.empty() && !platform::FileExists(m_ErrorLogPath)) {
    platform::WriteProfileString(m_ErrorLogPath, "Error List",
                                 "[Year-Month-Day Hour:Min:Sec]   SlotNo:No   SN:xxxxx", "--Error_Code:Error_Msg");
  }
  const std::string summary = platform::Format("%s\\_Summary.log", m_LogFolder.c_str());
  if (!platform::FileExists(summary)) {
    platform::WriteProfileString(summary, "Time", "Start Time", engine::report::LogTimeText(platform::Now()));
    platform::WriteProfileString(summary, "Time", "End Time", "");
    platform::WriteProfileString(summary, "Results", "Pass", "0");
    platform::WriteProfileString(summary, "Results", "TotalErrorCount", "0");
    platform::WriteProfileString(summary, "ErrorList", "ErrorCode", "count");
  }
  if (platform::ReadProfileInt(g_ParamIniPath, "Log", "save_current", 0) == 1) {
    MakeDirectoryPath(platform::Format("%s\\Current\\", m_LogFolder.c_str()));
  }

  const std::string last =
      platform::Trim(platform::ReadProfileString(m_SettingIniPath, "Global_Setting", "Last SN", "", kLongValue));
  const std::string start = !last.empty() ? last.substr(last.size() > 8 ? last.size() - 8 : 0)
                                          : platform::Format("%08d", platform::ReadProfileInt(g_ParamIniPath, "General Info",
                                                                                              "SerialNum", 0));
  const std::string record = platform::Format("%s\\%s", m_LogFolder.c_str(), kSerialRecordName);
  const bool recordExisted = platform::FileExists(record);
  platform::WriteProfileString(record, "Serial Number", "Start Serial Number", start);
  platform::WriteProfileString(record, "Serial Number", "Last Serial Number", "");
  if (!recordExisted) {
    for (int tester = 1; tester <= kTesterSections; ++tester) {
      for (const char* outcome : {"PASS", "Error"}) {
        platform::WriteProfileString(record, platform::Format("Tester-%d %s", tester, outcome),
                                     "[Year-Month-Day-Hour-Minute-Second]", "xxxxxxxxxxxxxxxxxxxx");
      }
    }
  }
  g_LastSerialText.Set(last);
  MakeDirectoryPath(platform::Format("%s\\Pass_Log\\", m_LogFolder.c_str()));
}

void CFirstPropertyPage::OpenSlotReport(int slot) {
  std::string host = platform::Trim(platform::ReadProfileString(kPcMacFile, "PC Info", "MAC_Address", "", kMacValue));
  if (host.empty()) host = platform::ComputerName();
  const std::string reports = platform::Format("%s\\D_Reports\\", m_LogFolder.c_str());
  const std::string reportFile = platform::Format("%s%s_%d_Report.txt", reports.c_str(), host.c_str(), slot);
  // The folder for the shell: the program's folder and the reports folder without ".\" and
  // without doubled backslashes.
  std::string relative = reports;
  for (std::size_t at = relative.find(".\\"); at != std::string::npos; at = relative.find(".\\")) relative.erase(at, 2);
  for (std::size_t at = relative.find("\\\\"); at != std::string::npos; at = relative.find("\\\\")) relative.erase(at, 1);
  const std::string folder = platform::Format("%s\\%s", GetModuleFolder().c_str(), relative.c_str());

  CResultMessageDlg dialog(nullptr);
  dialog.m_Slot = slot;
  dialog.m_ReportFile = reportFile;
  dialog.m_ReportFolder = folder;
  dialog.DoModal();
}

bool CFirstPropertyPage::WriteCardTotals(const std::string& path, const std::string& total, const std::string& good,
                                         const std::string& bad) {
  if (path.empty() || !platform::FileExists(path)) return false;
  std::fstream file(platform::ToNativePath(path), std::ios::in | std::ios::out | std::ios::binary);
  if (!file) return false;
  const std::string text = platform::Format("Total Card :: %s\r\nGood Card  :: %s\r\nBad Card   :: %s\r\n", total.c_str(),
                                            good.c_str(), bad.c_str());
  file.seekp(0);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.flush();
  return static_cast<bool>(file);
}
