#include "device/RecordFolders.h"

#include <string>

#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace device {

namespace {

constexpr std::size_t kFolderText = 251;  // as the record writers read the folder settings

}  // namespace

std::vector<std::filesystem::path> StationRecordFolders() {
  std::vector<std::filesystem::path> folders{platform::StationFolder()};
  const settings::Key& stationDrive = settings::keys::StationDrive;
  for (const auto& [drive, root] : platform::ReadProfileSection(stationDrive.file, stationDrive.section)) {
    if (!platform::EqualsNoCase(drive, stationDrive.name)) folders.push_back(platform::ToNativePath(drive + ":\\"));
  }
  const std::string serialRecords = platform::Trim(settings::ReadText(settings::keys::SNLogPath, kFolderText));
  const std::string legacyLogs =
      platform::Trim(platform::ReadProfileString(settings::kParamIni, "Log Path", "SetLogFolderPath", "", kFolderText));
  for (const std::string& text : {serialRecords, legacyLogs}) {
    if (!text.empty()) folders.push_back(platform::ToNativePath(text));
  }
  return folders;
}

}  // namespace device
