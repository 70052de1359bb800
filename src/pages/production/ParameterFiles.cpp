#include "pages/production/ParameterFiles.h"

#include <cstdint>
#include <optional>

#include "platform/Files.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/RunGlobals.h"

namespace {

constexpr const char* kDefaultParameterFolder = ".\\Configuration\\Param\\";

// "<what failed> (<the system's reason>)", for the last failed file operation.
std::string WithReason(const std::string& failed) {
  return failed + " (" + platform::ErrnoText(platform::LastFileErrno()) + ")";
}

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

std::string CopyChosenParameterFile() {
  const std::string chosen = ChosenParameterPath();
  if (chosen.empty()) return "no parameter file is chosen";
  // The working copy is the station's own file, replaced at every choice: it never keeps the
  // read-only mode of a chosen file (a copy keeps the mode of its source), nor one it was
  // left with, which would refuse the next copy.
  const std::optional<std::uint32_t> attributes = platform::FileAttributes(g_ParamFdbIniPath);
  if (attributes && (*attributes & platform::kAttributeReadOnly) != 0) platform::SetReadOnly(g_ParamFdbIniPath, false);
  if (!platform::CopyFile(chosen, g_ParamFdbIniPath, false) || !platform::SetReadOnly(g_ParamFdbIniPath, false)) {
    return WithReason(chosen + " cannot be copied to " + g_ParamFdbIniPath);
  }
  settings::NoteCopyOrigin(g_ParamFdbIniPath, chosen);
  return {};
}

std::string ChooseParameterFile(const std::string& fileName) {
  if (!settings::WriteText(settings::keys::IniFilePath, ParameterFolder() + fileName)) {
    return WithReason(std::string(settings::keys::IniFilePath.file) + " cannot be written");
  }
  return CopyChosenParameterFile();
}
