#include "pages/production/RunFiles.h"

#include <algorithm>

#include "device/StationHelpers.h"
#include "engine/firmware/SerialNumbers.h"
#include "pages/production/ParameterFiles.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Host.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/FlowDispatch.h"
#include "run/FlowLimitSettings.h"
#include "run/IniText.h"
#include "run/RunGlobals.h"

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

constexpr const char* kProbeName = "~RecordCheck.tmp";

std::string CannotWrite(std::string_view path) {
  return platform::Format("%s cannot be written (%s): the pass does not start, and no drive is touched.",
                          platform::ToNativePath(path).string().c_str(),
                          platform::ErrnoText(platform::LastFileErrno()).c_str());
}

// "" when the folder (made when missing) takes a file, else the message. A folder that could
// not be made fails the probe with the reason.
std::string CheckFolder(const std::string& folder) {
  if (!platform::IsDirectory(folder)) MakeDirectoryPath(folder);
  const std::string probe = folder + "\\" + kProbeName;
  if (!platform::WriteWholeFile(probe, "")) return CannotWrite(folder);
  platform::DeleteFile(probe);
  return {};
}

std::string FolderOfPath(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

std::string CheckPassRecords(const PassRecordsPlan& plan, const std::string& logFolder, const std::string& workOrder) {
  if (workOrder.empty()) return CannotWrite(WorkOrderFilePath(logFolder));
  std::vector<std::string> folders{logFolder, logFolder + "\\D_Reports", RunTempFolder()};
  const SlotFlow flow = ChooseSlotFlow(plan.taskKind, plan.stationIndex, plan.onlyDoIsp);
  if (flow == SlotFlow::RDTResult) folders.push_back(StationLogFolder());
  const bool summaryRows = WritesSummaryCsvRow(plan.taskKind, plan.stationIndex);
  if (summaryRows) folders.push_back(SummaryCsvFolder());
  if (flow == SlotFlow::MP || flow == SlotFlow::RDT) {
    folders.push_back(FolderOfPath(settings::keys::LastSN.file));
    folders.push_back(FolderOfPath(engine::firmware::SerialRecordPath(logFolder)));
  }
  for (const std::string& folder : folders) {
    if (std::string problem = CheckFolder(folder); !problem.empty()) return problem;
  }
  // Summary.csv takes its rows by appends: the file itself must open for writing.
  const std::string summaryCsv = SummaryCsvPath();
  if (summaryRows && platform::FileExists(summaryCsv) && !platform::AppendToFile(summaryCsv, "", false)) {
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
