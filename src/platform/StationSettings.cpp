#include "platform/StationSettings.h"

#include <iterator>

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
// Built from the same list as the constants, so every declared key is here.
#define STATION_SETTINGS_KEY_ADDRESS(id, file, section, name, defaultValue) &keys::id,
constexpr const Key* kAllKeys[] = {STATION_SETTINGS_KEYS(STATION_SETTINGS_KEY_ADDRESS)};
#undef STATION_SETTINGS_KEY_ADDRESS
}  // namespace

const Key* const* AllKeys(std::size_t& count) {
  count = std::size(kAllKeys);
  return kAllKeys;
}

}  // namespace settings
