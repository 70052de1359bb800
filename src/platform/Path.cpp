#include "platform/Path.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/Debug.h"
#include "platform/IniCache.h"
#include "platform/Text.h"

namespace platform {
namespace fs = std::filesystem;
namespace {

constexpr const char* kPlatformSettingsFile = "Platform.ini";
constexpr const char* kDrivesSection = "Drives";
// Key of [Drives] naming the station's own drive, whose root is the station folder.
constexpr const char* kStationDriveKey = "Station";
constexpr const char* kDefaultStationDrive = "S";
constexpr std::size_t kLongestDriveName = 4;

fs::path CurrentFolder() {
  std::error_code error;
  fs::path folder = fs::current_path(error);
  return error ? fs::path("/") : folder;
}

fs::path Normalised(const fs::path& folder) {
  std::error_code error;
  fs::path absolute = fs::absolute(folder, error);
  if (error) absolute = folder;
  absolute = absolute.lexically_normal();
  // "/a/b/" -> "/a/b", so the folder's components never include an empty name.
  if (!absolute.has_filename() && absolute.has_relative_path()) absolute = absolute.parent_path();
  return absolute;
}

struct StationState {
  std::mutex mutex;
  fs::path folder = Normalised(CurrentFolder());
};

StationState& State() {
  static StationState state;
  return state;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// "C:\x" -> "C" (one to four letters before ":").
std::optional<std::string_view> DriveName(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == 0 || colon == std::string_view::npos || colon > kLongestDriveName) return std::nullopt;
  for (std::size_t i = 0; i < colon; ++i) {
    if (!IsAsciiLetter(text[i])) return std::nullopt;
  }
  return text.substr(0, colon);
}

bool IsUncText(std::string_view text) { return text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1]); }

std::vector<std::string> Components(std::string_view text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = start;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    if (end > start) parts.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// A path under construction: a root kept as it stands, then components. The first
// `keptCount` components are kept as they stand too; the rest are matched against the
// file system without regard to case.
struct Walk {
  fs::path root;
  std::vector<std::string> parts;
  std::size_t keptCount = 0;

  // Adds the components of a text: "." is dropped, ".." removes the previous component
  // and never climbs above the root.
  void Append(std::string_view text) {
    for (std::string& part : Components(text)) {
      if (part == ".") continue;
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
        keptCount = std::min(keptCount, parts.size());
        continue;
      }
      parts.push_back(std::move(part));
    }
  }
};

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

// The entry of the folder whose name equals the component without regard to case (the
// first in name order when several do); nullopt when there is none.
std::optional<std::string> FindNoCase(const fs::path& folder, const std::string& component) {
  std::optional<std::string> best;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (EqualsNoCase(name, component) && (!best || name < *best)) best = std::move(name);
  }
  return best;
}

// The root with the components kept as they stand: where case-insensitive matching begins.
fs::path KeptPart(const Walk& walk) {
  fs::path kept = walk.root;
  for (std::size_t index = 0; index < walk.keptCount && index < walk.parts.size(); ++index) kept /= walk.parts[index];
  return kept;
}

fs::path Finish(const Walk& walk) {
  fs::path exact = walk.root;
  for (const std::string& part : walk.parts) exact /= part;
  // The common case: the path exists as written.
  if (walk.keptCount == walk.parts.size() || Exists(exact)) return exact;

  fs::path path = walk.root;
  std::size_t index = 0;
  for (; index < walk.keptCount; ++index) path /= walk.parts[index];
  for (; index < walk.parts.size(); ++index) {
    const std::string& part = walk.parts[index];
    if (Exists(path / part)) {
      path /= part;
      continue;
    }
    const std::optional<std::string> match = FindNoCase(path, part);
    if (!match) break;  // nothing below a missing component can exist
    path /= *match;
  }
  for (; index < walk.parts.size(); ++index) path /= walk.parts[index];
  return path;
}

// The root path "/" with the station folder's components kept as they stand.
Walk StationWalk(const fs::path& station) {
  Walk walk;
  walk.root = station.root_path();
  walk.parts = Components(station.relative_path().string());
  walk.keptCount = walk.parts.size();
  return walk;
}

