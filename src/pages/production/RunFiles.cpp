#include "pages/production/RunFiles.h"

#include <algorithm>

#include "device/StationHelpers.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Host.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/IniText.h"
#include "run/RunGlobals.h"

namespace {

// A text that becomes part of a file name: characters a name cannot hold become "_".
std::string FileNamePart(std::string text) {
  std::replace_if(text.begin(), text.end(),
                  [](char c) { return std::string_view("\\/:*?\"<>|\r\n\t").find(c) != std::string_view::npos; }, '_');
  return text;
}

}  // namespace

bool ClearRunTempFolder() {
  const std::string folder = GetModuleFolder() + "\\" + settings::kTempFolder;
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

std::string PrepareWorkOrderFile(const std::string& logFolder) {
  const std::string workingNo = CurrentWorkingNo();
  const platform::LocalTime now = platform::Now();
  const std::string path = platform::Format("%s\\WO_%s_%04d%02d%02d.txt", logFolder.c_str(),
                                            FileNamePart(workingNo).c_str(), now.year, now.month, now.day);
  if (!platform::WriteProfileString(path, "Base Info", "WorkOrder", IniValueText(workingNo))) {
    g_WorkOrderFilePath.Set("");
    return {};
  }
  g_WorkOrderFilePath.Set(path);
  return path;
}
