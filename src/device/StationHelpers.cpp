#include "device/StationHelpers.h"

#include <array>
#include <cstdarg>
#include <filesystem>
#include <system_error>

#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/Host.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace fs = std::filesystem;

std::string GetModuleFolder() { return platform::StationFolderText(); }

int MakeDirectoryPath(std::string_view path) {
  constexpr int kMaxNewLevels = 10;
  const fs::path target = platform::ToNativePath(path);
  std::error_code error;
  if (fs::is_directory(target, error)) return 1;

  // Walk up to the deepest existing level, then create the missing ones top-down.
  std::vector<fs::path> missing;
  fs::path level = target;
  while (!level.empty() && !fs::exists(level, error)) {
    missing.push_back(level);
    if (level == level.parent_path()) break;
    level = level.parent_path();
  }
  if (static_cast<int>(missing.size()) > kMaxNewLevels) return 0;
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!fs::create_directory(*it, error) && !fs::is_directory(*it, error)) return 0;
  }
  return fs::is_directory(target, error) ? 1 : 0;
}

std::uint64_t GetFolderSize(std::string_view path) {
  std::error_code error;
  std::uint64_t total = 0;
  fs::recursive_directory_iterator it(platform::ToNativePath(path),
                                      fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code entryError;
    if (it->is_regular_file(entryError)) {
      const auto size = it->file_size(entryError);
      if (!entryError) total += size;
    }
  }
  return total;
}

namespace {
struct StationName {
  const char* name;
  int index;
};
constexpr std::array<StationName, 14> kStationNames{{
    {"EraseAll", kStationEraseAll},
    {"RDT", kStationRDT},
    {"RDTResult", kStationRDTResult},
    {"CSB", kStationRDTResult},
    {"0MB", kStationRDTResult},
    {"MP", kStationMP},
    {"EraseMP", kStationEraseMP},
    {"QC", kStationQC},
    {"FQC", kStationQC},
    {"UpdateFW", kStationUpdateFW},
    {"ReRDT", kStationReRDT},
    {"SortMP", kStationSortMP},
    {"SortRDT", kStationSortRDT},
    {"RMADBG", kStationRMADBG},
}};
}  // namespace

std::optional<int> FindTestStationIndex(std::string_view stationName) {
  const std::string name = platform::Trim(stationName);
  for (const auto& station : kStationNames) {
    if (platform::EqualsNoCase(name, station.name)) return station.index;
  }
  return std::nullopt;
}

int TestStationIndexOf(std::string_view stationName) {
  return FindTestStationIndex(stationName).value_or(kStationRDT);
}

TestStationSetting ReadTestStationSetting() {
  const settings::Key& key = settings::keys::TestStation;
  TestStationSetting setting;
  if (!platform::FileExists(key.file)) {
    setting.problem = platform::Format("%s is missing: [%s] %s names the station", key.file, key.section, key.name);
    return setting;
  }
  const std::string name = platform::Trim(settings::ReadText(key));
  setting.index = FindTestStationIndex(name);
  if (!setting.index) {
    setting.problem = name.empty() ? platform::Format("[%s] %s of %s is empty: it names no station", key.section,
                                                      key.name, key.file)
                                   : platform::Format("[%s] %s of %s is \"%s\": it names no station", key.section,
                                                      key.name, key.file, name.c_str());
  }
  return setting;
}

int GetTestStationIndex() { return TestStationIndexOf(settings::ReadText(settings::keys::TestStation)); }

const char* GetTestStationName(int index) {
  static constexpr std::array<const char*, 11> kNames{"EraseAll", "RDT",    "RDTResult", "MP",
                                                      "EraseMP",  "QC",     "UpdateFW",  "ReRDT",
                                                      "SortMP",   "SortRDT", "RMADBG"};
  if (index < 0 || index >= static_cast<int>(kNames.size())) return "unKnown";
  return kNames[static_cast<std::size_t>(index)];
}

int GetPretestEraseType() {
  const int debugType = settings::ReadInt(settings::keys::DebugEraseType);
  if (debugType != 0) return debugType;

  switch (settings::ReadInt(settings::keys::Pretest)) {
    case 1: return 5;
    case 2: return 9;
    case 3: return 1;
    case 4: return 9;
    default: break;
  }
  // Erase type by station index, EraseAll .. RMADBG.
  static constexpr std::array<int, 11> kByStation{9, 9, 0, 1, 9, 0, 0, 1, 5, 5, 0};
  const int station = GetTestStationIndex();
  return kByStation[static_cast<std::size_t>(station)];
}

namespace {
// True when the package list holds "CE<ce>" as an item. Items are separated by ","; an item
// that ends with ";" is the last one of the list.
bool PackageListHoldsCe(std::string_view list, unsigned ce) {
  const std::string wanted = "CE" + std::to_string(ce);
  std::size_t start = 0;
  while (start < list.size()) {
    const std::size_t end = list.find_first_of(",;", start);
    const std::string item =
        platform::Trim(list.substr(start, end == std::string_view::npos ? list.size() - start : end - start));
    if (platform::EqualsNoCase(item, wanted)) return true;
    if (end == std::string_view::npos || list[end] == ';') break;
    start = end + 1;
  }
  return false;
}
}  // namespace

std::string GetFlashCEType(std::uint16_t ce, int shortForm) {
  const std::string typeFile = platform::Trim(settings::ReadText(settings::keys::FlashTypeFile));
  const std::string ceType = platform::Trim(settings::ReadText(settings::keys::FlashCEType));
  if (typeFile.empty() || ceType.empty()) return {};

  const std::string mapFile = std::string(settings::kFlashMapFolder) + typeFile;
  for (int package = 0; package < 4; ++package) {
    const std::string list =
        platform::ReadProfileString(mapFile, ceType, platform::Format("F%d", package), "");
    if (PackageListHoldsCe(list, ce)) {
      return platform::Format(shortForm == 0 ? "F%d" : "%d", package);
    }
  }
  return {};
}

std::string GetLanguageIniPath() {
  switch (settings::ReadInt(settings::keys::Language)) {
    case 1: return ".\\Configuration\\System\\ENG.ini";
    case 2: return ".\\Configuration\\System\\CHS.ini";
    case 3: return ".\\Configuration\\System\\CHT.ini";
    default: break;
  }
  switch (platform::LanguageId()) {
    case 1028: return ".\\Configuration\\System\\CHT.ini";
    case 2052: return ".\\Configuration\\System\\CHS.ini";
    default: return ".\\Configuration\\System\\ENG.ini";
  }
}

void DebugPrint(const char* format, ...) {
  constexpr std::size_t kMaxLength = 260;
  va_list args;
  va_start(args, format);
  std::string line = platform::FormatV(format, args);
  va_end(args);
  if (line.size() > kMaxLength) line.resize(kMaxLength);
  platform::DebugOutput(line);
}
