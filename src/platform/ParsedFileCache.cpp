#include "platform/ParsedFileCache.h"

#include <atomic>
#include <mutex>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "platform/ChangeWatch.h"
#include "platform/IniFile.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace platform {
namespace fs = std::filesystem;
namespace {

// Enough for every settings file of a station; beyond it the entry loaded longest ago goes.
constexpr std::size_t kMaximumEntries = 256;
// Mapping a text and watching its way are repeated when the way changed in between.
constexpr int kWatchAttempts = 3;
// A folder's list of what depends on it is cleared of outdated items when it grows past this.
constexpr std::size_t kDependentsToPrune = 256;
// Keys of native paths start with a byte no station path text starts with.
constexpr char kNativeKeyMark = '\x01';

// What a key names: a station path text or a native path, and the parser of its kind.
struct Key {
  std::string_view path;
  bool native = false;
  FileParser parser = nullptr;
};

const std::shared_ptr<const void>& NoParse() {
  static const auto* const none = new std::shared_ptr<const void>();
  return *none;
}

struct Entry {
  std::shared_ptr<const void> parse;
  fs::path native;
  std::uint64_t serial = 0;
  std::uint64_t loadOrder = 0;
  // Watched entries are dropped by change notices; the others are checked at every read.
  bool watched = false;
  bool exists = false;
  FileIdentity identity;
  bool settled = false;
  std::string bytes;  // while unwatched and not yet settled: what a re-read is compared with
};

// An entry that a change of a watched folder entry (named `child`, lower case) or of the
// watched object itself (child empty: a file watch) makes outdated.
struct Dependent {
  std::string key;
  std::string child;
  std::uint64_t serial = 0;
};

struct Cache {
  // Recursive: mapping a drive's path text reads the platform settings through the cache.
  std::recursive_mutex mutex;
  std::unordered_map<std::string, Entry> entries;
  std::unordered_map<int, std::vector<Dependent>> dependents;
  std::uint64_t serials = 0;
  std::uint64_t loads = 0;
  // Moves on whenever a watched entry is dropped, so that the readers' own copies go too.
  std::atomic<std::uint64_t> generation{1};
  // Set while a thread takes change notices and has not yet dropped what they outdate.
  std::atomic<bool> taking{false};
};

Cache& TheCache() {
  static Cache* const cache = new Cache;  // readers may run while the program exits
  return *cache;
}

// What one thread last got of the watched entries, valid while the generation stands.
struct StringHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
};
struct ThreadCopies {
  std::uint64_t generation = 0;
  std::unordered_map<std::string, std::shared_ptr<const void>, StringHash, std::equal_to<>> parses;
  std::shared_ptr<const void> last;  // what the latest unwatched look-up returned
  std::string key;                   // room to build keys in
};
thread_local ThreadCopies t_copies;

void DropEntry(Cache& cache, std::unordered_map<std::string, Entry>::iterator entry) {
  const bool watched = entry->second.watched;
  cache.entries.erase(entry);
  if (watched) cache.generation.fetch_add(1);
}

void DropIfCurrent(Cache& cache, const Dependent& dependent) {
  const auto entry = cache.entries.find(dependent.key);
  if (entry != cache.entries.end() && entry->second.serial == dependent.serial) DropEntry(cache, entry);
}

bool IsCurrent(const Cache& cache, const Dependent& dependent) {
  const auto entry = cache.entries.find(dependent.key);
  return entry != cache.entries.end() && entry->second.serial == dependent.serial;
}

void TakeChange(Cache& cache, const ChangeWatch::Change& change) {
  if (change.Overflowed()) {
    // Notices were lost: nothing watched can be trusted.
    for (auto entry = cache.entries.begin(); entry != cache.entries.end();) {
      entry = entry->second.watched ? cache.entries.erase(entry) : std::next(entry);
    }
    cache.dependents.clear();
    cache.generation.fetch_add(1);
    return;
  }
  const auto found = cache.dependents.find(change.watch);
  if (found == cache.dependents.end()) return;
  std::vector<Dependent>& list = found->second;
  const bool gone = change.WatchedObjectGone();
  for (const Dependent& dependent : list) {
    if (gone || dependent.child.empty() || EqualsNoCase(change.name, dependent.child)) DropIfCurrent(cache, dependent);
  }
  if (gone) {
    cache.dependents.erase(found);
  } else {
    std::erase_if(list, [&cache](const Dependent& dependent) { return !IsCurrent(cache, dependent); });
  }
}