Walk RelativeWalk(const fs::path& station, std::string_view text) {
  Walk walk = StationWalk(station);
  walk.Append(text);
  return walk;
}

fs::path RelativeToStation(const fs::path& station, std::string_view text) {
  return Finish(RelativeWalk(station, text));
}

// "/x/y" or "\x\y": kept as it stands, except below the station folder, where components
// are matched like those of a relative text.
Walk RootedWalk(const fs::path& station, std::string_view text) {
  const Walk stationWalk = StationWalk(station);
  Walk walk;
  walk.root = "/";
  walk.Append(text);
  const bool inStation =
      walk.parts.size() >= stationWalk.parts.size() &&
      std::equal(stationWalk.parts.begin(), stationWalk.parts.end(), walk.parts.begin());
  walk.keptCount = inStation ? stationWalk.parts.size() : walk.parts.size();
  return walk;
}

fs::path Rooted(const fs::path& station, std::string_view text) { return Finish(RootedWalk(station, text)); }

// The station's own drive: key Station of [Drives] (one to four letters), default "S".
std::string StationDriveName(const IniDocument& settings) {
  const std::string configured = Trim(settings.Value(kDrivesSection, kStationDriveKey).value_or(""));
  if (!configured.empty() && configured.size() <= kLongestDriveName &&
      std::all_of(configured.begin(), configured.end(), IsAsciiLetter)) {
    return ToUpper(configured);
  }
  return kDefaultStationDrive;
}

// The folder that stands for a drive: key <name> of [Drives] in Platform.ini, relative to
// the station folder or an absolute Linux path; default drives/<name in lower case>.
fs::path DriveRoot(const fs::path& station, std::string_view drive) {
  const std::string fallback = "drives/" + ToLower(drive);
  const auto settings = CachedIniDocument(station / kPlatformSettingsFile);
  if (EqualsNoCase(drive, StationDriveName(*settings))) return station;
  std::string_view configured = settings->Value(kDrivesSection, drive).value_or("");
  if (configured.empty()) return RelativeToStation(station, fallback);
  if (DriveName(configured) || IsUncText(configured)) {
    DebugOutput(Format("Platform.ini: drive %.*s names another drive (%.*s); using %s\n",
                       static_cast<int>(drive.size()), drive.data(), static_cast<int>(configured.size()),
                       configured.data(), fallback.c_str()));
    return RelativeToStation(station, fallback);
  }
  if (IsSeparator(configured.front())) return Rooted(station, configured);
  return RelativeToStation(station, configured);
}

}  // namespace

void SetStationFolder(const fs::path& folder) {
  StationState& state = State();
  {
    std::lock_guard lock(state.mutex);
    state.folder = Normalised(folder);
  }
  // The cache knows files by their texts, which now name files of another folder.
  ForgetAllIniDocuments();
}

fs::path StationFolder() {
  StationState& state = State();
  std::lock_guard lock(state.mutex);
  return state.folder;
}

fs::path PlatformSettingsPath() { return StationFolder() / kPlatformSettingsFile; }

NativePathWalk ResolveNativePath(std::string_view stationPath) {
  const fs::path station = StationFolder();
  Walk walk;
  NativePathWalk resolved;
  if (IsUncText(stationPath)) {
    walk.root = RelativeToStation(station, "drives/unc");
    walk.Append(stationPath);
  } else if (const auto drive = DriveName(stationPath)) {
    walk.root = DriveRoot(station, *drive);
    walk.Append(stationPath.substr(drive->size() + 1));
    resolved.namesDrive = true;
  } else if (!stationPath.empty() && IsSeparator(stationPath.front())) {
    walk = RootedWalk(station, stationPath);
  } else {
    walk = RelativeWalk(station, stationPath);
  }
  resolved.path = Finish(walk);
  resolved.matchedBelow = KeptPart(walk);
  return resolved;
}

fs::path ToNativePath(std::string_view stationPath) { return ResolveNativePath(stationPath).path; }

std::string StationFolderText() {
  const fs::path station = StationFolder();
  return StationDriveName(*CachedIniDocument(station / kPlatformSettingsFile)) + ":";
}

}  // namespace platform
