#pragma once
// Texts of the on-drive records as the station shows them.
#include <string>
#include <string_view>

#include "device/records/FieldTypes.h"
#include "platform/Text.h"

namespace engine {

// An ATA-style text field (characters in swapped pairs) in reading order, blanks trimmed.
template <std::size_t N>
std::string TrimmedText(const WordSwappedText<N>& field) {
  char text[N];
  field.CopyTo(text);
  return platform::Trim(std::string_view(text, N));
}

}  // namespace engine
