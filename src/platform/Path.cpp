#include "platform/Path.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <memory>
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
  std::atomic<std::uint64_t> generation{1};  // moves on with every change of the folder
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

// The components of a text, as views into it.
void AppendComponents(std::string_view text, std::vector<std::string_view>& parts) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = start;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    if (end > start) parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

// What the mapping needs of the station folder. Made when the folder is set; each thread
// keeps the latest it has seen, and a mapping holds its own reference while it runs.
struct StationView {
  fs::path folder;
  std::string folderText;  // its components point into this
  std::vector<std::string_view> parts;
  fs::path platformSettings;
};

std::shared_ptr<const StationView> MakeStationView(const fs::path& folder) {
  auto view = std::make_shared<StationView>();
  view->folder = folder;
  view->folderText = folder.relative_path().string();
  AppendComponents(view->folderText, view->parts);
  view->platformSettings = folder / kPlatformSettingsFile;
  return view;
}

std::shared_ptr<const StationView> CurrentStation() {
  thread_local std::uint64_t seen = 0;
  thread_local std::shared_ptr<const StationView> view;
  StationState& state = State();
  if (seen != state.generation.load(std::memory_order_acquire)) {
    std::lock_guard lock(state.mutex);
    seen = state.generation.load();
    view = MakeStationView(state.folder);
  }
  return view;
}

// A path under construction: a root kept as it stands, then components (views into the
// texts being mapped, which outlive the walk). The first `keptCount` components are kept as
// they stand too; the rest are matched against the file system without regard to case.
struct Walk {
  std::string root;
  std::vector<std::string_view> parts;
  std::size_t keptCount = 0;

  // Adds the components of a text: "." is dropped, ".." removes the previous component
  // and never climbs above the root.
  void Append(std::string_view text) {
    const std::size_t first = parts.size();
    AppendComponents(text, parts);
    std::size_t kept = first;
    for (std::size_t index = first; index < parts.size(); ++index) {
      const std::string_view part = parts[index];
      if (part == ".") continue;
      if (part == "..") {
        if (kept > 0) --kept;
        keptCount = std::min(keptCount, kept);
        continue;
      }
      parts[kept++] = part;
    }
    parts.resize(kept);
  }
};

// "a" joined to "/x" or "/x/".
void Join(std::string& path, std::string_view part) {
  if (path.empty() || path.back() != '/') path.push_back('/');
  path.append(part);
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

// The entry of the folder whose name equals the component without regard to case (the
// first in name order when several do); nullopt when there is none.
std::optional<std::string> FindNoCase(const std::string& folder, std::string_view component) {
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
  std::string kept = walk.root;
  for (std::size_t index = 0; index < walk.keptCount && index < walk.parts.size(); ++index) Join(kept, walk.parts[index]);
  return fs::path(std::move(kept));
}

fs::path Finish(const Walk& walk) {
  std::string exact = walk.root;
  for (const std::string_view part : walk.parts) Join(exact, part);
  // The common case: the path exists as written.
  if (walk.keptCount == walk.parts.size() || Exists(exact)) return fs::path(std::move(exact));

  std::string path = walk.root;
  std::size_t index = 0;
  for (; index < walk.keptCount; ++index) Join(path, walk.parts[index]);
  for (; index < walk.parts.size(); ++index) {
    const std::string_view part = walk.parts[index];
    std::string exactPart = path;
    Join(exactPart, part);
    if (Exists(exactPart)) {
      path = std::move(exactPart);
      continue;
    }
    const std::optional<std::string> match = FindNoCase(path, part);
    if (!match) break;  // nothing below a missing component can exist
    Join(path, *match);
  }
  for (; index < walk.parts.size(); ++index) Join(path, walk.parts[index]);
  return fs::path(std::move(path));
}

// The root path "/" with the station folder's components kept as they stand.
Walk StationWalk(const StationView& station) {
  Walk walk;
  walk.root = "/";
  walk.parts = station.parts;
  walk.keptCount = walk.parts.size();
  return walk;
}

Walk RelativeWalk(const StationView& station, std::string_view text) {
  Walk walk = StationWalk(station);
  walk.Append(text);
  return walk;
}

fs::path RelativeToStation(const StationView& station, std::string_view text) {
  return Finish(RelativeWalk(station, text));
}

// "/x/y" or "\x\y": kept as it stands, except below the station folder, where components
// are matched like those of a relative text.
Walk RootedWalk(const StationView& station, std::string_view text) {
  Walk walk;
  walk.root = "/";
  walk.Append(text);
  const bool inStation = walk.parts.size() >= station.parts.size() &&
                         std::equal(station.parts.begin(), station.parts.end(), walk.parts.begin());
  walk.keptCount = inStation ? station.parts.size() : walk.parts.size();
  return walk;
}

fs::path Rooted(const StationView& station, std::string_view text) { return Finish(RootedWalk(station, text)); }

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
fs::path DriveRoot(const StationView& station, std::string_view drive) {
  const std::string fallback = "drives/" + ToLower(drive);
  const auto settings = CachedIniDocument(station.platformSettings);
  if (EqualsNoCase(drive, StationDriveName(*settings))) return station.folder;
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

// Maps the text; the kept part only when asked for.
fs::path Resolve(std::string_view stationPath, NativePathWalk* resolved) {
  const std::shared_ptr<const StationView> held = CurrentStation();
  const StationView& station = *held;
  Walk walk;
  if (IsUncText(stationPath)) {
    walk.root = RelativeToStation(station, "drives/unc").native();
    walk.Append(stationPath);
  } else if (const auto drive = DriveName(stationPath)) {
    walk.root = DriveRoot(station, *drive).native();
    walk.Append(stationPath.substr(drive->size() + 1));
    if (resolved) resolved->namesDrive = true;
  } else if (!stationPath.empty() && IsSeparator(stationPath.front())) {
    walk = RootedWalk(station, stationPath);
  } else {
    walk = RelativeWalk(station, stationPath);
  }
  if (resolved) resolved->matchedBelow = KeptPart(walk);
  return Finish(walk);
}

}  // namespace

void SetStationFolder(const fs::path& folder) {
  StationState& state = State();
  {
    std::lock_guard lock(state.mutex);
    state.folder = Normalised(folder);
    state.generation.fetch_add(1);
  }
  // The cache knows files by their texts, which now name files of another folder.
  ForgetAllIniDocuments();
}

fs::path StationFolder() { return CurrentStation()->folder; }

fs::path PlatformSettingsPath() { return CurrentStation()->platformSettings; }

NativePathWalk ResolveNativePath(std::string_view stationPath) {
  NativePathWalk resolved;
  resolved.path = Resolve(stationPath, &resolved);
  return resolved;
}

fs::path ToNativePath(std::string_view stationPath) { return Resolve(stationPath, nullptr); }

std::string StationFolderText() {
  return StationDriveName(*CachedIniDocument(CurrentStation()->platformSettings)) + ":";
}

}  // namespace platform
