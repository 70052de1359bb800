// Error tag to the code text the station shows.
#include "engine/ErrorTags.h"
#include "engine/MPDevice.h"
#include "platform/Text.h"

std::string CMPDevice::ErrorTagToCode(std::string_view text) {
  // Only a text whose second character is "_" is an error tag; a shorter text cannot be one
  // and is returned as it is (the tag test must not read past its end).
  if (text.size() < 2 || text[1] != '_') return std::string(text);
  return platform::Format("0x%03X", static_cast<unsigned>(engine::ErrorCodeWithFallback(text)));
}
