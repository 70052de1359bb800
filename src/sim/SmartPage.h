#pragma once
// Encoder of the SMART page of a simulated drive.
#include <cstddef>
#include <cstdint>
#include <array>
#include <vector>

#include "device/records/SmartPage.h"

namespace sim {

struct SmartAttribute {
  std::uint8_t id = 0;
  std::uint64_t value = 0;
};

// The page; attributes beyond the 56 that fit are dropped, and an attribute with ID 0 ends
// the list where it stands, as it does for the reader.
std::array<std::uint8_t, kSmartPageBytes> EncodeSmartPage(const std::vector<SmartAttribute>& attributes);

}  // namespace sim
