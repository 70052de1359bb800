#include "pages/production/RunFiles.h"

#include <algorithm>

#include "device/StationHelpers.h"
#include "engine/firmware/SerialNumbers.h"
#include "pages/production/ParameterFiles.h"
#include "pages/production/RecordRoom.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Host.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/BlockInfoFile.h"
#include "run/FlowDispatch.h"
#include "run/FlowLimitSettings.h"
#include "run/IniText.h"
#include "run/RunGlobals.h"
#include "run/SummaryLog.h"

namespace {

// A text that becomes part of a file name: characters a name cannot hold become "_".
std::string FileNamePart(std::string text) {
  std::replace_if(text.begin(), text.end(),
                  [](char c) { return std::string_view("\\/:*?\"<>|\r\n\t").find(c) != std::string_view::npos; }, '_');
  return text;
}

// The folder of the run's temporary files (the block-information files among them).
std::string RunTempFolder() { return GetModuleFolder() + "\\" + settings::kTempFolder; }

}  // namespace

bool ClearRunTempFolder() {
  const std::string folder = RunTempFolder();
  if (!platform::IsDirectory(folder) && MakeDirectoryPath(folder) == 0) return false;
  return platform::ClearDirectory(folder);
}

std::string CurrentWorkingNo() {
  const std::string cached = g_WorkingNo.Get();
  if (!cached.empty()) return cached;
  return platform::Trim(settings::ReadText(settings::keys::WorkingNo, 256));
}

std::string LogFolderText(std::string_view kind) {
  return platform::Format(".\\%s_%s\\%s", FileNamePart(CurrentWorkingNo()).c_str(),
                          FileNamePart(platform::ComputerName()).c_str(), std::string(kind).c_str());
}

std::string PrepareLogFolder(int stationIndex) {
  g_WorkFolder.Set(platform::StationFolderText() + "\\");
  const std::string folder = LogFolderText(GetTestStationName(stationIndex));
  MakeDirectoryPath(folder);
  return folder;
}

namespace {

std::string CannotWrite(std::string_view path) {
  return CannotRecordText(path, platform::ErrnoText(platform::LastFileErrno()));
}

std::string FolderOfPath(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// What one drive's records add to a folder at most. A slot report, or a copy of it, is given
// room for some 4000 lines (the reports of the stations' flows are 1-7 KB on a drive without
// bad blocks); a line of a list, a row or a count, the block a file gives it.
constexpr std::uint64_t kReportRoom = 256u << 10;
constexpr std::uint64_t kLineRoom = 4u << 10;

// The folders of every record of a pass, with what the pass writes there.
std::vector<RecordFolder> PassRecordFolders(const PassRecordsPlan& plan, const std::string& logFolder,
                                            const std::string& workOrder) {
  const SlotFlow flow = ChooseSlotFlow(plan.taskKind, plan.stationIndex, plan.onlyDoIsp);
  // The log folder: the report's failure copy, the RDT logs of a flow that reads them, the
  // results-list line and the summary-log count, in files replaced whole.
  const bool readsRdtLogs = flow == SlotFlow::MP || flow == SlotFlow::RDTResult;
  std::vector<RecordFolder> folders{
      {logFolder, kReportRoom * (readsRdtLogs ? 2 : 1) + kLineRoom, {workOrder, SummaryLogPath(logFolder)}},
      {logFolder + "\\D_Reports", kReportRoom, {}},
      {RunTempFolder(), MostBlockInfoRecords(flow) * std::uint64_t{kBlockInfoRecordBytes}, {}}};
  if (flow == SlotFlow::RDTResult) folders.push_back({StationLogFolder(), kReportRoom, {}});
  if (WritesSummaryCsvRow(plan.taskKind, plan.stationIndex)) folders.push_back({SummaryCsvFolder(), kLineRoom, {}});
  if (HandsOutSerialNumbers(flow)) {
    const std::string serialSettings = settings::keys::LastSN.file;
    const std::string serialRecord = engine::firmware::SerialRecordPath(logFolder);
    folders.push_back({FolderOfPath(serialSettings), 0, {serialSettings}});
    folders.push_back({FolderOfPath(serialRecord), kLineRoom, {serialRecord}});
  }
  return folders;
}

}  // namespace

std::string CheckPassRecords(const PassRecordsPlan& plan, const std::string& logFolder, const std::string& workOrder) {
  if (workOrder.empty()) return CannotWrite(WorkOrderFilePath(logFolder));
  if (std::string problem = CheckRecordRoom(PassRecordFolders(plan, logFolder, workOrder), plan.drives);
      !problem.empty()) {
    return problem;
  }
  // Summary.csv takes its rows by appends: the file itself must open for writing.
  const std::string summaryCsv = SummaryCsvPath();
  if (WritesSummaryCsvRow(plan.taskKind, plan.stationIndex) && platform::FileExists(summaryCsv) &&
      !platform::AppendToFile(summaryCsv, "", false)) {
    return CannotWrite(summaryCsv);
  }
  return {};
}

std::string CheckLimitSettings(const PassRecordsPlan& plan) {
  const std::string problem =
      FlowLimitSettingsProblem(ChooseSlotFlow(plan.taskKind, plan.stationIndex, plan.onlyDoIsp));
  return problem.empty() ? problem : problem + ": the pass does not start, and no drive is touched.";
}

std::string CheckWorkingParameterFile(const std::string& copiedFile) {
  const std::string chosen = ChosenParameterPath();
  if (chosen.empty() || chosen == copiedFile) return {};
  return platform::Format("Copy parameter file fail (%s): %s is not a copy of %s; choose a parameter file that can be "
                          "copied: the pass does not start, and no drive is touched.",
                          ChosenParameterFile().c_str(), g_ParamFdbIniPath, chosen.c_str());
}

std::string WorkOrderFilePath(const std::string& logFolder) {
  const platform::LocalTime now = platform::Now();
  return platform::Format("%s\\WO_%s_%04d%02d%02d.txt", logFolder.c_str(), FileNamePart(CurrentWorkingNo()).c_str(),
                          now.year, now.month, now.day);
}

std::string PrepareWorkOrderFile(const std::string& logFolder) {
  const std::string workingNo = CurrentWorkingNo();
  const std::string path = WorkOrderFilePath(logFolder);
  if (!platform::WriteProfileString(path, "Base Info", "WorkOrder", IniValueText(workingNo))) {
    g_WorkOrderFilePath.Set("");
    return {};
  }
  g_WorkOrderFilePath.Set(path);
  return path;
}