// Takes the queued change notices (when there may be any) and drops what they outdate.
void TakeQueuedChanges(Cache& cache) {
  ChangeWatch& watch = ChangeWatch::Instance();
  if (!watch.Available()) return;
  // The order matters: a notice already taken by another thread shows as `taking` until what
  // it outdates is dropped and the generation has moved on.
  if (!watch.ChangesQueued() && !cache.taking.load()) return;
  std::lock_guard lock(cache.mutex);
  cache.taking.store(true);
  watch.TakeChanges([&cache](const ChangeWatch::Change& change) { TakeChange(cache, change); });
  cache.taking.store(false);
}

void AddDependent(Cache& cache, int watch, std::string key, std::string child, std::uint64_t serial) {
  std::vector<Dependent>& list = cache.dependents[watch];
  if (list.size() >= kDependentsToPrune) {
    std::erase_if(list, [&cache](const Dependent& dependent) { return !IsCurrent(cache, dependent); });
  }
  list.push_back({std::move(key), std::move(child), serial});
}

bool IsBelow(const fs::path& path, const fs::path& folder) {
  auto part = path.begin();
  for (auto folderPart = folder.begin(); folderPart != folder.end(); ++folderPart, ++part) {
    if (part == path.end() || *part != *folderPart) return false;
  }
  return true;
}

// What an entry depends on: (watch, entry name in lower case or "" for the watched file).
using Watches = std::vector<std::pair<int, std::string>>;

// Watches the way to the file: every folder from `start` down to the file's own folder, each
// for the entry that leads on, and the file itself. False when any of it cannot be watched.
bool WatchWay(const fs::path& start, const fs::path& native, Watches& watches) {
  ChangeWatch& watch = ChangeWatch::Instance();
  const fs::path way = native.lexically_relative(start);
  if (way.empty() || way == "." || *way.begin() == "..") return false;
  fs::path folder = start;
  std::error_code error;
  for (auto part = way.begin(); part != way.end(); ++part) {
    const int folderWatch = watch.WatchFolder(folder);
    if (folderWatch < 0) return false;
    watches.emplace_back(folderWatch, ToLower(part->string()));
    if (std::next(part) == way.end()) break;
    folder /= *part;
    const fs::file_status status = fs::symlink_status(folder, error);
    if (!fs::is_directory(status)) {
      // A missing folder on the way: its making shows in the folder above. Anything else
      // (a link, a file) is left to the checks at every read.
      return !fs::exists(status);
    }
  }
  const fs::file_status status = fs::symlink_status(native, error);
  if (!fs::exists(status)) return true;
  if (!fs::is_regular_file(status)) return false;
  const int fileWatch = watch.WatchFile(native);
  if (fileWatch < 0) return false;
  watches.emplace_back(fileWatch, std::string());
  return true;
}

// Maps the key's text (native keys stand as they are), and watches what the mapping and the
// file depend on when notices cover them. The native path, and what it depends on when it
// is watched.
struct Mapped {
  fs::path native;
  bool watched = false;
  Watches watches;
};

NativePathWalk MapKey(const Key& key) {
  if (!key.native) return ResolveNativePath(key.path);
  NativePathWalk walk;
  walk.path = fs::path(std::string(key.path));
  walk.matchedBelow = walk.path.parent_path();
  return walk;
}

Mapped MapAndWatch(const Key& key) {
  Mapped mapped;
  NativePathWalk walk = MapKey(key);
  mapped.native = walk.path;
  if (!ChangeWatch::Instance().Available()) return mapped;
  const fs::path station = StationFolder();
  for (int attempt = 0; attempt < kWatchAttempts; ++attempt) {
    // The way is watched from where the text's components are matched: the station folder
    // for what lies in it, else the drive root; a path taken as it stands from its folder.
    fs::path start = walk.path.parent_path();
    if (!key.native && IsBelow(walk.path, station)) {
      start = station;
    } else if (walk.matchedBelow != walk.path && IsBelow(walk.path, walk.matchedBelow)) {
      start = walk.matchedBelow;
    }
    if (!ChangeWatch::CoversFileSystemOf(start)) return mapped;
    mapped.watches.clear();
    if (!WatchWay(start, walk.path, mapped.watches)) return mapped;
    // A drive's root comes from the platform settings, which the entry then depends on too.
    if (walk.namesDrive && !WatchWay(station, PlatformSettingsPath(), mapped.watches)) return mapped;
    // The way may have changed before its watches were set: the mapping must still stand.
    NativePathWalk again = MapKey(key);
    if (again.path == walk.path) {
      mapped.watched = true;
      return mapped;
    }
    walk = std::move(again);
    mapped.native = walk.path;
  }
  return mapped;
}

void EvictOldest(Cache& cache) {
  auto oldest = cache.entries.begin();
  for (auto it = cache.entries.begin(); it != cache.entries.end(); ++it) {
    if (it->second.loadOrder < oldest->second.loadOrder) oldest = it;
  }
  DropEntry(cache, oldest);
}

