#include "platform/StationSettings.h"

#include <charconv>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <string_view>

#include "platform/IniFile.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace settings {

std::string ReadText(const Key& key, std::size_t bufferSize) {
  return platform::ReadProfileString(key.file, key.section, key.name, key.defaultValue, bufferSize);
}

int ReadInt(const Key& key) {
  return platform::ReadProfileInt(key.file, key.section, key.name,
                                  platform::ParseLeadingInt(key.defaultValue));
}

bool WriteText(const Key& key, const std::string& value) {
  return platform::WriteProfileString(key.file, key.section, key.name, value);
}

namespace {

// A copy's origin and the version of the copy it was noted for.
struct CopyOrigin {
  std::string origin;
  platform::FileIdentity copy;
};

std::mutex g_copyOriginsLock;
std::map<std::string, CopyOrigin, std::less<>> g_copyOrigins;

}  // namespace

void NoteCopyOrigin(const char* file, const std::string& origin) {
  CopyOrigin noted{origin, {}};
  const bool copied = platform::StatIniFile(platform::ToNativePath(file), noted.copy);
  const std::lock_guard<std::mutex> lock(g_copyOriginsLock);
  if (copied) {
    g_copyOrigins[file] = std::move(noted);
  } else {
    g_copyOrigins.erase(file);
  }
}

std::string FilePlace(const char* file) {
  std::optional<CopyOrigin> noted;
  {
    const std::lock_guard<std::mutex> lock(g_copyOriginsLock);
    if (const auto found = g_copyOrigins.find(std::string_view(file)); found != g_copyOrigins.end()) {
      noted = found->second;
    }
  }
  platform::FileIdentity now;
  if (!noted || !platform::StatIniFile(platform::ToNativePath(file), now) || !(now == noted->copy)) return file;
  return platform::Format("%s (copied from %s)", file, noted->origin.c_str());
}

std::string KeyPlace(const Key& key) {
  return platform::Format("%s of [%s] in %s", key.name, key.section, FilePlace(key.file).c_str());
}

namespace {

// A whole decimal number (an optional "-", then digits only) within the range.
std::optional<int> StrictNumberOf(std::string_view text, int low, int high) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return static_cast<int>(value);
}

std::string RangeText(int low, int high) { return platform::Format("from %d to %d", low, high); }

}  // namespace

StrictNumber ReadStrictInt(const StrictKey& strict) {
  const Key& key = *strict.key;
  const std::string text =
      platform::Trim(platform::ReadProfileString(key.file, key.section, key.name, "", strict.bufferSize));
  // An empty key has the key's default, and a key without a default is 0.
  const std::string used = text.empty() ? platform::Trim(key.defaultValue) : text;
  StrictNumber number;
  number.value =
      StrictNumberOf(used.empty() ? std::string_view("0") : std::string_view(used), strict.low, strict.high);
  if (!number.value) {
    number.problem = platform::Format("%s is \"%s\": expected a whole number %s", KeyPlace(key).c_str(), text.c_str(),
                                      RangeText(strict.low, strict.high).c_str());
  }
  return number;
}

StrictNumberList ReadStrictIntList(const StrictKey& strict) {
  const Key& key = *strict.key;
  const std::string text =
      platform::ReadProfileString(key.file, key.section, key.name, key.defaultValue, strict.bufferSize);
  StrictNumberList list;
  std::vector<int> values;
  for (const std::string& item : platform::SplitBlankOrComma(text)) {
    const std::optional<int> value = StrictNumberOf(item, strict.low, strict.high);
    if (!value) {
      list.problem = platform::Format("%s is \"%s\": item \"%s\" is not a whole number %s", KeyPlace(key).c_str(),
                                      platform::Trim(text).c_str(), item.c_str(),
                                      RangeText(strict.low, strict.high).c_str());
      return list;
    }
    values.push_back(*value);
  }
  list.values = std::move(values);
  return list;
}

int StrictReads::Number(const StrictKey& key) {
  const StrictNumber number = ReadStrictInt(key);
  Note(number.problem);
  return number.value.value_or(0);
}

void StrictReads::Note(const std::string& problem) {
  if (m_problem.empty()) m_problem = problem;
}

namespace {
// Built from the same list as the constants, so every declared key is here.
#define STATION_SETTINGS_KEY_ADDRESS(id, file, section, name, defaultValue) &keys::id,
constexpr const Key* kAllKeys[] = {STATION_SETTINGS_KEYS(STATION_SETTINGS_KEY_ADDRESS)};
#undef STATION_SETTINGS_KEY_ADDRESS
}  // namespace

const Key* const* AllKeys(std::size_t& count) {
  count = std::size(kAllKeys);
  return kAllKeys;
}

namespace {
#define STATION_STRICT_KEY_ADDRESS(id, low, high, bufferSize) &strict::id,
constexpr const StrictKey* kAllStrictKeys[] = {STATION_STRICT_KEYS(STATION_STRICT_KEY_ADDRESS)};
#undef STATION_STRICT_KEY_ADDRESS
}  // namespace

const StrictKey* const* AllStrictKeys(std::size_t& count) {
  count = std::size(kAllStrictKeys);
  return kAllStrictKeys;
}

}  // namespace settings
