#include "app/PageMask.h"

#include <string>

#include "platform/Debug.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

unsigned ParseUIPageMask(std::string_view text) {
  const std::string value = platform::Trim(text);
  if (value.empty()) return kDefaultUIPageMask | 1u;
  constexpr unsigned long kNoDigits = 0xFFFFFFFFFFul;
  const unsigned long parsed = platform::ParseHex(value, kNoDigits);
  if (parsed == kNoDigits) {
    platform::DebugOutput("SetUIPage \"" + value + "\" is not hexadecimal; the default pages are shown\r\n");
    return kDefaultUIPageMask | 1u;
  }
  return static_cast<unsigned>(parsed) | 1u;
}

unsigned ReadUIPageMask() { return ParseUIPageMask(settings::ReadText(settings::keys::SetUIPage)); }
