#include "pages/production/ParameterFiles.h"

#include "platform/Files.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/RunGlobals.h"

namespace {

constexpr const char* kDefaultParameterFolder = ".\\Configuration\\Param\\";

}  // namespace

std::string ChosenParameterPath() {
  const std::string chosen = platform::Trim(settings::ReadText(settings::keys::IniFilePath, 260));
  if (chosen.empty() || chosen.find_first_of("\\/") != std::string::npos) return chosen;
  return kDefaultParameterFolder + chosen;
}

std::string ParameterFolder() {
  const std::string chosen = ChosenParameterPath();
  const std::size_t slash = chosen.find_last_of("\\/");
  return slash == std::string::npos ? std::string(kDefaultParameterFolder) : chosen.substr(0, slash + 1);
}

std::vector<std::string> ListParameterFiles() {
  std::vector<std::string> names;
  for (const platform::FileEntry& entry : platform::FindFiles(ParameterFolder() + "*.ini")) {
    if (!entry.IsDirectory()) names.push_back(entry.name);
  }
  return names;
}

std::string ChosenParameterFile() {
  const std::string chosen = ChosenParameterPath();
  const std::size_t slash = chosen.find_last_of("\\/");
  return slash == std::string::npos ? chosen : chosen.substr(slash + 1);
}

bool CopyChosenParameterFile() {
  const std::string chosen = ChosenParameterPath();
  if (chosen.empty()) return false;
  return platform::CopyFile(chosen, g_ParamFdbIniPath, false);
}

bool ChooseParameterFile(const std::string& fileName) {
  if (!settings::WriteText(settings::keys::IniFilePath, ParameterFolder() + fileName)) return false;
  return CopyChosenParameterFile();
}
