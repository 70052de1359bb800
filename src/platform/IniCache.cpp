#include "platform/IniCache.h"

#include <mutex>
#include <shared_mutex>
#include <string>
#include <unordered_map>

#include "platform/IniFile.h"

namespace platform {
namespace {

// A file whose modification time lies closer than this to the moment it was read may
// change again without its times changing (file times tick coarsely on some file systems).
constexpr std::int64_t kSettledAfterNs = 2'000'000'000;
// Enough for every settings file of a station; beyond it the entry loaded longest ago goes.
constexpr std::size_t kMaximumEntries = 256;

struct Entry {
  FileIdentity identity;
  bool settled = false;
  std::shared_ptr<const IniDocument> document;
  std::uint64_t loadOrder = 0;  // when the entry was last (re)loaded
};

struct Cache {
  std::shared_mutex mutex;
  std::unordered_map<std::string, Entry> entries;
  std::uint64_t loads = 0;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

std::shared_ptr<const IniDocument> EmptyDocument() {
  static const auto empty = std::make_shared<const IniDocument>();
  return empty;
}

// A later change of the file stamps both times with the clock of that moment; it can keep
// the identity only when both stamps already lie within that moment.
bool IsSettled(const FileIdentity& identity, std::int64_t readAtNs) {
  return readAtNs - identity.modifiedNs > kSettledAfterNs || readAtNs - identity.changedNs > kSettledAfterNs;
}

void EvictOldest(Cache& cache) {
  auto oldest = cache.entries.begin();
  for (auto it = cache.entries.begin(); it != cache.entries.end(); ++it) {
    if (it->second.loadOrder < oldest->second.loadOrder) oldest = it;
  }
  cache.entries.erase(oldest);
}

}  // namespace

std::shared_ptr<const IniDocument> CachedIniDocument(const std::filesystem::path& native) {
  Cache& cache = TheCache();
  const std::string key = native.string();
  FileIdentity now;
  if (!StatIniFile(native, now)) return EmptyDocument();

  std::shared_ptr<const IniDocument> unsettled;
  {
    std::shared_lock lock(cache.mutex);
    const auto found = cache.entries.find(key);
    if (found != cache.entries.end() && found->second.identity == now) {
      if (found->second.settled) return found->second.document;
      unsettled = found->second.document;
    }
  }

  const std::int64_t readAtNs = FileClockNowNs();
  IniFileRead read = ReadIniFile(native);
  if (read.status != IniFileRead::Status::Ok) return EmptyDocument();
  std::shared_ptr<const IniDocument> document;
  if (unsettled && unsettled->Bytes() == read.bytes) {
    document = std::move(unsettled);
  } else {
    document = std::make_shared<const IniDocument>(std::move(read.bytes));
  }

  std::unique_lock lock(cache.mutex);
  if (cache.entries.size() >= kMaximumEntries && cache.entries.find(key) == cache.entries.end()) {
    EvictOldest(cache);
  }
  Entry& entry = cache.entries[key];
  entry.identity = read.identity;
  entry.settled = IsSettled(read.identity, readAtNs);
  entry.document = document;
  entry.loadOrder = ++cache.loads;
  return document;
}

void ForgetIniDocument(const std::filesystem::path& native) {
  Cache& cache = TheCache();
  std::unique_lock lock(cache.mutex);
  cache.entries.erase(native.string());
}

void ForgetAllIniDocuments() {
  Cache& cache = TheCache();
  std::unique_lock lock(cache.mutex);
  cache.entries.clear();
}

}  // namespace platform
