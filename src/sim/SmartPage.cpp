#include "sim/SmartPage.h"

#include <cstring>

namespace sim {

std::array<std::uint8_t, kSmartPageBytes> EncodeSmartPage(const std::vector<SmartAttribute>& attributes) {
  std::array<std::uint8_t, kSmartPageBytes> page{};
  std::size_t offset = 0;
  for (const auto& attribute : attributes) {
    if (offset + sizeof(SmartPageEntry) > page.size()) break;
    SmartPageEntry entry;
    entry.id = attribute.id;
    entry.value.Set(attribute.value);
    std::memcpy(page.data() + offset, &entry, sizeof(entry));
    offset += sizeof(entry);
    if (attribute.id == 0) break;
  }
  return page;
}

}  // namespace sim