// Loads the file of the key into a new entry (replacing the one there). The watches are set
// before the file is read, so a change after the read is noticed; what the entry depends on
// is listed once it exists. An unwatched entry whose file kept its identity but had not
// settled keeps its parse when the bytes are the same.
Entry& Load(Cache& cache, const std::string& keyText, const Key& key) {
  const Mapped mapped = MapAndWatch(key);
  const std::int64_t readAtNs = FileClockNowNs();
  IniFileRead read = ReadIniFile(mapped.native);

  std::shared_ptr<const void> kept;
  const auto existing = cache.entries.find(keyText);
  if (existing != cache.entries.end()) {
    const Entry& old = existing->second;
    if (!old.settled && old.exists && read.status == IniFileRead::Status::Ok && old.native == mapped.native &&
        old.identity == read.identity && old.bytes == read.bytes) {
      kept = old.parse;
    }
    DropEntry(cache, existing);
  } else if (cache.entries.size() >= kMaximumEntries) {
    EvictOldest(cache);
  }
  Entry& entry = cache.entries[keyText];
  entry.native = mapped.native;
  entry.serial = ++cache.serials;
  entry.loadOrder = ++cache.loads;
  entry.exists = read.status == IniFileRead::Status::Ok;
  entry.identity = read.identity;
  entry.settled = entry.exists && IdentityHasSettled(read.identity, readAtNs);
  // A file that could not be read (not a missing one) is tried again at the next look-up.
  entry.watched = mapped.watched && read.status != IniFileRead::Status::Failed;
  if (!entry.watched && entry.exists && !entry.settled) entry.bytes = read.bytes;
  entry.parse = kept ? std::move(kept) : key.parser(read);
  if (entry.watched) {
    for (const auto& [watch, child] : mapped.watches) AddDependent(cache, watch, keyText, child, entry.serial);
  }
  return entry;
}

// An unwatched entry is still good when its text maps to the same file with the same
// identity, and its times have settled (else it is read again, see Load).
const std::shared_ptr<const void>& CheckedParse(Cache& cache, const std::string& keyText, const Key& key,
                                                Entry& entry) {
  const fs::path native = MapKey(key).path;
  FileIdentity now;
  const bool exists = StatIniFile(native, now);
  if (native == entry.native && exists == entry.exists && (!exists || (now == entry.identity && entry.settled))) {
    return entry.parse;
  }
  return Load(cache, keyText, key).parse;
}

// The parse of a key: the thread's own copy while nothing changed, else the shared entry
// (loaded or checked as needed).
const std::shared_ptr<const void>& ParseOfKey(const Key& key) {
  Cache& cache = TheCache();
  if (key.path.empty() || key.parser == nullptr) return NoParse();
  TakeQueuedChanges(cache);
  ThreadCopies& copies = t_copies;
  const std::uint64_t generation = cache.generation.load();
  if (copies.generation != generation) {
    copies.parses.clear();
    copies.generation = generation;
  }
  // The key is built in the thread's own room: no allocation once it has grown.
  std::string& keyText = copies.key;
  keyText.clear();
  if (key.native) keyText.push_back(kNativeKeyMark);
  keyText.append(key.path);
  keyText.push_back('\0');
  keyText.append(reinterpret_cast<const char*>(&key.parser), sizeof key.parser);
  if (const auto copy = copies.parses.find(keyText); copy != copies.parses.end()) return copy->second;

  std::lock_guard lock(cache.mutex);
  const std::string ownKey = keyText;  // the room may be reused by a nested look-up
  auto found = cache.entries.find(ownKey);
  if (found == cache.entries.end()) {
    Entry& entry = Load(cache, ownKey, key);
    if (entry.watched) return copies.parses[ownKey] = entry.parse;
    copies.last = entry.parse;
  } else if (found->second.watched) {
    return copies.parses[ownKey] = found->second.parse;
  } else {
    copies.last = CheckedParse(cache, ownKey, key, found->second);
  }
  return copies.last;
}

}  // namespace

const std::shared_ptr<const void>& CachedFileParse(std::string_view stationPath, FileParser parser) {
  return ParseOfKey({stationPath, false, parser});
}

const std::shared_ptr<const void>& CachedNativeFileParse(const fs::path& native, FileParser parser) {
  return ParseOfKey({native.native(), true, parser});
}

void ForgetFileParses(const fs::path& native) {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  for (auto entry = cache.entries.begin(); entry != cache.entries.end();) {
    if (entry->second.native == native) {
      const bool watched = entry->second.watched;
      entry = cache.entries.erase(entry);
      if (watched) cache.generation.fetch_add(1);
    } else {
      ++entry;
    }
  }
}

void ForgetAllFileParses() {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  cache.entries.clear();
  cache.dependents.clear();
  cache.generation.fetch_add(1);
}

}  // namespace platform
